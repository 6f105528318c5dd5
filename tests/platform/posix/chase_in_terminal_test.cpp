// The chase program itself in a pseudo-terminal, with libvterm as the terminal.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

#include "tests/platform/posix/pty_harness.h"

namespace {

#ifdef CHASE_BINARY

constexpr const char* PROMPT = "Difficulty (1-10):";

void run_chase(int report_fd) {
  const std::string line = "pid " + std::to_string(getpid()) + "\n";
  [[maybe_unused]] const ssize_t n = write(report_fd, line.data(), line.size());
  close(report_fd);
  execl(CHASE_BINARY, CHASE_BINARY, static_cast<char*>(nullptr));
  _exit(127);
}

pid_t reported_pid(const PtySession& pty) {
  pid_t pid = -1;
  for (const std::string& line : pty.lines()) {
    std::sscanf(line.c_str(), "pid %d", &pid);
  }
  return pid;
}

// The column (1-based) of the first c on a screen row, 0 when there is none.
int column_of(const std::string& row, char c) {
  const std::size_t at = row.find(c);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

// The column (1-based) of a marker, wherever it stands (the ending lines scroll the
// screen), 0 when it is not there.
int marker_column(const PtySession& pty, char marker) {
  for (int row = 1; row <= 25; ++row) {
    if (const int column = column_of(pty.row(row), marker); column != 0) {
      return column;
    }
  }
  return 0;
}

std::string screen_text(const PtySession& pty) {
  std::string text;
  for (int row = 1; row <= 25; ++row) {
    text += pty.row(row) + "|\n";
  }
  return text;
}

bool game_ended(const PtySession& pty) {
  for (int row = 22; row <= 25; ++row) {
    if (pty.row(row).find("dog") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// The game started below a shell's line and given a difficulty. Difficulty 1 (two
// gaps a row, the dog far away) all but rules out an ending in the first turns.
struct ChaseOnBoard {
  PtySession pty{run_chase};
  bool ready = false;

  explicit ChaseOnBoard(const std::string& difficulty = "1") {
    pty.show("$ chase\r\n");
    ready = pty.wait_for_text(2, PROMPT);
    if (ready) {
      pty.type(difficulty + "\r");
      ready = pty.wait_until([&] { return marker_column(pty, 'K') == 20; });
      pty.settle(); // the whole first turn, an ending included
    }
  }
};

void expect_terminal_restored(const PtySession& pty, const PtyReport& report) {
  EXPECT_TRUE(report.same_modes) << "termios or file status flags differ";
  EXPECT_NE(last_mode_setting(pty.output(), "25"), 'l') << "cursor left hidden";
  EXPECT_NE(last_mode_setting(pty.output(), "7"), 'l') << "auto-wrap left off";
  EXPECT_NE(last_mode_setting(pty.output(), "9001"), 'h') << "win32-input-mode left on";
}

TEST(ChaseInTerminal, PromptsWhereTheCursorStood) {
  PtySession pty(run_chase);
  pty.show("$ chase\r\n");
  ASSERT_TRUE(pty.wait_for_text(2, PROMPT));
  EXPECT_EQ(pty.row(1), "$ chase");
  EXPECT_EQ(pty.row(2), "Difficulty (1-10):");
  EXPECT_EQ(pty.cursor(), (std::pair{2, 20}));
}

TEST(ChaseInTerminal, DrawsTheBoardMovesAndQuits) {
  // At difficulty 5 the pursuit rules end every few games before the first key; the
  // board with its barrier rows in place is the one the game waits on.
  std::unique_ptr<ChaseOnBoard> game;
  for (int attempt = 0; attempt < 10; ++attempt) {
    game = std::make_unique<ChaseOnBoard>("5");
    if (!game->ready || !game_ended(game->pty)) {
      break;
    }
  }
  ASSERT_TRUE(game->ready);
  ASSERT_FALSE(game_ended(game->pty));
  PtySession& pty = game->pty;
  for (int row = 2; row <= 20; row += 2) {
    SCOPED_TRACE(row);
    EXPECT_EQ(pty.row(row).substr(0, 10), std::string(10, ' '));
    EXPECT_NE(pty.row(row).find('-'), std::string::npos);
  }
  // The pursuit rules may have moved the dog up or down already, never sideways.
  EXPECT_EQ(marker_column(pty, 'D'), 21) << screen_text(pty);
  EXPECT_EQ(pty.cursor(), (std::pair{22, 1}));
  pty.type("h");
  EXPECT_TRUE(pty.wait_until([&] { return marker_column(pty, 'K') == 21; }));
  pty.settle();
  if (!game_ended(pty)) { // a dog that got away has scrolled off the top
    EXPECT_EQ(marker_column(pty, 'D'), 20) << "the dog mirrors the move\n" << screen_text(pty);
  }
  // After an ending (the move may have let the dog away) the game reads one closing
  // line instead.
  pty.type(game_ended(pty) ? "q\r" : "q");
  const PtyReport report = pty.wait_for_report();
  EXPECT_EQ(report.how, "exited");
  EXPECT_EQ(report.value, 0);
  expect_terminal_restored(pty, report);
}

TEST(ChaseInTerminal, EveryWayOutGivesTheTerminalBack) {
  const struct {
    const char* name;
    std::string keys; // typed, or empty to send the signal
    int signal;
    const char* how;
    int value;
  } cases[] = {
      {"quit", "q", 0, "exited", 0},
      {"Ctrl+C", "\x03", 0, "signaled", SIGINT},
      {"SIGINT", "", SIGINT, "signaled", SIGINT},
      {"SIGTERM", "", SIGTERM, "signaled", SIGTERM},
      {"SIGHUP", "", SIGHUP, "signaled", SIGHUP},
      {"a crash", "", SIGSEGV, "signaled", SIGSEGV},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ChaseOnBoard game;
    ASSERT_TRUE(game.ready);
    if (c.keys.empty()) {
      kill(reported_pid(game.pty), c.signal);
    } else {
      game.pty.type(c.keys);
    }
    const PtyReport report = game.pty.wait_for_report();
    EXPECT_EQ(report.how, c.how);
    EXPECT_EQ(report.value, c.value);
    expect_terminal_restored(game.pty, report);
  }
}

TEST(ChaseInTerminal, SuspendsAndResumes) {
  ChaseOnBoard game;
  ASSERT_TRUE(game.ready);
  game.pty.type("\x1a");
  const PtyReport stopped = game.pty.wait_for_report();
  ASSERT_EQ(stopped.how, "stopped");
  EXPECT_TRUE(stopped.same_modes);
  game.pty.wipe_screen();
  game.pty.resume();
  EXPECT_TRUE(game.pty.wait_until([&] { return column_of(game.pty.row(21), 'K') == 20; }))
      << "repainted after resuming";
  game.pty.type("q");
  const PtyReport ended = game.pty.wait_for_report();
  EXPECT_EQ(ended.how, "exited");
  EXPECT_EQ(ended.value, 0);
  expect_terminal_restored(game.pty, ended);
}

TEST(ChaseInTerminal, ClosedTerminalEndsTheGameWithoutSpinning) {
  ChaseOnBoard game;
  ASSERT_TRUE(game.ready);
  game.pty.hang_up();
  const PtyReport report = game.pty.wait_for_report(1000);
  EXPECT_EQ(report.how, "signaled");
  EXPECT_EQ(report.value, SIGHUP);
  EXPECT_LT(report.cpu_ms, 500);
}

std::string temporary_file(const std::string& contents) {
  char path[] = "/tmp/chase_in_terminalXXXXXX";
  const int fd = mkstemp(path);
  [[maybe_unused]] const ssize_t n = write(fd, contents.data(), contents.size());
  close(fd);
  return path;
}

std::string file_contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

TEST(ChaseInTerminal, RedirectedInputEndsWithTheTerminalAsItWas) {
  PtyOptions options;
  options.stdin_file = temporary_file("5\n");
  PtySession pty(run_chase, options);
  const PtyReport report = pty.wait_for_report();
  EXPECT_EQ(report.how, "exited");
  EXPECT_EQ(report.value, 0);
  expect_terminal_restored(pty, report);
  std::remove(options.stdin_file.c_str());
}

TEST(ChaseInTerminal, OutputToAFileHasNoEscapeSequence) {
  PtyOptions options;
  options.stdout_file = temporary_file("");
  PtySession pty(run_chase, options);
  const auto file_has = [&](const std::string& text) {
    return pty.wait_until(
        [&] { return file_contents(options.stdout_file).find(text) != std::string::npos; });
  };
  ASSERT_TRUE(file_has(PROMPT));
  pty.type("1\r"); // the dog far away: no ending before the quit key
  ASSERT_TRUE(file_has("K"));
  pty.type("q");
  const PtyReport report = pty.wait_for_report();
  EXPECT_EQ(report.how, "exited");
  EXPECT_EQ(report.value, 0);
  EXPECT_TRUE(report.same_modes);
  const std::string output = file_contents(options.stdout_file);
  EXPECT_EQ(output.rfind("Difficulty (1-10): ", 0), 0u);
  EXPECT_NE(output.find('K'), std::string::npos);
  EXPECT_EQ(output.find('\x1b'), std::string::npos);
  EXPECT_EQ(pty.output().find('\x1b'), std::string::npos) << "nothing sent to the terminal";
  std::remove(options.stdout_file.c_str());
}

#else

TEST(ChaseInTerminal, NeedsTheChaseProgram) {
  GTEST_SKIP() << "the chase program is not part of this build";
}

#endif

} // namespace
