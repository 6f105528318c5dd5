#include "platform/console_platform.h"

#include "platform/detached_console.h"

namespace {

DetachedConsole detached_console;
ConsolePlatform* current_backend = &detached_console;

} // namespace

ConsolePlatform& platform() {
  return *current_backend;
}

void platform_install(ConsolePlatform* backend) {
  current_backend = backend != nullptr ? backend : &detached_console;
}
