#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <thread>
#include <vector>

#include "win32_fixture.h"

namespace {

INPUT_RECORD key_record(bool down, WORD repeat, WORD virtual_key, WORD scan, unsigned char ch,
                        DWORD state) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = repeat;
  record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
  record.Event.KeyEvent.wVirtualScanCode = scan;
  record.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(ch);
  record.Event.KeyEvent.dwControlKeyState = state;
  return record;
}

INPUT_RECORD typed_record(WORD event_type) {
  INPUT_RECORD record{};
  record.EventType = event_type;
  if (event_type == WINDOW_BUFFER_SIZE_EVENT) {
    record.Event.WindowBufferSizeEvent.dwSize = COORD{100, 30};
  }
  return record;
}

class Win32InputTest : public Win32ConsoleTest {
protected:
  void queue(const INPUT_RECORD& record) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(input_, &record, 1, &written));
    ASSERT_EQ(written, 1u);
  }

  // Milliseconds one idle_wait took.
  double timed_wait(std::uint32_t timeout_ms) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    console_.idle_wait(timeout_ms);
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  }
};

TEST_F(Win32InputTest, RecordsArriveWithEveryFieldTheReaderUses) {
  struct Case {
    const char* name;
    INPUT_RECORD record;
    InputRecord expected;
  };
  const Case cases[] = {
      {"plain key down",
       key_record(true, 1, 0x41, 0x1e, 'a', 0),
       {EVENT_KEY, {true, 1, 0x41, 0x1e, 'a', 0}, {}}},
      {"character above 127 stays unsigned",
       key_record(true, 1, 0x45, 0x12, 0x82, KEYSTATE_RIGHT_ALT | KEYSTATE_LEFT_CTRL),
       {EVENT_KEY, {true, 1, 0x45, 0x12, 0x82, KEYSTATE_RIGHT_ALT | KEYSTATE_LEFT_CTRL}, {}}},
      {"extended key up with repeats",
       key_record(false, 3, VK_LEFT, 0x4b, 0, KEYSTATE_SHIFT | KEYSTATE_ENHANCED),
       {EVENT_KEY, {false, 3, VK_LEFT, 0x4b, 0, KEYSTATE_SHIFT | KEYSTATE_ENHANCED}, {}}},
      {"mouse event", typed_record(MOUSE_EVENT), {EVENT_MOUSE, {}, {}}},
      {"window size event",
       typed_record(WINDOW_BUFFER_SIZE_EVENT),
       {EVENT_WINDOW_BUFFER_SIZE, {}, {100, 30}}},
      {"focus event", typed_record(FOCUS_EVENT), {EVENT_FOCUS, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    queue(c.record);
    InputRecord got;
    std::uint32_t count = 0;
    ASSERT_TRUE(console_.read_input(input(), &got, 1, count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(got.event_type, c.expected.event_type);
    EXPECT_EQ(got.key.key_down, c.expected.key.key_down);
    EXPECT_EQ(got.key.repeat_count, c.expected.key.repeat_count);
    EXPECT_EQ(got.key.virtual_key, c.expected.key.virtual_key);
    EXPECT_EQ(got.key.virtual_scan, c.expected.key.virtual_scan);
    EXPECT_EQ(got.key.ascii_char, c.expected.key.ascii_char);
    EXPECT_EQ(got.key.control_state, c.expected.key.control_state);
    EXPECT_EQ(got.buffer_size, c.expected.buffer_size);
  }
}

TEST_F(Win32InputTest, PeekLeavesRecordsThatReadRemoves) {
  InputRecord records[4];
  std::uint32_t count = 7;
  ASSERT_TRUE(console_.peek_input(input(), records, 1, count));
  EXPECT_EQ(count, 0u);

  queue(key_record(true, 1, 0x31, 0x02, '1', 0));
  queue(key_record(true, 1, 0x32, 0x03, '2', 0));
  queue(key_record(true, 1, 0x33, 0x04, '3', 0));

  ASSERT_TRUE(console_.peek_input(input(), records, 1, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(records[0].key.ascii_char, '1');
  ASSERT_TRUE(console_.peek_input(input(), records, 4, count));
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(records[2].key.ascii_char, '3');

  ASSERT_TRUE(console_.read_input(input(), records, 2, count));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(records[1].key.ascii_char, '2');
  ASSERT_TRUE(console_.peek_input(input(), records, 4, count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(records[0].key.ascii_char, '3');
}

TEST_F(Win32InputTest, IdleWaitEndsOnInputOrWakeAndOtherwiseLastsItsTimeout) {
  EXPECT_GE(timed_wait(100), 80.0) << "nothing pending, nothing woke it";

  queue(key_record(true, 1, 0x41, 0x1e, 'a', 0));
  EXPECT_LT(timed_wait(10000), 5000.0) << "console input pending";
  FlushConsoleInputBuffer(input_);

  console_.idle_wake();
  EXPECT_LT(timed_wait(10000), 5000.0) << "woken before the wait";
  EXPECT_GE(timed_wait(100), 80.0) << "one wake ends one wait";

  std::thread waker([this] {
    Sleep(50);
    console_.idle_wake();
  });
  EXPECT_LT(timed_wait(10000), 5000.0) << "woken from another thread during the wait";
  waker.join();
}

// Handlers record the order they were asked in; the close handler takes only the
// close event, as the runtime's does.
std::string asked;

bool close_handler(std::uint32_t type) {
  asked += 'c';
  return type == CONTROL_CLOSE;
}

bool refusing_handler(std::uint32_t) {
  asked += 'r';
  return false;
}

TEST_F(Win32InputTest, ControlHandlersRunNewestFirstUntilOneTakesTheEvent) {
  asked.clear();
  ASSERT_TRUE(console_.set_ctrl_handler(close_handler, true));
  ASSERT_TRUE(console_.set_ctrl_handler(refusing_handler, true));

  EXPECT_TRUE(win32_ctrl_dispatch(CONTROL_CLOSE));
  EXPECT_EQ(asked, "rc");
  asked.clear();
  EXPECT_FALSE(win32_ctrl_dispatch(CONTROL_C)) << "Ctrl+C keeps the system's default action";
  EXPECT_EQ(asked, "rc");

  ASSERT_TRUE(console_.set_ctrl_handler(refusing_handler, false));
  EXPECT_FALSE(console_.set_ctrl_handler(refusing_handler, false)) << "no longer registered";
  asked.clear();
  EXPECT_TRUE(win32_ctrl_dispatch(CONTROL_CLOSE));
  EXPECT_EQ(asked, "c");

  ASSERT_TRUE(console_.set_ctrl_handler(close_handler, false));
  asked.clear();
  EXPECT_FALSE(win32_ctrl_dispatch(CONTROL_CLOSE));
  EXPECT_EQ(asked, "");
}

TEST_F(Win32InputTest, HandledControlEventWakesTheIdleWait) {
  ASSERT_TRUE(console_.set_ctrl_handler(close_handler, true));
  std::thread system_thread([] {
    Sleep(50);
    win32_ctrl_dispatch(CONTROL_CLOSE);
  });
  EXPECT_LT(timed_wait(10000), 5000.0);
  system_thread.join();
  ASSERT_TRUE(console_.set_ctrl_handler(close_handler, false));
}

TEST_F(Win32InputTest, HandlerChainHasABound) {
  int added = 0;
  while (added < WIN32_CTRL_HANDLER_MAX && console_.set_ctrl_handler(refusing_handler, true)) {
    ++added;
  }
  EXPECT_EQ(added, WIN32_CTRL_HANDLER_MAX);
  EXPECT_FALSE(console_.set_ctrl_handler(refusing_handler, true));
  EXPECT_FALSE(console_.set_ctrl_handler(nullptr, true));
  for (int i = 0; i < added; ++i) {
    EXPECT_TRUE(console_.set_ctrl_handler(refusing_handler, false));
  }
}

// Standard input redirected from a file, as the C library opens it: text mode, so a
// CR LF pair arrives as one LF even when the reader takes one byte at a time.
class Win32StdinTest : public ::testing::Test {
protected:
  void TearDown() override {
    if (saved_ >= 0) {
      _dup2(saved_, 0);
      _close(saved_);
      saved_ = -1;
    }
    std::remove(path_.c_str());
  }

  void redirect(const std::string& bytes) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    const int fd = _open(path_.c_str(), _O_RDONLY | _O_TEXT);
    ASSERT_GE(fd, 0);
    saved_ = _dup(0);
    ASSERT_EQ(_dup2(fd, 0), 0);
    _close(fd);
  }

  std::string read_all(std::size_t chunk) {
    std::string text;
    std::vector<char> buffer(chunk);
    for (;;) {
      const std::size_t got = console_.read_stdin(buffer.data(), chunk);
      if (got == 0) {
        return text;
      }
      text.append(buffer.data(), got);
    }
  }

  Win32Console console_;
  std::string path_ = "win32_stdin_test.txt";
  int saved_ = -1;
};

TEST_F(Win32StdinTest, TextModeTurnsCrLfIntoLf) {
  struct Case {
    const char* name;
    std::size_t chunk;
  };
  const Case cases[] = {{"whole reads", 64}, {"byte by byte", 1}, {"pairs split", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    redirect("5\r\nx\ry\n\r\n-2.5\r\n");
    EXPECT_EQ(read_all(c.chunk), "5\nx\ry\n\n-2.5\n");
    TearDown();
  }
}

TEST_F(Win32StdinTest, EndOfInputReadsAsZero) {
  redirect("");
  char byte = 0;
  EXPECT_EQ(console_.read_stdin(&byte, 1), 0u);
  EXPECT_EQ(console_.read_stdin(nullptr, 1), 0u);
}

} // namespace
