#include "tests/game/game_test.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "console/console_screen.h"
#include "game/chase_game.h"
#include "input/input_statement.h"
#include "input/key_queue.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

Lcg24Model::Lcg24Model(double seed) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &seed, sizeof bits);
  const auto high = static_cast<std::uint32_t>(bits >> 32);
  // The low byte of the generator's starting state, 327680, is 0.
  state_ = ((high ^ (high >> 16)) & 0xFFFFu) << 8;
}

double Lcg24Model::next() {
  state_ = (state_ * 16598013u + 12820163u) & 0xFFFFFFu;
  return state_ / 16777216.0;
}

double model_seconds(std::uint64_t clock_ms) {
  const auto ticks_per_ms = MemoryConsole::PERF_FREQUENCY / 1000;
  const auto count = static_cast<std::int64_t>(clock_ms) * ticks_per_ms;
  return static_cast<double>(count) * (1.0 / static_cast<double>(MemoryConsole::PERF_FREQUENCY));
}

std::string model_row(Lcg24Model& generator, int gaps) {
  std::string row(20, '-');
  for (int made = 0; made < gaps;) {
    const auto column = static_cast<std::size_t>(std::floor(generator.next() * 20.0));
    if (row[column] == '-') {
      row[column] = ' ';
      ++made;
    }
  }
  return row;
}

Field model_field(std::uint64_t clock_ms, int gaps) {
  Lcg24Model generator(model_seconds(clock_ms));
  Field field;
  for (int generated = 0; generated < 10; ++generated) {
    for (int r = 9; r > 0; --r) {
      field[r] = field[r - 1];
    }
    field[0] = model_row(generator, gaps);
  }
  return field;
}

namespace {

void put(std::vector<std::string>& rows, int row, int col, char ch) {
  if (row >= 1 && row <= static_cast<int>(rows.size()) && col >= 1 && col <= 80) {
    rows[row - 1][col - 1] = ch;
  }
}

void trim(std::vector<std::string>& rows) {
  for (auto& row : rows) {
    row.erase(row.find_last_not_of(' ') + 1);
  }
}

MemoryConsole* exit_console = nullptr;

std::string console_report(const MemoryConsole& console) {
  const ConsoleCoord cursor = console.cursor();
  const ConsoleRect window = console.window();
  return screen_report(console.window_lines(), cursor.y - window.top + 1, cursor.x + 1);
}

void report_at_exit() {
  std::fputs(console_report(*exit_console).c_str(), stderr);
}

// A game that never ends (a prompt asked again and again, say) fails with this status
// instead of holding up the suite.
constexpr int CHILD_HUNG = 3;
constexpr auto CHILD_PATIENCE = std::chrono::seconds(20);

void start_watchdog() {
  std::thread([] {
    std::this_thread::sleep_for(CHILD_PATIENCE);
    std::_Exit(CHILD_HUNG);
  }).detach();
}

} // namespace

std::vector<std::string> board_screen(const Field& field, int dog_row, int dog_col,
                                      int player_col) {
  std::vector<std::string> rows(25, std::string(80, ' '));
  for (int r = 1; r <= 10; ++r) {
    rows[2 * r - 1].replace(10, 20, field[r - 1]);
  }
  put(rows, dog_row, 10 + dog_col, 'D');
  put(rows, 21, 10 + player_col, 'K');
  trim(rows);
  return rows;
}

std::string screen_report(const std::vector<std::string>& rows, int cursor_row, int cursor_col) {
  std::string report;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].empty()) {
      report += std::to_string(i + 1) + "|" + rows[i] + "\n";
    }
  }
  return report + "cursor " + std::to_string(cursor_row) + "," + std::to_string(cursor_col) + "\n";
}

void GameTest::SetUp() {
  ConsoleTest::SetUp();
  // The child of a death test runs the test afresh instead of forking a copy.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  console_screen_reset();
  key_reset();
  input_reset();
  game_reset();
  console().set_clock_ms(GAME_CLOCK_MS);
}

void GameTest::TearDown() {
  game_reset();
  input_reset();
  key_reset();
  console_screen_reset();
  ConsoleTest::TearDown();
}

void GameTest::restart(std::int16_t width, std::int16_t height) {
  rt_reset();
  timer_reset();
  rnd_reset();
  console_screen_reset();
  key_reset();
  input_reset();
  game_reset();
  use_console(width, height);
  console().set_clock_ms(GAME_CLOCK_MS);
}

void GameTest::type_line(std::string_view text) {
  console().type_text(text);
  console().press_key(ConsoleKey::enter);
}

void GameTest::set_board(const Field& field, float dog_row, float player_col) {
  ChaseGame& game = chase_game;
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 20; ++c) {
      game.grid.cell[20 * r + c + 1] = field[r][c] == '-' ? CELL_BARRIER : CELL_GAP;
    }
  }
  game.difficulty = 3.0f; // as after a typed 2
  game.dog_row = dog_row;
  game.player_row = 21.0f;
  game.player_col = player_col;
  game.dog_col = 21.0f - player_col;
  game_draw_board();
}

Field GameTest::grid_field() const {
  Field field;
  for (int r = 0; r < 10; ++r) {
    for (int c = 0; c < 20; ++c) {
      const float cell = chase_game.grid.cell[20 * r + c + 1];
      field[r] += cell == CELL_BARRIER ? '-' : cell == CELL_GAP ? ' ' : '?';
    }
  }
  return field;
}

void GameTest::expect_exit_screen(const std::function<void()>& play,
                                  const testing::Matcher<const std::string&>& expected) {
  EXPECT_EXIT(
      {
        exit_console = &console();
        std::atexit(report_at_exit);
        start_watchdog();
        play();
      },
      testing::ExitedWithCode(0), expected);
}

std::string GameTest::report() {
  return console_report(console());
}
