// The game's entry, its set-up and its turn loop.
#include <cstdint>
#include <string>

#include "game/chase_game.h"
#include "game/game_flow.h"
#include "input/input_statement.h"
#include "input/key_poll.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

ChaseGame chase_game;

namespace {

constexpr std::int32_t GAME_DIALECT = 3; // picks the 24-bit generator by default
constexpr float PLAYER_ROW = 21.0f;      // just below the bottom barrier row
constexpr float DOG_ROW_MIN = 5.0f;
constexpr int FIELD_ROWS = 10;

// The longest idle wait between two empty polls; the wait ends sooner as soon as a
// key or console input is pending, so no key is delayed by it.
constexpr std::uint32_t KEY_WAIT_MS = 50;

bool key_is(const std::string& text, const char* upper, const char* lower) {
  return text == upper || text == lower;
}

} // namespace

void game_reset() {
  chase_game = ChaseGame{};
}

void game_ask_difficulty() {
  ChaseGame& game = chase_game;
  for (;;) {
    input_prompt("Difficulty (1-10): ", 0, 1);
    input_read_float(game.difficulty);
    // Written so that a NaN, which compares unordered, is refused like a value below 1.
    if (game.difficulty >= 1.0f && game.difficulty <= 10.0f) {
      return;
    }
    // Redirected input that has run out would give the same empty item for ever.
    if (input_stdin_ended()) {
      rt_end(0);
    }
  }
}

void game_set_up() {
  ChaseGame& game = chase_game;
  game.dog_row = static_cast<float>(-static_cast<double>(game.difficulty) * 2.0 + 15.0);
  // From here on the field holds the typed value plus 1, the bound of the gap loop.
  game.difficulty = static_cast<float>(1.0 + static_cast<double>(game.difficulty));
  if (!(game.dog_row >= DOG_ROW_MIN)) {
    game.dog_row = DOG_ROW_MIN;
  }
  game.player_row = PLAYER_ROW;
  game.player_col = 10.0f;
  game.dog_col = 11.0f;
  // Each new row pushes the earlier ones down: the first row generated ends at the bottom.
  for (int row = 1; row <= FIELD_ROWS; ++row) {
    game_new_row();
  }
  game_clear_screen();
  game_draw_board();
}

void game_wait_key() {
  ChaseGame& game = chase_game;
  for (;;) {
    game.key_text = key_poll_text();
    if (!game.key_text.empty()) {
      return;
    }
    // Only redirected input can end; a console always may still deliver a key.
    if (input_stdin_ended()) {
      rt_end(0);
    }
    key_idle_wait(KEY_WAIT_MS);
  }
}

void game_turn() {
  ChaseGame& game = chase_game;
  game_pursuit_check();
  game_wait_key();
  game_erase_markers();
  // The dog mirrors every move, so player_col + dog_col stays 21.
  if (key_is(game.key_text, "G", "g") && game.player_col > 1.0f) {
    game.player_col = static_cast<float>(static_cast<double>(game.player_col) - 1.0);
    game.dog_col = static_cast<float>(static_cast<double>(game.dog_col) + 1.0);
  }
  if (key_is(game.key_text, "H", "h") && game.player_col < 20.0f) {
    game.player_col = static_cast<float>(static_cast<double>(game.player_col) + 1.0);
    game.dog_col = static_cast<float>(static_cast<double>(game.dog_col) - 1.0);
  }
  game_draw_markers();
  if (key_is(game.key_text, "Q", "q")) {
    rt_end(0);
  }
}

void game_start(int argc, char** argv) {
  rt_init(argc, argv, GAME_DIALECT);
  // The timer is read once; the same reading always yields the same field.
  rnd_randomize(static_cast<double>(timer_seconds()), RND_NONE);
}

void game_main(int argc, char** argv) {
  game_start(argc, argv);
  game_ask_difficulty();
  game_set_up();
  for (;;) {
    game_turn();
  }
}
