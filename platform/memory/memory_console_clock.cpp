// The in-memory console's virtual clock: sleeping, idle waits and the counters.
#include "platform/memory/memory_console.h"

// Sleep, idle_wait and get_tick_count have no failure to report, so they are counted
// but an injected failure leaves them as they are.

void MemoryConsole::sleep(std::uint32_t ms) {
  injected_failure(ConsoleCall::sleep);
  // The one thing a program sleeps for here is input; with none to come it would
  // wait for ever.
  if (!input_pending()) {
    starve();
  }
  advance_clock(ms);
}

void MemoryConsole::idle_wait(std::uint32_t timeout_ms) {
  injected_failure(ConsoleCall::idle_wait);
  if (wake_requested_.exchange(false) || input_pending()) {
    return;
  }
  starve();
  advance_clock(timeout_ms);
}

void MemoryConsole::idle_wake() {
  wake_requested_.store(true);
}

bool MemoryConsole::query_performance_frequency(std::int64_t& frequency) {
  frequency = 0;
  if (injected_failure(ConsoleCall::query_performance_frequency) || !performance_counter_) {
    return false;
  }
  frequency = PERF_FREQUENCY;
  return true;
}

bool MemoryConsole::query_performance_counter(std::int64_t& count) {
  count = 0;
  if (injected_failure(ConsoleCall::query_performance_counter) || !performance_counter_) {
    return false;
  }
  count = static_cast<std::int64_t>(clock_ms_) * (PERF_FREQUENCY / 1000);
  return true;
}

std::uint32_t MemoryConsole::get_tick_count() {
  injected_failure(ConsoleCall::get_tick_count);
  return static_cast<std::uint32_t>(clock_ms_); // wraps at 2^32 ms
}

void MemoryConsole::advance_clock(std::uint64_t ms) {
  clock_ms_ += ms;
  empty_peeks_ = 0;
}
