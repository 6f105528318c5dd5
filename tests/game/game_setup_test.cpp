// The difficulty prompt, the starting positions and the generated field.
#include <cmath>
#include <string>

#include "game/chase_game.h"
#include "game/game_flow.h"
#include "runtime/rnd.h"
#include "tests/game/game_test.h"

namespace {

int gaps_in_row(int row) {
  int gaps = 0;
  for (int c = 1; c <= 20; ++c) {
    gaps += chase_game.grid.cell[20 * (row - 1) + c] == CELL_GAP ? 1 : 0;
  }
  return gaps;
}

} // namespace

TEST_F(GameTest, TypedDifficultySetsTheDogsRowAndTheGapsOfEveryRow) {
  struct Case {
    const char* typed;
    float dog_row;
    float difficulty; // as stored after set-up: the typed value plus 1
    int gaps;
  };
  const Case cases[] = {
      {"1", 13.0f, 2.0f, 2},      {"2.5", 10.0f, 3.5f, 3},
      {"5", 5.0f, 6.0f, 6},       {"6", 5.0f, 7.0f, 7}, // 15 - 12 = 3, raised to 5
      {"9.99", 5.0f, 10.99f, 10},                       // a fractional bound gives its whole part
      {"10", 5.0f, 11.0f, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    restart();
    type_line(c.typed);
    game_start(0, nullptr);
    game_ask_difficulty();
    game_set_up();

    EXPECT_EQ(chase_game.dog_row, c.dog_row);
    EXPECT_EQ(chase_game.difficulty, c.difficulty);
    EXPECT_EQ(chase_game.player_row, 21.0f);
    EXPECT_EQ(chase_game.player_col, 10.0f);
    EXPECT_EQ(chase_game.dog_col, 11.0f);
    EXPECT_EQ(chase_game.grid.cell[0], 0.0f);
    for (int row = 1; row <= 10; ++row) {
      EXPECT_EQ(gaps_in_row(row), c.gaps) << "row " << row;
    }
    // Every cell is a barrier or a gap, and the rows are those the seed gives.
    EXPECT_EQ(grid_field(), model_field(GAME_CLOCK_MS, c.gaps));
  }
}

TEST_F(GameTest, DifficultyOutsideOneToTenAsksAgain) {
  const char* const refused[] = {"0", "0.99", "10.01", "-3", "abc", ""};
  for (const char* typed : refused) {
    SCOPED_TRACE(typed);
    restart();
    type_line(typed);
    type_line("7");
    game_ask_difficulty();

    std::string first = std::string("Difficulty (1-10): ") + typed;
    first.erase(first.find_last_not_of(' ') + 1);
    EXPECT_EQ(screen()[0], first);
    EXPECT_EQ(screen()[1], "Difficulty (1-10): 7");
    EXPECT_EQ(screen()[2], "");
    EXPECT_EQ(cursor(), (ScreenCursor{3, 1}));
    EXPECT_EQ(chase_game.difficulty, 7.0f);
  }
}

TEST_F(GameTest, NewRowShiftsTheFieldDownAndOpensGapsInTheTopRow) {
  // Each row's gaps in columns of its own, so a row that moved wrongly shows.
  Field before;
  for (int r = 0; r < 10; ++r) {
    before[r] = std::string(20, '-');
    before[r][r] = ' ';
    before[r][19 - r] = ' ';
  }
  set_board(before, 9.0f, 10.0f);
  chase_game.difficulty = 6.0f;
  rnd_randomize(100.0, RND_LCG24);

  game_new_row();

  Lcg24Model generator(100.0);
  Field after;
  after[0] = model_row(generator, 6);
  for (int r = 1; r < 10; ++r) {
    after[r] = before[r - 1];
  }
  EXPECT_EQ(grid_field(), after);
  EXPECT_EQ(chase_game.grid.cell[0], 0.0f);
}
