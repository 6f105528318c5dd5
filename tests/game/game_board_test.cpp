// The drawn board and the turns: moves, refused moves, other keys and the quit key.
#include <functional>
#include <string>

#include "game/chase_game.h"
#include "game/game_flow.h"
#include "tests/game/game_test.h"

namespace {

const Field solid_field = [] {
  Field field;
  field.fill(std::string(20, '-'));
  return field;
}();

} // namespace

TEST_F(GameTest, FreshBoardShowsTheFieldTheMarkersAndTheCursor) {
  type_line("3");
  game_start(0, nullptr);
  game_ask_difficulty();
  game_set_up();

  // The prompt was cleared away; the dog starts on row 15 - 2 * 3.
  EXPECT_EQ(screen(), board_screen(model_field(GAME_CLOCK_MS, 4), 9, 11, 10));
  EXPECT_EQ(cursor(), (ScreenCursor{22, 1}));
}

TEST_F(GameTest, EveryKeyIsOneTurn) {
  struct Case {
    const char* name;
    std::function<void(MemoryConsole&)> press;
    float start_col; // of the player
    float end_col;
  };
  const auto text = [](const char* keys) {
    return [keys](MemoryConsole& console) { console.type_text(keys); };
  };
  const auto key = [](ConsoleKey k) {
    return [k](MemoryConsole& console) { console.press_key(k); };
  };
  const Case cases[] = {
      {"h", text("h"), 10.0f, 11.0f},
      {"H", text("H"), 10.0f, 11.0f},
      {"g", text("g"), 10.0f, 9.0f},
      {"G", text("G"), 10.0f, 9.0f},
      {"G at the left edge", text("G"), 1.0f, 1.0f},
      {"g at the left edge", text("g"), 1.0f, 1.0f},
      {"H at the right edge", text("H"), 20.0f, 20.0f},
      {"h at the right edge", text("h"), 20.0f, 20.0f},
      {"another letter", text("x"), 10.0f, 10.0f},
      {"a digit", text("5"), 10.0f, 10.0f},
      // Up reads as the bytes 0 and 72: two bytes, so no "H" although it ends in one.
      {"an arrow key", key(ConsoleKey::up), 10.0f, 10.0f},
      {"a function key", key(ConsoleKey::f1), 10.0f, 10.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    set_board(solid_field, 9.0f, c.start_col);
    c.press(console());

    game_turn();

    EXPECT_EQ(chase_game.player_col, c.end_col);
    EXPECT_EQ(chase_game.dog_col, 21.0f - c.end_col);
    const int player = static_cast<int>(c.end_col);
    EXPECT_EQ(screen(), board_screen(solid_field, 9, 21 - player, player));
    EXPECT_EQ(cursor(), (ScreenCursor{22, 1}));
  }
}

TEST_F(GameTest, MarkerRowsRoundToNearestWithTiesToEven) {
  // Rows a fractional difficulty gives the dog.
  struct Case {
    float dog_row;
    int screen_row;
  };
  const Case cases[] = {{12.5f, 12}, {13.5f, 14}, {10.0f, 10}, {6.49f, 6}, {6.51f, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dog_row);
    restart();
    set_board(solid_field, c.dog_row, 10.0f);
    EXPECT_EQ(screen(), board_screen(solid_field, c.screen_row, 11, 10));
  }
}

TEST_F(GameTest, MovesKeepTheDogMirroringThePlayer) {
  set_board(solid_field, 9.0f, 10.0f);
  const std::string keys = "hhhhhhhhhhhhgGgHxh";
  for (char k : keys) {
    console().type_text(std::string(1, k));
    game_turn();
    EXPECT_EQ(chase_game.player_col + chase_game.dog_col, 21.0f) << "after " << k;
  }
  // Ten steps right reach column 20; the eleventh and twelfth are refused.
  EXPECT_EQ(chase_game.player_col, 19.0f);
  EXPECT_EQ(screen(), board_screen(solid_field, 9, 2, 19));
}

TEST_F(GameTest, QuitEndsWithStatusZeroAndPrintsNothingMore) {
  const char* const quit_keys[] = {"q", "Q"};
  for (const char* quit : quit_keys) {
    SCOPED_TRACE(quit);
    restart();
    set_board(solid_field, 9.0f, 10.0f);
    const std::string drawn = report();
    console().type_text(quit);

    expect_exit_screen([] { game_turn(); }, drawn);
  }
}
