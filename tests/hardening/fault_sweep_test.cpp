// Every console call made to fail, one call at a time, at every point (or, for calls
// made very often, at points spread over the run) of the line editor's and the
// game's work. Whatever fails, the runtime carries on: the typed line still comes
// through, the error number is the one the operation reports, the game plays the
// keys it was given and ends with status 0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "console/console_screen.h"
#include "console/print_items.h"
#include "game/chase_game.h"
#include "input/input_statement.h"
#include "input/key_queue.h"
#include "runtime/rt_context.h"
#include "tests/support/console_test.h"

namespace {

struct CallCase {
  ConsoleCall call;
  const char* name;
  // Failing it may make standard input look redirected (GetConsoleMode fails on a
  // handle that is not a console): the line is then read from standard input.
  bool input_test;
  // Failing it every time leaves a keyboard that never delivers a key, for which
  // waiting is the right answer.
  bool delivers_keys;
};

constexpr CallCase CALLS[] = {
    {ConsoleCall::get_std_handle, "get_std_handle", true, false},
    {ConsoleCall::get_console_mode, "get_console_mode", true, false},
    {ConsoleCall::set_console_mode, "set_console_mode", false, false},
    {ConsoleCall::get_screen_buffer_info, "get_screen_buffer_info", false, false},
    {ConsoleCall::set_cursor_position, "set_cursor_position", false, false},
    {ConsoleCall::get_cursor_info, "get_cursor_info", false, false},
    {ConsoleCall::set_cursor_info, "set_cursor_info", false, false},
    {ConsoleCall::fill_attribute, "fill_attribute", false, false},
    {ConsoleCall::fill_character, "fill_character", false, false},
    {ConsoleCall::scroll_buffer, "scroll_buffer", false, false},
    {ConsoleCall::write_output, "write_output", false, false},
    {ConsoleCall::set_window_info, "set_window_info", false, false},
    {ConsoleCall::write_file, "write_file", false, false},
    {ConsoleCall::beep, "beep", false, false},
    {ConsoleCall::peek_input, "peek_input", false, true},
    {ConsoleCall::read_input, "read_input", false, true},
    {ConsoleCall::set_ctrl_handler, "set_ctrl_handler", false, false},
    {ConsoleCall::map_virtual_key, "map_virtual_key", false, false},
    {ConsoleCall::read_stdin, "read_stdin", false, false},
    {ConsoleCall::sleep, "sleep", false, false},
    {ConsoleCall::idle_wait, "idle_wait", false, false},
    {ConsoleCall::query_performance_frequency, "query_performance_frequency", false, false},
    {ConsoleCall::query_performance_counter, "query_performance_counter", false, false},
    {ConsoleCall::get_tick_count, "get_tick_count", false, false},
};

// Which of a call's n calls to fail: each of the first 24, then 16 spread evenly.
std::vector<std::uint32_t> failure_points(std::uint64_t n) {
  std::vector<std::uint32_t> points;
  for (std::uint64_t k = 0; k < n && k < 24; ++k) {
    points.push_back(static_cast<std::uint32_t>(k));
  }
  for (std::uint64_t i = 1; n > 24 && i <= 16; ++i) {
    points.push_back(static_cast<std::uint32_t>(24 + (n - 25) * i / 16));
  }
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

class FaultSweepTest : public ConsoleTest {
protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    restart();
  }
  void TearDown() override {
    ConsoleTest::TearDown();
    reset_records();
  }

  static void reset_records() {
    console_screen_reset();
    key_reset();
    input_reset();
    game_reset();
    rt_reset();
  }

  // A fresh console and fresh records, as at the start of the program.
  void restart() {
    use_console(80, 25);
    reset_records();
  }

  // "4x", Backspace, "2", Home, Delete, End, Enter: the line "2".
  void type_edited_line() {
    console().type_text("4x");
    console().press_key(ConsoleKey::backspace);
    console().type_text("2");
    console().press_key(ConsoleKey::home);
    console().press_key(ConsoleKey::del);
    console().press_key(ConsoleKey::end);
    console().press_key(ConsoleKey::enter);
  }

  struct PromptResult {
    std::int32_t prompt_error;
    std::int32_t read_error;
    float value;
  };

  PromptResult run_difficulty_prompt() {
    PromptResult result{};
    result.prompt_error = input_prompt("Difficulty (1-10): ", 0, 1);
    float value = -1;
    result.read_error = input_read_float(value);
    result.value = value;
    EXPECT_EQ(rt_get_error(), 0);
    return result;
  }

  void expect_line_read(const CallCase& c, const PromptResult& result) {
    EXPECT_EQ(result.prompt_error, 0);
    EXPECT_EQ(result.read_error, 0);
    if (c.input_test) {
      // Standard input taken as redirected holds nothing: the item is empty, 0.
      EXPECT_TRUE(result.value == 2.0f || result.value == 0.0f) << result.value;
    } else {
      EXPECT_EQ(result.value, 2.0f);
    }
  }

  // How often the clean editing of the line makes the call.
  std::uint64_t clean_prompt_calls(ConsoleCall call) {
    restart();
    type_edited_line();
    run_difficulty_prompt();
    return console().call_count(call);
  }

  struct Fault {
    ConsoleCall call;
    std::uint32_t times;
    std::uint32_t after;
  };

  struct GameRun {
    bool ended_normally = false; // exit status 0 after the game's exit handlers ran
    int player_col = 0;
    std::array<std::uint64_t, static_cast<std::size_t>(ConsoleCall::count_)> calls{};
    std::string report;
  };

  // Runs the game from its start in a child: difficulty 5, then right, right, a key
  // that only passes the turn, left, and quit, so the player ends in column 11. On
  // its way out the child writes the player's column and its call counts to a pipe.
  GameRun run_game(std::optional<Fault> fault) {
    int channel[2];
    if (pipe(channel) != 0) {
      ADD_FAILURE() << "no pipe";
      return {};
    }
    const pid_t child = fork();
    if (child == 0) {
      close(channel[0]);
      report_fd = channel[1];
      restart();
      exit_console = &console();
      console().type_text("5\r");
      console().type_text("hhxgq");
      if (fault) {
        console().fail_call(fault->call, fault->times, fault->after);
      }
      std::atexit(report_at_exit);
      alarm(20); // a hang fails the case instead of the whole run
      try {
        game_main(0, nullptr);
      } catch (const ConsoleStarved&) {
        _exit(3);
      }
    }
    close(channel[1]);
    GameRun run;
    char buffer[512];
    for (ssize_t got = 0; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
      run.report.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.ended_normally = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !run.report.empty();
    std::istringstream fields(run.report);
    fields >> run.player_col;
    for (std::uint64_t& count : run.calls) {
      fields >> count;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      run.report += WIFSIGNALED(status) ? " killed by signal " + std::to_string(WTERMSIG(status))
                                        : " exit status " + std::to_string(WEXITSTATUS(status));
    }
    return run;
  }

  static void expect_keys_played(const CallCase& c, const GameRun& run) {
    if (c.input_test && run.player_col == 0) {
      // Input taken as redirected: the difficulty prompt found standard input empty
      // and the game ended before its set-up.
      return;
    }
    EXPECT_EQ(run.player_col, 11) << run.report;
  }

  static inline int report_fd = -1;
  static inline MemoryConsole* exit_console = nullptr;

  static void report_at_exit() {
    std::string report = std::to_string(static_cast<int>(chase_game.player_col));
    for (std::size_t call = 0; call < static_cast<std::size_t>(ConsoleCall::count_); ++call) {
      report += " " + std::to_string(exit_console->call_count(static_cast<ConsoleCall>(call)));
    }
    (void)!write(report_fd, report.data(), report.size());
  }
};

TEST_F(FaultSweepTest, TheCleanLineIsTheEditedOne) {
  type_edited_line();
  const PromptResult result = run_difficulty_prompt();
  EXPECT_EQ(result.value, 2.0f);
  EXPECT_EQ(screen_row(1), "Difficulty (1-10): 2");
}

TEST_F(FaultSweepTest, OneFailedCallAnywhereInTheEditorStillReadsTheLine) {
  for (const CallCase& c : CALLS) {
    const std::uint64_t n = clean_prompt_calls(c.call);
    for (const std::uint32_t k : failure_points(n)) {
      SCOPED_TRACE(std::string(c.name) + " failing at call " + std::to_string(k) + " of " +
                   std::to_string(n));
      restart();
      type_edited_line();
      console().fail_call(c.call, 1, k);
      expect_line_read(c, run_difficulty_prompt());
    }
  }
}

// The operations that report an error number, from a fresh start, where the lazy
// set-up of handles, screen and device happens: a failure anywhere in it changes no
// number.
TEST_F(FaultSweepTest, ErrorNumbersStayWhatTheOperationsReportWhateverFails) {
  struct Operation {
    const char* name;
    std::int32_t (*run)();
    std::int32_t error;
  };
  const Operation operations[] = {
      {"placement inside the view",
       [] { return console_locate_strict(5, 5, CURSOR_KEEP, nullptr); }, 0},
      {"placement below the view",
       [] { return console_locate_strict(26, 1, CURSOR_KEEP, nullptr); }, 1},
      {"placement right of the screen",
       [] { return console_locate_strict(1, 81, CURSOR_KEEP, nullptr); }, 1},
      {"forgiving placement below the view",
       [] {
         console_locate(26, 1, CURSOR_KEEP, 0, 0);
         return rt_get_error();
       },
       0},
      {"bytes to the console", [] { return print_bytes(0, "abc", 3); }, 0},
      {"bytes to no target", [] { return print_bytes(300, "abc", 3); }, 1},
      {"reading the console device", [] { return input_use_file(0); }, 0},
      {"reading no file", [] { return input_use_file(255); }, 1},
  };
  for (const CallCase& c : CALLS) {
    for (std::uint32_t k = 0; k < 8; ++k) {
      SCOPED_TRACE(std::string(c.name) + " failing at call " + std::to_string(k));
      restart();
      console().fail_call(c.call, 1, k);
      for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        EXPECT_EQ(operation.run(), operation.error);
        EXPECT_EQ(rt_get_error(), operation.error);
      }
    }
  }
}

TEST_F(FaultSweepTest, ACallThatAlwaysFailsStillLetsTheEditorReadTheLine) {
  for (const CallCase& c : CALLS) {
    if (c.delivers_keys) {
      continue;
    }
    SCOPED_TRACE(std::string(c.name) + " failing every time");
    restart();
    type_edited_line();
    console().fail_call(c.call, UINT32_MAX);
    expect_line_read(c, run_difficulty_prompt());
  }
}

// Each case runs the whole game in a child, which must play every key and end with
// status 0.
TEST_F(FaultSweepTest, OneFailedCallAnywhereInTheGameStillPlaysItToTheEnd) {
  const GameRun clean = run_game(std::nullopt);
  ASSERT_TRUE(clean.ended_normally) << clean.report;
  ASSERT_EQ(clean.player_col, 11) << clean.report;
  for (const CallCase& c : CALLS) {
    const std::uint64_t n = clean.calls[static_cast<std::size_t>(c.call)];
    for (const std::uint32_t k : failure_points(n)) {
      SCOPED_TRACE(std::string(c.name) + " failing at call " + std::to_string(k) + " of " +
                   std::to_string(n));
      const GameRun run = run_game(Fault{c.call, 1, k});
      EXPECT_TRUE(run.ended_normally) << run.report;
      expect_keys_played(c, run);
    }
  }
}

TEST_F(FaultSweepTest, ACallThatAlwaysFailsStillLetsTheGameBePlayed) {
  for (const CallCase& c : CALLS) {
    if (c.delivers_keys) {
      continue; // a keyboard that never delivers: the game waits, as it should
    }
    SCOPED_TRACE(std::string(c.name) + " failing every time");
    const GameRun run = run_game(Fault{c.call, UINT32_MAX, 0});
    EXPECT_TRUE(run.ended_normally) << run.report;
    expect_keys_played(c, run);
  }
}

} // namespace
