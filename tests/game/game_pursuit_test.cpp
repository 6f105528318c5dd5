// The scroll and climb rules and the two endings, on fields set up by hand.
#include <string>

#include "game/chase_game.h"
#include "tests/game/game_test.h"

namespace {

// A field of barriers with gaps at the given (row, column) cells, both 1-based.
Field field_with_gaps(std::initializer_list<std::pair<int, int>> gaps) {
  Field field;
  field.fill(std::string(20, '-'));
  for (const auto& [row, col] : gaps) {
    field[row - 1][col - 1] = ' ';
  }
  return field;
}

// The rows a report shows after the window scrolled up by `lines`.
std::vector<std::string> scrolled(std::vector<std::string> rows, int lines) {
  rows.erase(rows.begin(), rows.begin() + lines);
  rows.resize(25);
  return rows;
}

} // namespace

TEST_F(GameTest, ScrollAndClimbInOnePassThenPassesRepeatUntilNothingChanges) {
  // The player (column 10) stands under the gap of row 10. The scroll brings the dog
  // (column 11) from row 19 to 21 and makes row 9 the bottom row, whose gap at column
  // 11 sends it straight back to 19; the next pass climbs through the old row 8, and
  // the one after that finds barriers above both.
  const Field before = field_with_gaps({{10, 10}, {9, 11}, {8, 11}});
  set_board(before, 19.0f, 10.0f);

  game_pursuit_check();

  EXPECT_EQ(chase_game.dog_row, 17.0f);
  const Field after = grid_field();
  for (int r = 1; r < 10; ++r) {
    EXPECT_EQ(after[r], before[r - 1]) << "row " << r + 1;
  }
  EXPECT_EQ(screen(), board_screen(after, 17, 11, 10));
  EXPECT_EQ(cursor(), (ScreenCursor{22, 1}));
}

TEST_F(GameTest, NoScrollWhileTheDogIsOnThePlayersRow) {
  // A gap above the player at column 9, none above the dog at column 12.
  const Field field = field_with_gaps({{10, 9}});
  set_board(field, 21.0f, 9.0f);
  const std::string drawn = report();

  game_pursuit_check();

  EXPECT_EQ(chase_game.dog_row, 21.0f);
  EXPECT_EQ(grid_field(), field);
  EXPECT_EQ(report(), drawn);
}

TEST_F(GameTest, ClimbTestOutsideTheGridCountsAsNoGap) {
  // Rows a dog reaches only after a fractional difficulty: from row 22 in column 11
  // the cell would be 201, from row 2 in column 9 it would be -1.
  struct Case {
    float dog_row;
    float player_col;
  };
  const Case cases[] = {{22.0f, 10.0f}, {2.0f, 12.0f}, {40.0f, 1.0f}, {-30.0f, 20.0f}};
  Field field;
  field.fill(std::string(20, ' '));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dog_row);
    restart();
    set_board(field, c.dog_row, c.player_col);
    // No scroll either: the player's gap would scroll, so take it away.
    chase_game.grid.cell[180 + static_cast<int>(c.player_col)] = CELL_BARRIER;

    game_pursuit_check();

    EXPECT_EQ(chase_game.dog_row, c.dog_row);
  }
}

TEST_F(GameTest, CatchBesideThePlayerWinsAfterAClosingLine) {
  const Field field = field_with_gaps({{10, 10}});
  set_board(field, 21.0f, 10.0f);
  type_line("ok");

  // The second ending line's newline and the one after the closing line each scroll
  // the 25-row window up by one.
  std::vector<std::string> rows = scrolled(board_screen(field, 21, 11, 10), 2);
  rows[21] = "You got that dog!";
  rows[22] = "Now get to class!";
  rows[23] = "? ok";
  expect_exit_screen([] { game_pursuit_check(); }, screen_report(rows, 25, 1));
}

TEST_F(GameTest, EscapeAboveTheTopRowLosesWithTheDogDrawnOnRowOne) {
  // A window tall enough that nothing scrolls away.
  restart(80, 27);
  const Field field = field_with_gaps({{1, 11}});
  set_board(field, 3.0f, 10.0f);
  type_line("bye");

  std::vector<std::string> rows = board_screen(field, 1, 11, 10);
  rows.resize(27);
  rows[23] = "The dog got away with it!";
  rows[24] = "The teacher's gonna be mad!";
  rows[25] = "? bye";
  expect_exit_screen([] { game_pursuit_check(); }, screen_report(rows, 27, 1));
}

TEST_F(GameTest, ClosingLineNotWaitedForWhenRedirectedInputHasEnded) {
  const Field field = field_with_gaps({});
  set_board(field, 21.0f, 11.0f);
  console().set_input_redirected(true);

  // No "? " and nothing read: only the second ending line's newline scrolls.
  std::vector<std::string> rows = scrolled(board_screen(field, 21, 10, 11), 1);
  rows[22] = "You got that dog!";
  rows[23] = "Now get to class!";
  expect_exit_screen([] { game_pursuit_check(); }, screen_report(rows, 25, 1));
}
