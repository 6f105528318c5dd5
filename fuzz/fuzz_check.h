// What every fuzz target shares: a failed invariant as a crash libFuzzer records,
// and a fresh runtime over an in-memory console for each input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "console/console_screen.h"
#include "input/input_statement.h"
#include "input/key_events.h"
#include "input/key_queue.h"
#include "platform/console_platform.h"
#include "platform/memory/memory_console.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

// Reports the broken invariant and aborts, so the input is saved as a crash.
#define FUZZ_CHECK(condition, ...)                                                                 \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n  ", __FILE__, __LINE__, #condition);     \
      std::fprintf(stderr, __VA_ARGS__);                                                           \
      std::fprintf(stderr, "\n");                                                                  \
      std::abort();                                                                                \
    }                                                                                              \
  } while (false)

// Installs a fresh console as the platform and puts every process-wide record back
// at its start; the console is uninstalled when the session ends.
class FuzzSession {
public:
  FuzzSession(std::int16_t width, std::int16_t height)
      : console_(std::make_unique<MemoryConsole>(width, height)) {
    reset_records();
    // Code that waits for input no script supplies would wait for ever.
    console_->set_starvation_handler([] {
      std::fprintf(stderr, "the code under test waited for input that cannot come\n");
      std::abort();
    });
    platform_install(console_.get());
    empty_key_queue();
  }
  ~FuzzSession() {
    platform_install(nullptr);
    reset_records();
  }
  FuzzSession(const FuzzSession&) = delete;
  FuzzSession& operator=(const FuzzSession&) = delete;

  MemoryConsole& console() { return *console_; }

private:
  // key_reset would also forget the control handler, whose exit handler every input
  // would then register anew; taking every code empties the queue instead, which
  // leaves its head wherever the last input left it.
  static void empty_key_queue() {
    while (key_queue_take() != KEY_NONE) {
    }
    key_composition_reset();
  }

  static void reset_records() {
    rt_reset();
    timer_reset();
    rnd_reset();
    console_screen_reset();
    input_reset();
  }

  std::unique_ptr<MemoryConsole> console_;
};
