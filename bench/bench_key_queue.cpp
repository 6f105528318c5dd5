// Key polling as the game's busy wait runs it: every call pumps the console and
// takes from the queue. Heap allocations per call are reported as allocs/op; the
// queue itself never allocates.
#include <benchmark/benchmark.h>

#include "alloc_count.h"
#include "console/console_screen.h"
#include "input/input_statement.h"
#include "input/key_poll.h"
#include "input/key_queue.h"
#include "platform/memory/memory_console.h"

namespace {

class InstalledConsole {
public:
  InstalledConsole() : console_(80, 25) {
    platform_install(&console_);
    console_screen_reset();
    key_reset();
    input_reset();
  }
  ~InstalledConsole() {
    platform_install(nullptr);
    console_screen_reset();
    key_reset();
    input_reset();
  }
  MemoryConsole& operator*() { return console_; }

private:
  MemoryConsole console_;
};

void report_allocations(benchmark::State& state, std::uint64_t allocations) {
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

// Nothing typed: the poll the game repeats until a key arrives.
void BM_poll_nothing_waiting(benchmark::State& state) {
  InstalledConsole console;
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(key_poll_text());
  }
  report_allocations(state, alloc_count() - before);
}

// One queued code taken as its text, as the control handler's request is.
void BM_append_then_poll(benchmark::State& state) {
  InstalledConsole console;
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    key_queue_append(KEY_CLOSE_REQUEST);
    benchmark::DoNotOptimize(key_poll_text());
  }
  report_allocations(state, alloc_count() - before);
}

// Appends to a full queue, each dropping the oldest code.
void BM_append_to_full_queue(benchmark::State& state) {
  InstalledConsole console;
  for (int i = 0; i < KEY_QUEUE_SLOTS; ++i) {
    key_queue_append('a');
  }
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    key_queue_append('a');
  }
  report_allocations(state, alloc_count() - before);
}

} // namespace

BENCHMARK(BM_poll_nothing_waiting);
BENCHMARK(BM_append_then_poll);
BENCHMARK(BM_append_to_full_queue);
