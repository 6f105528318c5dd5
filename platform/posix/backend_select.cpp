// The one place the terminal backend is chosen: the process's console is the
// terminal it was started in (or the plain streams it was given).
#include <cstdlib>

#include "platform/console_platform.h"
#include "platform/posix/posix_console.h"

namespace {

PosixConsole* process_console = nullptr; // lives until the process ends

// The last exit handler to run before the C library's own: the final picture goes
// out and the terminal is given back.
void give_back_terminal() {
  process_console->shut_down();
}

} // namespace

void platform_install_default() {
  if (process_console == nullptr) {
    process_console = new PosixConsole();
    std::atexit(give_back_terminal);
  }
  platform_install(process_console);
}
