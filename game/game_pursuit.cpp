// The rules of the chase: the field scrolls under the player, the dog climbs
// through gaps, and the two endings.
#include <cmath>
#include <string>

#include "game/chase_game.h"
#include "game/game_numbers.h"
#include "game/game_print.h"
#include "input/input_statement.h"
#include "runtime/rt_context.h"

namespace {

constexpr double BOTTOM_ROW_OFFSET = 180.0; // cells of barrier rows 1 to 9
constexpr float DOG_ESCAPE_ROW = 1.0f;      // above the top barrier row

// A cell index outside the grid (only a dog that has drifted off the odd rows, after
// a fractional difficulty, can ask for one) counts as no gap.
bool cell_is_gap(double index) {
  const std::int32_t i = game_round(index);
  return i >= 0 && i < GRID_CELLS && chase_game.grid.cell[i] == CELL_GAP;
}

// Column player_col of the bottom barrier row, directly above the player.
bool gap_above_player() {
  return cell_is_gap(BOTTOM_ROW_OFFSET + static_cast<double>(chase_game.player_col));
}

// Column dog_col of the barrier row drawn directly above the dog. The row offset is
// stored as a float before the column is added, as every game quantity is.
bool gap_above_dog() {
  const float offset = static_cast<float>(10.0 * static_cast<double>(chase_game.dog_row) - 30.0);
  return cell_is_gap(static_cast<double>(chase_game.dog_col) + static_cast<double>(offset));
}

} // namespace

void game_pursuit_check() {
  ChaseGame& game = chase_game;
  float changed = 0.0f;
  do {
    changed = 0.0f;
    // Never while the dog is on the player's row: it can be brought down to row 21
    // but not beyond.
    if (game.dog_row != game.player_row && gap_above_player()) {
      game.dog_row = static_cast<float>(2.0 + static_cast<double>(game.dog_row));
      game_new_row();
      changed = 1.0f;
      game_draw_board();
    }
    // Tests the field and the dog as the scroll left them.
    if (gap_above_dog()) {
      game_erase_markers();
      game.dog_row = static_cast<float>(-2.0 + static_cast<double>(game.dog_row));
      changed = 1.0f;
      game_draw_markers();
    }
    if (game.dog_row == DOG_ESCAPE_ROW) {
      game_finish("The dog got away with it!", "The teacher's gonna be mad!");
    }
    if (game.dog_row == game.player_row && std::fabs(static_cast<double>(game.dog_col) -
                                                     static_cast<double>(game.player_col)) == 1.0) {
      game_finish("You got that dog!", "Now get to class!");
    }
  } while (changed != 0.0f);
}

void game_finish(const char* first_line, const char* second_line) {
  game_place_cursor(24.0f, 1.0f);
  print_string(GAME_CONSOLE, first_line, GAME_PRINT_LINE);
  print_string(GAME_CONSOLE, second_line, GAME_PRINT_LINE);
  // The closing line is read and dropped: it only lets the player see the ending.
  // Redirected input that has already ended gives an empty line at once.
  input_prompt("", 1, 1);
  std::string closing_line;
  input_read_string(closing_line);
  rt_end(0);
}
