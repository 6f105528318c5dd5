// Whole games, from the difficulty prompt to each of the three ways out, played from
// a script of typed keys on the fixed clock's field.
#include <gmock/gmock.h>
#include <string>

#include "game/chase_game.h"
#include "tests/game/game_test.h"

namespace {

std::string blanks(int count) {
  return std::string(static_cast<std::size_t>(count), ' ');
}

} // namespace

TEST_F(GameTest, ScriptedGamesReachEachWayOut) {
  struct Case {
    const char* name;
    const char* difficulty;
    const char* keys;
    const char* closing_line;   // typed after an ending
    std::string typed_end;      // the end of the last screen's report, keys typed
    std::string redirected_end; // the same with the script as redirected input
  };
  const Case cases[] = {
      // Two steps right put the player under a gap of the bottom row: the field
      // scrolls twice before the quit key, which ends the game on the spot.
      {"quit", "5", "hhq", nullptr, "21|" + blanks(21) + "K\ncursor 22,1\n",
       "21|" + blanks(21) + "K\ncursor 22,1\n"},
      // Rows of eleven gaps: the steps keep the player under gaps of the bottom row,
      // the field scrolls the dog down from row 5, and the last step right brings it
      // to row 21 beside the player.
      {"catch", "10", "ghghh", "ok",
       "22|You got that dog!\n23|Now get to class!\n24|? ok\ncursor 25,1\n",
       // No "? " and no echo: the closing line is read straight from the input.
       "23|You got that dog!\n24|Now get to class!\ncursor 25,1\n"},
      // The dog climbs one barrier row at every check and gets out at the fourth.
      {"escape", "3", "ggh", "bye",
       "22|The dog got away with it!\n23|The teacher's gonna be mad!\n24|? bye\ncursor 25,1\n",
       "23|The dog got away with it!\n24|The teacher's gonna be mad!\ncursor 25,1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    type_line(c.difficulty);
    console().type_text(c.keys);
    if (c.closing_line != nullptr) {
      type_line(c.closing_line);
    }
    expect_exit_screen([] { game_main(0, nullptr); }, testing::EndsWith(c.typed_end));

    // The same script from a file or a pipe: the difficulty's line, then one byte a key.
    restart();
    console().set_input_redirected(true);
    std::string script = std::string(c.difficulty) + "\n" + c.keys;
    if (c.closing_line != nullptr) {
      script += std::string(c.closing_line) + "\n";
    }
    console().feed_stdin(script);
    expect_exit_screen([] { game_main(0, nullptr); }, testing::EndsWith(c.redirected_end));
  }
}
