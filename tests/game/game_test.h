// The game's test fixture, a model of the field a fixed clock produces, and
// helpers that draw expected screens and watch games that end the process.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/console_test.h"

// The virtual clock every game test starts with, so the seed and every row are known.
constexpr std::uint64_t GAME_CLOCK_MS = 12'345'678;

// Ten barrier rows, top first, each twenty characters of '-' and ' '.
using Field = std::array<std::string, 10>;

// The 24-bit generator, seeded as a timer reading seeds it.
class Lcg24Model {
public:
  explicit Lcg24Model(double seed);
  double next();

private:
  std::uint32_t state_;
};

// The seconds a timer reads at this clock.
double model_seconds(std::uint64_t clock_ms);
// The next top row: twenty barriers, then `gaps` distinct random columns opened.
std::string model_row(Lcg24Model& generator, int gaps);
// The field after set-up: ten rows generated in turn, each pushing the earlier down.
Field model_field(std::uint64_t clock_ms, int gaps);

// The window a full draw leaves: the field on rows 2 to 20 from column 11, "D" and
// "K" at screen column 10 + their field column; trailing blanks trimmed, 25 rows.
std::vector<std::string> board_screen(const Field& field, int dog_row, int dog_col, int player_col);

// Window rows and cursor as text, one "row|text" line per non-empty row; the form in
// which a child process reports its last screen.
std::string screen_report(const std::vector<std::string>& rows, int cursor_row, int cursor_col);

class GameTest : public ConsoleTest {
protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh console and fresh records, as at the start of the program.
  void restart(std::int16_t width = 80, std::int16_t height = 25);
  // Types the text and presses Enter.
  void type_line(std::string_view text);
  // Puts the field into the grid and the positions into the game, then draws the board.
  void set_board(const Field& field, float dog_row, float player_col);
  Field grid_field() const;
  // Runs the game code in a child process that must end (within 20 s, so a game that
  // never ends fails instead of hanging) with status 0 and report its
  // last screen on the way out, in the form of screen_report, as the matcher expects.
  void expect_exit_screen(const std::function<void()>& play,
                          const testing::Matcher<const std::string&>& report);
  std::string report(); // the current window in the same form
};
