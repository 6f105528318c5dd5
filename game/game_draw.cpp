// Board drawing: the field, the two markers and the cursor placement they share.
#include <string>

#include "console/console_clear.h"
#include "console/console_screen.h"
#include "game/chase_game.h"
#include "game/game_numbers.h"
#include "game/game_print.h"

namespace {

constexpr int FIELD_ROWS = 10;
constexpr int ROW_CELLS = 20;
constexpr int FIELD_LEFT =
    10; // field column c is screen column 10 + c; ten blanks before row cells

void print_at(float row, float field_col, const char* text, std::int32_t flags) {
  game_place_cursor(row, static_cast<float>(FIELD_LEFT + static_cast<double>(field_col)));
  print_string(GAME_CONSOLE, text, flags);
}

} // namespace

void game_place_cursor(float target_row, float target_col) {
  // A row or column outside the window leaves the cursor where it is; the game
  // draws on regardless.
  console_locate(game_round(target_row), game_round(target_col), CURSOR_KEEP, 0, 0);
}

void game_clear_screen() {
  console_clear(CLEAR_DEFAULT);
}

void game_draw_board() {
  const ChaseGame& game = chase_game;
  game_clear_screen();
  game_place_cursor(2.0f, 1.0f);
  // The rows are laid out by the newlines alone: two after each row take the cursor
  // past the free row below it to the next barrier row.
  const std::string margin(FIELD_LEFT, ' ');
  for (int i = 1; i <= FIELD_ROWS; ++i) {
    print_string(GAME_CONSOLE, margin, GAME_PRINT_ITEM);
    const int offset = ROW_CELLS * i - ROW_CELLS;
    for (int j = 1; j <= ROW_CELLS; ++j) {
      const std::string cell(1, static_cast<char>(game_round(game.grid.cell[j + offset])));
      print_string(GAME_CONSOLE, cell, GAME_PRINT_ITEM);
    }
    print_newline(GAME_CONSOLE, GAME_PRINT_LINE);
    print_newline(GAME_CONSOLE, GAME_PRINT_LINE);
  }
  game_draw_markers();
}

void game_erase_markers() {
  const ChaseGame& game = chase_game;
  // The dog stands on a free row, so its blank never removes a barrier cell.
  print_at(game.dog_row, game.dog_col, " ", GAME_PRINT_ITEM);
  print_at(game.player_row, game.player_col, " ", GAME_PRINT_ITEM);
}

void game_draw_markers() {
  const ChaseGame& game = chase_game;
  print_at(game.dog_row, game.dog_col, "D", GAME_PRINT_ITEM);
  // The newline after "K" leaves the cursor at the start of the row below the player.
  print_at(game.player_row, game.player_col, "K", GAME_PRINT_LINE);
}
