// The seconds timer over the platform's performance counter or tick count.
#pragma once

#include <cstdint>

constexpr int TIMER_UNKNOWN = 0;
constexpr int TIMER_TICKS = 1;
constexpr int TIMER_PERF = 2;

struct TimerState {
  int timer_source;   // TIMER_UNKNOWN until the first reading decides
  double timer_scale; // seconds per performance-counter tick
};

extern TimerState timer_state;

// Seconds from the origin of the clock in use.
double timer_seconds();

// For tests: back to TIMER_UNKNOWN.
void timer_reset();
