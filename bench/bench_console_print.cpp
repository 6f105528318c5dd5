// console_print into the in-memory console, each case next to memcpy of the same
// bytes. Heap allocations per print are reported as allocs/op.
#include <benchmark/benchmark.h>
#include <cstring>
#include <string>

#include "alloc_count.h"
#include "console/console_print.h"
#include "console/console_screen.h"
#include "platform/memory/memory_console.h"

namespace {

// 78 printable bytes and CR LF: one 80-column line.
const std::string line = std::string(78, 'x') + "\r\n";
// A long run that never reaches the bottom of an 80 by 25 window.
const std::string run(1024, 'x');

class InstalledConsole {
public:
  InstalledConsole(std::int16_t width, std::int16_t height) : console_(width, height) {
    console_.set_window(ConsoleRect{0, 0, static_cast<std::int16_t>(width - 1), 24});
    platform_install(&console_);
    console_screen_reset();
  }
  ~InstalledConsole() {
    platform_install(nullptr);
    console_screen_reset();
  }
  MemoryConsole& operator*() { return console_; }
  MemoryConsole* operator->() { return &console_; }

private:
  MemoryConsole console_;
};

void report(benchmark::State& state, std::uint64_t allocations, std::size_t bytes_per_call) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes_per_call));
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void memcpy_bytes(benchmark::State& state, const std::string& bytes) {
  char target[2048];
  for (auto _ : state) {
    benchmark::DoNotOptimize(target);
    // Bytes, not a C string: no terminator is wanted.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(target, bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_memcpy_run(benchmark::State& state) {
  memcpy_bytes(state, run);
}

void BM_print_run(benchmark::State& state) {
  InstalledConsole console(80, 25);
  console_print(run.data(), run.size(), 0); // first-call set-up stays out of the figures
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    console->set_cursor(ConsoleCoord{0, 0});
    console_print(run.data(), run.size(), 0);
  }
  report(state, alloc_count() - before, run.size());
}

void BM_memcpy_line(benchmark::State& state) {
  memcpy_bytes(state, line);
}

// Every line scrolls the whole 80 by 25 buffer up one row.
void BM_print_line_bottom_80x25(benchmark::State& state) {
  InstalledConsole console(80, 25);
  console->set_cursor(ConsoleCoord{0, 24});
  console_print(line.data(), line.size(), 0);
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    console_print(line.data(), line.size(), 0);
  }
  report(state, alloc_count() - before, line.size());
}

// Every line moves the view and the window one row down the tall buffer; before the
// window reaches the buffer's end (where the whole buffer would scroll) it is put
// back at the top, outside the timing.
void BM_print_line_bottom_80x9001(benchmark::State& state) {
  constexpr std::int16_t height = 9001;
  InstalledConsole console(80, height);
  console->set_cursor(ConsoleCoord{0, 24});
  console_print(line.data(), line.size(), 0);
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    if (console->window().bottom == height - 1) {
      state.PauseTiming();
      console->set_window(ConsoleRect{0, 0, 79, 24});
      console->set_cursor(ConsoleCoord{0, 24});
      console_capture_screen();
      state.ResumeTiming();
    }
    console_print(line.data(), line.size(), 0);
  }
  report(state, alloc_count() - before, line.size());
}

} // namespace

BENCHMARK(BM_memcpy_run);
BENCHMARK(BM_print_run);
BENCHMARK(BM_memcpy_line);
BENCHMARK(BM_print_line_bottom_80x25);
BENCHMARK(BM_print_line_bottom_80x9001);
