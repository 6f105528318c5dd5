// Start-up and exit order, observed in a freshly started child process so that static
// initialisation and the exit handlers are the real ones.
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "runtime/rt_context.h"

namespace {

// Constructed before every static object of default priority, so it sees the state
// before the runtime's static start, and its destructor, registered before
// rt_static_exit, runs after every exit handler of the runtime.
struct AfterExitObserver {
  AfterExitObserver() : count_before_start(rt_init_count) {}
  ~AfterExitObserver() {
    if (report) {
      std::fprintf(stderr, "after exit handlers: count %d, file 5 %s, console %s\n", rt_init_count,
                   rt_file_entry(5)->open ? "open" : "closed",
                   rt_file_entry(0)->open ? "open" : "closed");
    }
  }
  std::int32_t count_before_start;
  bool report = false;
};

__attribute__((init_priority(101))) AfterExitObserver observer;

void late_handler() {
  std::fprintf(stderr, "late handler: count %d, file 5 %s\n", rt_init_count,
               rt_file_entry(5)->open ? "open" : "closed");
}

void start_then_end(bool nested_start) {
  observer.report = true;
  std::fprintf(stderr, "at main: count %d (%d before static start), rounding %s\n", rt_init_count,
               observer.count_before_start,
               std::fegetround() == FE_TONEAREST ? "nearest" : "other");
  rt_init(0, nullptr, 3);
  // Marked open so the exit step's closing can be seen; the console stays open.
  rt_file_entry(5)->open = true;
  rt_file_entry(0)->open = true;
  std::atexit(late_handler);
  if (nested_start) {
    rt_static_init();
  }
  rt_end(0);
}

TEST(RtStartExitDeathTest, HandlersRunNewestFirstAndExitStepClosesOnLastMatch) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    bool nested_start;
    const char* transcript;
  };
  const Case cases[] = {
      {"one start", false,
       "at main: count 1 \\(0 before static start\\), rounding nearest\n"
       "late handler: count 1, file 5 open\n"
       "after exit handlers: count 0, file 5 closed, console open\n"},
      {"a second start is not matched by the one exit step", true,
       "at main: count 1 \\(0 before static start\\), rounding nearest\n"
       "late handler: count 2, file 5 open\n"
       "after exit handlers: count 1, file 5 open, console open\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(start_then_end(c.nested_start), ::testing::ExitedWithCode(0), c.transcript);
  }
}

} // namespace
