// The chase program. By the time main runs, static initialisation has started the
// runtime (its context, the floating-point environment, its exit handler first of
// all); main only chooses the console and hands over to the game.
#include "game/chase_game.h"
#include "platform/console_platform.h"

int main(int argc, char** argv) {
  platform_install_default();
  game_main(argc, argv);
}
