// The terminal backend as the console of a process running in a pseudo-terminal,
// with libvterm as the terminal.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <thread>

#include "platform/console_platform.h"
#include "tests/platform/posix/pty_harness.h"

namespace {

void report(int fd, const std::string& line) {
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t n = write(fd, text.data(), text.size());
}

void write_text(std::int16_t x, std::int16_t y, const std::string& text) {
  std::vector<ConsoleCell> cells;
  for (const char c : text) {
    cells.push_back({static_cast<std::uint8_t>(c), 7});
  }
  ConsoleRect region{x, y, static_cast<std::int16_t>(x + text.size() - 1), y};
  platform().write_output(platform().get_std_handle(StdStream::output), cells.data(),
                          {static_cast<std::int16_t>(cells.size()), 1}, {0, 0}, region);
}

// A program on the terminal backend: reports where the console's cursor started,
// writes HELLO at the top left, then reports every key-down and resize record it
// reads. "q" ends it through exit, "a" through abort.
void echo_program(int report_fd) {
  platform_install_default();
  ConsolePlatform& p = platform();
  const ConsoleHandle input = p.get_std_handle(StdStream::input);
  std::uint32_t mode = 0;
  p.get_console_mode(input, mode);
  p.set_console_mode(input, mode | MODE_PROCESSED_INPUT);
  ConsoleBufferInfo info{};
  p.get_screen_buffer_info(p.get_std_handle(StdStream::output), info);
  report(report_fd, "pid " + std::to_string(getpid()));
  report(report_fd,
         "cursor " + std::to_string(info.cursor.x) + " " + std::to_string(info.cursor.y));
  write_text(0, 0, "HELLO");
  p.set_cursor_position(p.get_std_handle(StdStream::output), {5, 0});
  for (;;) {
    InputRecord record;
    std::uint32_t count = 0;
    if (!p.read_input(input, &record, 1, count) || count == 0) {
      continue;
    }
    if (record.event_type == EVENT_WINDOW_BUFFER_SIZE) {
      report(report_fd, "size " + std::to_string(record.buffer_size.x) + " " +
                            std::to_string(record.buffer_size.y));
    }
    if (record.event_type != EVENT_KEY || !record.key.key_down) {
      continue;
    }
    char line[64];
    std::snprintf(line, sizeof line, "key %02X %02X %02X %04X", record.key.virtual_key,
                  record.key.virtual_scan, record.key.ascii_char, record.key.control_state);
    report(report_fd, line);
    if (record.key.ascii_char == 'q') {
      std::exit(0);
    }
    if (record.key.ascii_char == 'a') {
      std::abort();
    }
  }
}

// Starts echo_program on a terminal that already shows two lines, and waits until
// it reads keys.
struct EchoSession {
  PtySession pty{echo_program};
  pid_t pid = -1;

  EchoSession() {
    pty.show("old line one\r\nold line two\r\n");
    pty.wait_until([&] {
      for (const std::string& line : pty.lines()) {
        std::sscanf(line.c_str(), "pid %d", &pid);
      }
      return pid > 0 && pty.row(1).find("HELLO") != std::string::npos;
    });
  }
};

// The terminal is given back as it was: settings and file status flags (checked by
// the pty's shell), and the modes the program changed.
void expect_terminal_restored(const PtySession& pty, const PtyReport& report) {
  EXPECT_TRUE(report.same_modes) << "termios or file status flags differ";
  EXPECT_NE(last_mode_setting(pty.output(), "25"), 'l') << "cursor left hidden";
  EXPECT_NE(last_mode_setting(pty.output(), "7"), 'l') << "auto-wrap left off";
  EXPECT_NE(last_mode_setting(pty.output(), "9001"), 'h') << "win32-input-mode left on";
}

TEST(PosixConsole, StartsAtTheTerminalsCursorAndKeepsWhatTheScreenShows) {
  EchoSession session;
  ASSERT_TRUE(session.pty.wait_for_line("cursor 0 2"));
  EXPECT_EQ(session.pty.row(1), "HELLOine one");
  EXPECT_EQ(session.pty.row(2), "old line two");
  EXPECT_EQ(session.pty.cursor(), (std::pair{1, 6}));
  EXPECT_EQ(session.pty.output().find("\x1b[2J"), std::string::npos) << "the screen was cleared";
  EXPECT_EQ(last_mode_setting(session.pty.output(), "9001"), 'h') << "win32-input-mode offered";
}

TEST(PosixConsole, KeysTypedBeforeTheCursorReplyAreKept) {
  PtyOptions options;
  options.answer_queries = false;
  PtySession pty(echo_program, options);
  ASSERT_TRUE(pty.wait_until([&] { return !pty.withheld().empty(); }));
  pty.type("g" + pty.withheld()); // a key typed while the query is out, then the reply
  EXPECT_TRUE(pty.wait_for_line("cursor 0 0"));
  EXPECT_TRUE(pty.wait_for_line("key 47 22 67 0000"));
}

TEST(PosixConsole, LateCursorReplyIsSwallowed) {
  PtyOptions options;
  options.answer_queries = false;
  PtySession pty(echo_program, options);
  ASSERT_TRUE(pty.wait_for_line("cursor 0 0")) << "the start does not wait for ever";
  ASSERT_EQ(pty.withheld(), "\x1b[1;1R");
  pty.type("\x1b[3;5R"); // a late reply that would read as Ctrl+F3
  pty.type("g");
  ASSERT_TRUE(pty.wait_for_line("key 47 22 67 0000"));
  for (const std::string& line : pty.lines()) {
    EXPECT_EQ(line.find("key 72"), std::string::npos) << "the reply became F3";
  }
  EXPECT_TRUE(pty.wait_for_text(1, "HELLO"));
  EXPECT_EQ(pty.row(1), "HELLO") << "the reply was shown";
}

TEST(PosixConsole, TypedBytesArriveAsConsoleKeyRecords) {
  EchoSession session;
  session.pty.type("g");
  EXPECT_TRUE(session.pty.wait_for_line("key 47 22 67 0000"));
  session.pty.type("\x1b[1;5A");
  EXPECT_TRUE(session.pty.wait_for_line("key 26 48 00 0108"));
  session.pty.type("\x1b");
  EXPECT_TRUE(session.pty.wait_for_line("key 1B 01 1B 0000")) << "a lone Escape";
  session.pty.type("\xc3\xa9");
  EXPECT_TRUE(session.pty.wait_for_line("key 00 00 82 0000")) << "UTF-8 to code page 437";
}

TEST(PosixConsole, ResizeBecomesAWindowBufferSizeRecord) {
  EchoSession session;
  winsize size{30, 100, 0, 0};
  ASSERT_TRUE(session.pty.wait_for_line("cursor 0 2"));
  ASSERT_EQ(ioctl(session.pty.master(), TIOCSWINSZ, &size), 0);
  EXPECT_TRUE(session.pty.wait_for_line("size 100 30"));
}

TEST(PosixConsole, EveryWayOutGivesTheTerminalBack) {
  const struct {
    const char* name;
    std::string keys; // typed, or empty to send the signal
    int signal;
    const char* how;
    int value;
  } cases[] = {
      {"quit", "q", 0, "exited", 0},
      {"Ctrl+C with processed input", "\x03", 0, "signaled", SIGINT},
      {"Ctrl+Break (the quit key)", "\x1c", 0, "signaled", SIGQUIT},
      {"a crash", "a", 0, "signaled", SIGABRT},
      {"SIGINT", "", SIGINT, "signaled", SIGINT},
      {"SIGTERM", "", SIGTERM, "signaled", SIGTERM},
      {"SIGHUP", "", SIGHUP, "signaled", SIGHUP},
      {"SIGSEGV", "", SIGSEGV, "signaled", SIGSEGV},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EchoSession session;
    ASSERT_GT(session.pid, 0);
    if (c.keys.empty()) {
      kill(session.pid, c.signal);
    } else {
      session.pty.type(c.keys);
    }
    const PtyReport report = session.pty.wait_for_report();
    EXPECT_EQ(report.how, c.how);
    EXPECT_EQ(report.value, c.value);
    expect_terminal_restored(session.pty, report);
    EXPECT_EQ(session.pty.row(1), "HELLOine one") << "the final picture stays";
  }
}

TEST(PosixConsole, CtrlZSuspendsAndResumes) {
  EchoSession session;
  session.pty.type("\x1a");
  const PtyReport stopped = session.pty.wait_for_report();
  ASSERT_EQ(stopped.how, "stopped");
  EXPECT_TRUE(stopped.same_modes) << "the terminal is given back while suspended";
  session.pty.wipe_screen();
  session.pty.resume();
  EXPECT_TRUE(session.pty.wait_for_text(1, "HELLO")) << "repainted after resuming";
  session.pty.type("g"); // one byte, no Enter: raw mode is back
  EXPECT_TRUE(session.pty.wait_for_line("key 47 22 67 0000"));
  session.pty.type("q");
  const PtyReport ended = session.pty.wait_for_report();
  EXPECT_EQ(ended.how, "exited");
  expect_terminal_restored(session.pty, ended);
}

TEST(PosixConsole, ClosedTerminalEndsTheProcessWithoutSpinning) {
  EchoSession session;
  ASSERT_TRUE(session.pty.wait_for_line("cursor 0 2"));
  session.pty.hang_up();
  const PtyReport report = session.pty.wait_for_report(1000);
  EXPECT_EQ(report.how, "signaled");
  EXPECT_EQ(report.value, SIGHUP);
  EXPECT_LT(report.cpu_ms, 500);
}

std::thread::id main_thread;
std::uint32_t mode_out = 0;
int handler_report_fd = -1;

bool record_control_event(std::uint32_t type) {
  report(handler_report_fd,
         "handler " + std::to_string(type) + " " +
             (std::this_thread::get_id() != main_thread ? "own thread" : "main"));
  return true;
}

TEST(PosixConsole, CloseAndShutdownCallTheHandlerOnAThreadOfItsOwn) {
  const struct {
    int signal;
    const char* line;
  } cases[] = {{SIGTERM, "handler 6 own thread"}, {SIGHUP, "handler 2 own thread"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    PtySession pty([](int report_fd) {
      platform_install_default();
      main_thread = std::this_thread::get_id();
      handler_report_fd = report_fd;
      platform().set_ctrl_handler(record_control_event, true);
      report(report_fd, "pid " + std::to_string(getpid()));
      for (;;) {
        platform().idle_wait(1000);
      }
    });
    ASSERT_TRUE(pty.wait_until([&] { return !pty.lines().empty(); }));
    pid_t pid = -1;
    std::sscanf(pty.lines().front().c_str(), "pid %d", &pid);
    kill(pid, c.signal);
    EXPECT_TRUE(pty.wait_for_line(c.line));
    const PtyReport report = pty.wait_for_report();
    EXPECT_EQ(report.how, "signaled");
    EXPECT_EQ(report.value, c.signal);
    expect_terminal_restored(pty, report);
  }
}

TEST(PosixConsole, WithInputRedirectedTheTerminalsInterruptKeyStillWorks) {
  PtyOptions options;
  options.stdin_file = "/dev/null";
  PtySession pty(
      [](int) {
        platform_install_default();
        if (platform().get_console_mode(platform().get_std_handle(StdStream::input), mode_out)) {
          std::exit(3); // input that is not a terminal is not a console
        }
        write_text(0, 0, "HELLO");
        for (;;) {
          platform().idle_wait(1000);
        }
      },
      options);
  ASSERT_TRUE(pty.wait_for_text(1, "HELLO"));
  pty.type("x\x03");
  const PtyReport report = pty.wait_for_report();
  EXPECT_EQ(report.how, "signaled");
  EXPECT_EQ(report.value, SIGINT);
  expect_terminal_restored(pty, report);
  EXPECT_EQ(pty.row(1), "HELLO") << "typed keys are not echoed over the picture";
}

TEST(PosixConsole, OutputToAFileGetsTheBytesAndNoEscapeSequence) {
  char path[] = "/tmp/posix_console_outXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  PtyOptions options;
  options.stdout_file = path;
  PtySession pty(
      [](int) {
        platform_install_default();
        ConsolePlatform& p = platform();
        const ConsoleHandle output = p.get_std_handle(StdStream::output);
        ConsoleBufferInfo info{};
        if (p.get_screen_buffer_info(output, info)) {
          std::exit(3); // output that is not a terminal is not a console
        }
        std::uint32_t written = 0;
        p.write_file(output, "abc\r\n\a", 6, written);
        p.set_cursor_position(output, {3, 3});
        p.beep(1000, 1);
        std::uint32_t count = 0;
        InputRecord record;
        p.peek_input(p.get_std_handle(StdStream::input), &record, 1, count);
        std::exit(written == 6 ? 0 : 4);
      },
      options);
  const PtyReport report = pty.wait_for_report();
  EXPECT_EQ(report.how, "exited");
  EXPECT_EQ(report.value, 0);
  EXPECT_TRUE(report.same_modes);
  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  EXPECT_EQ(contents.str(), "abc\r\n\a");
  EXPECT_EQ(pty.output().find('\x1b'), std::string::npos) << "nothing sent to the terminal";
  std::remove(path);
}

} // namespace
