// The key queue, the close request and key polling.
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "input/key_poll.h"
#include "input_test.h"

namespace {

using KeyQueueTest = InputTest;

TEST_F(KeyQueueTest, AFullQueueDropsItsOldestCodes) {
  for (KeyCode code = 1000; code < 1600; ++code) {
    key_queue_append(code);
  }
  std::vector<KeyCode> expected;
  for (KeyCode code = 1600 - 511; code < 1600; ++code) {
    expected.push_back(code);
  }
  EXPECT_EQ(take_all(), expected);
}

TEST_F(KeyQueueTest, TheQueueWrapsAroundItsSlots) {
  // Fill and empty it repeatedly, so head and tail pass the last slot many times.
  for (int round = 0; round < 5; ++round) {
    std::vector<KeyCode> appended;
    for (KeyCode code = 0; code < 300; ++code) {
      key_queue_append(round * 1000 + code);
      appended.push_back(round * 1000 + code);
    }
    EXPECT_EQ(take_all(), appended);
  }
}

TEST_F(KeyQueueTest, PeekLeavesTheCodeAndTakeRemovesIt) {
  EXPECT_EQ(key_queue_peek(), KEY_NONE);
  key_queue_append('a');
  key_queue_append('b');
  EXPECT_EQ(key_queue_peek(), 'a');
  EXPECT_EQ(key_queue_peek(), 'a');
  EXPECT_EQ(key_queue_take(), 'a');
  EXPECT_EQ(key_queue_take(), 'b');
  EXPECT_EQ(key_queue_take(), KEY_NONE);
}

TEST_F(KeyQueueTest, AKeyWhoseReadFailedArrivesOnceByTheNextPump) {
  console().type_text("a");
  console().fail_call(ConsoleCall::read_input);
  EXPECT_EQ(key_queue_take(), KEY_NONE); // the event is still in the console
  EXPECT_EQ(take_all(), std::vector<KeyCode>{'a'});
}

TEST_F(KeyQueueTest, ClosingTheConsoleQueuesTheCloseRequest) {
  key_queue_pump(); // the first pump registers the handler
  struct Event {
    std::uint32_t type;
    bool queues;
  };
  const Event events[] = {{CONTROL_CLOSE, true}, {CONTROL_LOGOFF, true}, {CONTROL_SHUTDOWN, true},
                          {CONTROL_C, false},    {CONTROL_BREAK, false}, {3, false}};
  for (const Event& e : events) {
    SCOPED_TRACE(e.type);
    EXPECT_EQ(console_ctrl_handler(e.type), e.queues);
    EXPECT_EQ(take_all(),
              e.queues ? std::vector<KeyCode>{KEY_CLOSE_REQUEST} : std::vector<KeyCode>{});
  }
  console().raise_control_event(CONTROL_CLOSE);
  EXPECT_EQ(key_poll_text(), std::string("\0k", 2));
}

TEST_F(KeyQueueTest, TheHandlerIsRegisteredByTheFirstPumpAndRemovedAtExit) {
  console().raise_control_event(CONTROL_CLOSE);
  EXPECT_EQ(console().call_count(ConsoleCall::set_ctrl_handler), 0u);
  EXPECT_EQ(key_poll_text(), "");
  console().raise_control_event(CONTROL_CLOSE);
  EXPECT_EQ(key_poll_text(), std::string("\0k", 2));
  key_poll_text();
  EXPECT_EQ(console().call_count(ConsoleCall::set_ctrl_handler), 1u);
  key_handler_remove();
  console().raise_control_event(CONTROL_CLOSE);
  EXPECT_EQ(key_poll_text(), "");
}

// Says on standard error when the control handler is taken away again.
class ReportingConsole : public MemoryConsole {
public:
  ReportingConsole() : MemoryConsole(80, 25) {}
  bool set_ctrl_handler(ConsoleCtrlHandler handler, bool add) override {
    if (!add && handler == console_ctrl_handler) {
      std::fputs("control handler removed\n", stderr);
    }
    return MemoryConsole::set_ctrl_handler(handler, add);
  }
};

TEST_F(KeyQueueTest, TheProcessExitRemovesTheHandler) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static ReportingConsole reporting;
        platform_install(&reporting);
        key_poll_text();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "control handler removed");
}

TEST_F(KeyQueueTest, PollingGivesTheTextFormOfAKey) {
  struct Form {
    const char* name;
    KeyCode code;
    std::string raw, text;
  };
  const Form forms[] = {
      {"a letter", 'g', "g", "g"},
      {"the byte 255 stays one byte", 255, "\xff", "\xff"},
      {"the byte 0", 0, std::string(1, '\0'), std::string(1, '\0')},
      {"Up", 0x48FF, "\xffH", std::string("\0H", 2)},
      {"Down", 0x50FF, "\xffP", std::string("\0P", 2)},
      {"Left", 0x4BFF, "\xffK", std::string("\0K", 2)},
      {"Right", 0x4DFF, "\xffM", std::string("\0M", 2)},
      {"the close request", KEY_CLOSE_REQUEST, "\xffk", std::string("\0k", 2)},
  };
  for (const Form& f : forms) {
    SCOPED_TRACE(f.name);
    key_queue_append(f.code);
    key_queue_append(f.code);
    EXPECT_EQ(key_poll_raw(), f.raw);
    EXPECT_EQ(key_poll_text(), f.text);
    EXPECT_EQ(key_poll_text(), "");
  }
}

TEST_F(KeyQueueTest, TypedKeysArriveThroughPolling) {
  EXPECT_EQ(key_hit(), 0);
  EXPECT_EQ(key_poll_text(), "");
  console().type_text("hG");
  console().press_key(ConsoleKey::up);
  EXPECT_EQ(key_hit(), 1);
  EXPECT_EQ(key_hit(), 1);
  EXPECT_EQ(key_poll_text(), "h");
  EXPECT_EQ(key_poll_text(), "G");
  EXPECT_EQ(key_poll_text(), std::string("\0H", 2));
  EXPECT_NE(std::string("\0H", 2), "H");
  EXPECT_EQ(key_hit(), 0);
}

TEST_F(KeyQueueTest, RedirectedInputGivesOneKeyPerByte) {
  console().set_input_redirected(true);
  console().feed_stdin("hg\r\nq");
  EXPECT_EQ(key_hit(), 1);
  std::vector<std::string> keys;
  for (std::string key = key_poll_text(); !key.empty(); key = key_poll_text()) {
    keys.push_back(key);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"h", "g", "\n", "q"}));
  EXPECT_TRUE(input_stdin_ended());
  EXPECT_EQ(console().call_count(ConsoleCall::peek_input), 0u);
}

} // namespace
