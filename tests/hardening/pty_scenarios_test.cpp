// The real program in a pseudo-terminal, treated roughly: resized a hundred times
// while playing, started on terminals of 1 by 1, 20 by 5 and 300 by 100, a 1 MiB
// line pasted at the difficulty prompt, 100 MiB of redirected input without a line
// end, random bytes and broken UTF-8 typed for 10 seconds, keys typed faster than the
// game draws, interrupted and killed. Each time the program ends with
// status 0 within its time (or by the signal), its peak memory stays bounded, and the
// terminal gets back the settings and modes it had.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/hardening/pty_session.h"

namespace {

constexpr const char* PROMPT = "Difficulty (1-10):";
// The program's peak resident memory, sanitizers included, must stay below this.
constexpr long MEMORY_BOUND_KIB = 64 * 1024;

// Ends a session still in play: q quits the turn loop; after an ending, q and Enter
// give the closing line.
void quit(PtySession& session) {
  session.type("q\r");
}

void expect_clean_end(PtySession& session, const char* scenario, int ms = 20000) {
  EXPECT_TRUE(session.wait_exit(ms)) << scenario << ": the program did not end";
  EXPECT_TRUE(session.exited_normally()) << scenario << ": " << session.status_text();
  EXPECT_TRUE(session.settings_restored()) << scenario << ": terminal settings not restored";
  EXPECT_TRUE(session.modes_left()) << scenario << ": terminal modes not left";
  EXPECT_LT(session.peak_rss_kib(), MEMORY_BOUND_KIB) << scenario;
  std::printf("[ scenario ] %s: %s, peak memory %ld KiB\n", scenario, session.status_text().c_str(),
              session.peak_rss_kib());
}

// Starts a game at difficulty 5 and waits for the board.
void start_game(PtySession& session) {
  ASSERT_TRUE(session.wait_for_text(PROMPT, 10000)) << "no difficulty prompt";
  session.type("5\r");
  ASSERT_TRUE(session.wait_for_text("K", 10000)) << "no board";
}

TEST(PtyScenarios, AHundredResizesWhilePlaying) {
  PtySession session({});
  start_game(session);
  std::mt19937 random(1);
  for (int i = 0; i < 100; ++i) {
    session.resize(1 + static_cast<int>(random() % 300), 1 + static_cast<int>(random() % 100));
    if (i == 40 || i == 60) {
      // One row high, then one column wide: no screen at all, for a turn.
      session.resize(i == 40 ? 80 : 1, i == 40 ? 1 : 25);
      session.type("x");
      session.pump(100);
    }
    if (i % 3 == 0) {
      session.type(std::string(1, "hgx"[random() % 3]));
    }
    session.pump(5);
  }
  session.resize(80, 25);
  session.pump(200);
  // The program still draws on the terminal at its first size: the next turn puts
  // the markers back, or, when the game ended by its rules meanwhile, the closing
  // prompt echoes the key.
  session.type("x");
  EXPECT_TRUE(session.wait_for_text("K", 5000) || session.screen_contains("x"))
      << "nothing of the game on the terminal after the resizes";
  quit(session);
  expect_clean_end(session, "100 resizes while playing");
}

TEST(PtyScenarios, TinyAndHugeTerminals) {
  struct Size {
    int width;
    int height;
  };
  for (const Size size : {Size{1, 1}, Size{20, 5}, Size{300, 100}}) {
    const std::string name = std::to_string(size.width) + " by " + std::to_string(size.height);
    SCOPED_TRACE(name);
    PtySession session({size.width, size.height, ""});
    session.pump(1000); // a terminal this small cannot show the whole prompt
    session.type("5\r");
    session.pump(1000);
    session.type("hgxh");
    session.pump(500);
    quit(session);
    expect_clean_end(session, name.c_str());
  }
}

TEST(PtyScenarios, AMebibyteLinePastedAtTheDifficultyPrompt) {
  PtySession session({});
  ASSERT_TRUE(session.wait_for_text(PROMPT, 10000));
  std::string line(1 << 20, '7');
  line += '\r';
  session.type(line);
  session.wait_quiet(2000, 120000);
  EXPECT_EQ(session.pending_input(), 0u) << "the program stopped reading";
  session.type("5\r");
  session.wait_for_text("K", 10000);
  quit(session);
  expect_clean_end(session, "1 MiB line at the difficulty prompt");
}

TEST(PtyScenarios, AHundredMebibytesOfRedirectedInputWithoutALineEnd) {
  char fifo[] = "/tmp/chase-stdin-XXXXXX";
  ASSERT_NE(mkdtemp(fifo), nullptr);
  const std::string path = std::string(fifo) + "/stdin";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const pid_t writer = fork();
  if (writer == 0) {
    const int out = open(path.c_str(), O_WRONLY);
    const std::string block(1 << 16, '7');
    for (int i = 0; i < 1600; ++i) { // 100 MiB
      if (write(out, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
        _exit(1);
      }
    }
    _exit(0);
  }
  {
    PtySession session({80, 25, path});
    expect_clean_end(session, "100 MiB of redirected input without a line end", 120000);
  }
  // The writer has finished only if the program read every byte before it ended.
  int status = -1;
  for (int waited = 0; waited < 50 && waitpid(writer, &status, WNOHANG) == 0; ++waited) {
    usleep(100000);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "not all the input was read";
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  unlink(path.c_str());
  rmdir(fifo);
}

TEST(PtyScenarios, RandomBytesAndBrokenUtf8TypedForTenSeconds) {
  PtySession session({});
  start_game(session);
  std::mt19937 random(2);
  const std::string broken[] = {"\xc3", "\xc3\x28", "\xe2\x82", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                                "\xff", "\xc0\xaf", "\x80\x80"};
  for (int tick = 0; tick < 1000; ++tick) { // 10 ms each
    std::string bytes;
    for (int i = 0; i < 16; ++i) {
      const auto byte = static_cast<char>(random() & 0xFF);
      // Not the quit key, and not the bytes the terminal turns into interrupt, quit
      // and suspend: those end or stop the program on purpose.
      if (byte == 'q' || byte == 'Q' || byte == 3 || byte == 0x1A || byte == 0x1C) {
        continue;
      }
      bytes += byte;
    }
    bytes += broken[random() % std::size(broken)];
    session.type(bytes);
    session.pump(10);
  }
  session.wait_quiet(500, 10000);
  quit(session);
  expect_clean_end(session, "random bytes for 10 s");
}

TEST(PtyScenarios, InterruptedOrKilledTheTerminalIsGivenBack) {
  struct Case {
    const char* name;
    const char* typed; // keys typed in the middle of the game
    int signo;         // or a signal sent to the program (0: none)
    bool resumes;      // the program goes on and is quit
  };
  const Case cases[] = {
      {"Ctrl+C", "\x03", 0, false},
      {"Ctrl+\\", "\x1c", 0, false},
      {"SIGTERM", "", SIGTERM, false},
      {"SIGHUP", "", SIGHUP, false},
      // The program leads its own session here, so the kernel discards the stop its
      // suspend raises (no shell to resume it): it has to carry on and still end well.
      {"Ctrl+Z without job control", "\x1a", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PtySession session({});
    start_game(session);
    session.type(c.typed);
    if (c.signo != 0) {
      session.signal(c.signo);
    }
    session.pump(500);
    if (c.resumes) {
      session.signal(SIGCONT);
      session.pump(500);
      quit(session);
      expect_clean_end(session, c.name);
      continue;
    }
    EXPECT_TRUE(session.wait_exit(10000)) << "the program did not end";
    EXPECT_TRUE(session.settings_restored()) << "terminal settings not restored";
    EXPECT_TRUE(session.modes_left()) << "terminal modes not left";
    std::printf("[ scenario ] %s: %s\n", c.name, session.status_text().c_str());
  }
}

// The player's column from the board: "K" on screen row 21, at screen column 10
// plus its column; 0 when it is not there.
int player_column(const PtySession& session) {
  const std::size_t at = session.row(20).find('K');
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1 - 10;
}

TEST(PtyScenarios, KeysTypedFasterThanTheGameDrawsAreAllPlayed) {
  // Five steps right, then 252 pairs of left and right: 509 keys in one write, which
  // the queue's 511 slots hold. A pursuit ending in the middle leaves the rest of the
  // keys unplayed, so a game that ends by its rules is played again.
  std::string burst(5, 'h');
  for (int i = 0; i < 252; ++i) {
    burst += "gh";
  }
  for (int attempt = 0; attempt < 5; ++attempt) {
    PtySession session({});
    start_game(session);
    session.type(burst);
    session.wait_quiet(1000, 60000);
    const bool ended = session.screen_contains("dog");
    const int column = player_column(session);
    quit(session);
    expect_clean_end(session, "509 keys in one write");
    if (!ended) {
      EXPECT_EQ(column, 15) << "keys were lost";
      return;
    }
  }
  ADD_FAILURE() << "every game ended by its rules before the keys were played";
}

} // namespace
