// The chase program.
#include <cstdlib>

#include "game/chase_game.h"
#include "platform/console_platform.h"
#include "runtime/rt_context.h"

namespace {

// The runtime's part of static initialisation, before main runs: the context and
// the floating-point environment first, then its exit handler, registered ahead of
// every other one so that it runs last.
struct RuntimeFrame {
  RuntimeFrame() {
    rt_static_init();
    std::atexit(rt_static_exit);
  }
};
const RuntimeFrame runtime_frame;

} // namespace

int main(int argc, char** argv) {
  platform_install_default();
  game_main(argc, argv);
}
