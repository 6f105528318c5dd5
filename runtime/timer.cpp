#include "runtime/timer.h"

#include "platform/console_platform.h"

TimerState timer_state{TIMER_UNKNOWN, 0.0};

namespace {

// Decided on the first reading and never revisited, so every later reading comes from
// the same clock and differences stay meaningful.
void timer_choose_source(ConsolePlatform& clock) {
  std::int64_t frequency = 0;
  // A counter that claims a rate of zero or less is treated as absent: its scale
  // would be infinite or negative.
  if (clock.query_performance_frequency(frequency) && frequency > 0) {
    timer_state.timer_scale = 1.0 / static_cast<double>(frequency);
    timer_state.timer_source = TIMER_PERF;
  } else {
    timer_state.timer_source = TIMER_TICKS;
  }
}

} // namespace

double timer_seconds() {
  ConsolePlatform& clock = platform();
  if (timer_state.timer_source == TIMER_UNKNOWN) {
    timer_choose_source(clock);
  }
  if (timer_state.timer_source == TIMER_PERF) {
    std::int64_t count = 0;
    // Once the frequency has been read the counter does not fail; its result is not
    // looked at.
    clock.query_performance_counter(count);
    return static_cast<double>(count) * timer_state.timer_scale;
  }
  return static_cast<double>(clock.get_tick_count()) * 0.001;
}

void timer_reset() {
  timer_state = TimerState{TIMER_UNKNOWN, 0.0};
}
