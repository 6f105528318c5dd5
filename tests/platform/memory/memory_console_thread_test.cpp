// The in-memory console's control events and wake-ups, which come from other threads.
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/memory/memory_console.h"

namespace {

// What the handlers saw; written on the handler thread, read after it is joined.
std::string calls;
std::thread::id handler_thread;

bool refusing_handler(std::uint32_t type) {
  calls += "refusing " + std::to_string(type) + ";";
  handler_thread = std::this_thread::get_id();
  return false;
}

bool closing_handler(std::uint32_t type) {
  calls += "closing " + std::to_string(type) + ";";
  handler_thread = std::this_thread::get_id();
  return type == CONTROL_CLOSE;
}

TEST(MemoryConsoleThreads, ControlEventsRunTheNewestHandlerFirstOnAThreadOfTheirOwn) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string calls;
  };
  const Case cases[] = {
      {"handled by the newest", CONTROL_CLOSE, "closing 2;"},
      {"refused by every handler", CONTROL_C, "closing 0;refusing 0;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(80, 25);
    ASSERT_TRUE(console.set_ctrl_handler(refusing_handler, true));
    ASSERT_TRUE(console.set_ctrl_handler(closing_handler, true));
    calls.clear();
    handler_thread = std::this_thread::get_id();
    console.raise_control_event(c.type);
    EXPECT_EQ(calls, c.calls);
    EXPECT_NE(handler_thread, std::this_thread::get_id());
  }
}

TEST(MemoryConsoleThreads, RemovedHandlersAreNoLongerCalled) {
  MemoryConsole console(80, 25);
  ASSERT_TRUE(console.set_ctrl_handler(refusing_handler, true));
  ASSERT_TRUE(console.set_ctrl_handler(closing_handler, true));
  ASSERT_TRUE(console.set_ctrl_handler(closing_handler, false));
  EXPECT_FALSE(console.set_ctrl_handler(closing_handler, false)); // not registered now
  EXPECT_FALSE(console.set_ctrl_handler(nullptr, true));
  calls.clear();
  console.raise_control_event(CONTROL_LOGOFF);
  EXPECT_EQ(calls, "refusing 5;");

  ASSERT_TRUE(console.set_ctrl_handler(refusing_handler, false));
  calls.clear();
  console.raise_control_event(CONTROL_CLOSE);
  EXPECT_EQ(calls, "");
}

TEST(MemoryConsoleThreads, AWakeFromAnotherThreadEndsTheNextIdleWait) {
  MemoryConsole console(80, 25);
  std::atomic<int> starvations = 0;
  console.set_starvation_handler([&starvations] { ++starvations; });
  std::thread waker([&console] { console.idle_wake(); });
  waker.join();
  console.idle_wait(500);
  EXPECT_EQ(console.clock_ms(), 0u);
  EXPECT_EQ(starvations, 0);
}

} // namespace
