#include <cstdint>
#include <gtest/gtest.h>

#include "fake_clock.h"
#include "runtime/timer.h"

namespace {

class TimerTest : public ::testing::Test {
protected:
  void SetUp() override {
    timer_reset();
    platform_install(&clock);
  }
  void TearDown() override {
    platform_install(nullptr);
    timer_reset();
  }
  FakeClock clock;
};

TEST_F(TimerTest, PerformanceCounterReadsInSeconds) {
  struct Case {
    const char* name;
    std::int64_t frequency;
    std::int64_t counter;
    double seconds;
  };
  const Case cases[] = {
      {"microsecond counter", 1'000'000, 2'500'000, 2.5},
      {"counter at its origin", 10'000'000, 0, 0.0},
      {"negative count stays signed", 1000, -1000, -1.0},
      {"count beyond 32 bits", 1024, std::int64_t{1} << 40, 1073741824.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    timer_reset();
    clock.frequency = c.frequency;
    clock.counter = c.counter;
    EXPECT_DOUBLE_EQ(timer_seconds(), c.seconds);
    EXPECT_EQ(timer_state.timer_source, TIMER_PERF);
  }
}

TEST_F(TimerTest, WithoutPerformanceCounterTicksAreMilliseconds) {
  struct Case {
    std::uint32_t ticks;
    double seconds;
  };
  const Case cases[] = {
      {0, 0.0},
      {1, 0.001},
      {123456, 123.456},
      {0xFFFFFFFFu, 4294967.295}, // unsigned: the top bit is not a sign
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticks);
    clock.ticks = c.ticks;
    EXPECT_DOUBLE_EQ(timer_seconds(), c.seconds);
    EXPECT_EQ(timer_state.timer_source, TIMER_TICKS);
  }
}

TEST_F(TimerTest, SourceIsDecidedOnceOnFirstReading) {
  clock.ticks = 5000;
  EXPECT_DOUBLE_EQ(timer_seconds(), 5.0);

  // A counter appearing later is never consulted.
  clock.frequency = 1000;
  clock.counter = 7000;
  EXPECT_DOUBLE_EQ(timer_seconds(), 5.0);
  EXPECT_EQ(clock.frequency_queries, 1);

  timer_reset();
  EXPECT_DOUBLE_EQ(timer_seconds(), 7.0);
  // And once chosen, the counter stays even if the frequency later reads as absent.
  clock.frequency = 0;
  clock.counter = 9000;
  EXPECT_DOUBLE_EQ(timer_seconds(), 9.0);
  EXPECT_EQ(clock.frequency_queries, 2);
}

TEST_F(TimerTest, CounterClaimingNegativeRateFallsBackToTicks) {
  // The backend reports success but a rate below zero: its scale would be negative.
  clock.frequency = -5;
  clock.counter = 123;
  clock.ticks = 2500;
  EXPECT_DOUBLE_EQ(timer_seconds(), 2.5);
  EXPECT_EQ(timer_state.timer_source, TIMER_TICKS);
}

} // namespace
