// A console without screen or keyboard whose clock the test sets: the performance
// counter (absent when frequency is 0) and the millisecond tick count.
#pragma once

#include <cstdint>

#include "platform/detached_console.h"

class FakeClock final : public DetachedConsole {
public:
  std::int64_t frequency = 0;
  std::int64_t counter = 0;
  std::uint32_t ticks = 0;
  int frequency_queries = 0;

  bool query_performance_frequency(std::int64_t& result) override {
    ++frequency_queries;
    result = frequency;
    return frequency != 0;
  }
  bool query_performance_counter(std::int64_t& result) override {
    result = counter;
    return frequency != 0;
  }
  std::uint32_t get_tick_count() override { return ticks; }
};
