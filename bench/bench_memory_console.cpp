// Scrolling the in-memory console: a whole-buffer scroll turns the ring of rows, so
// it costs the same on a tall buffer as on a window-sized one; a scroll of part of
// the buffer copies its rectangle.
#include <benchmark/benchmark.h>

#include "alloc_count.h"
#include "platform/memory/memory_console.h"

namespace {

constexpr ConsoleHandle OUT = MemoryConsole::OUTPUT_HANDLE;
constexpr ConsoleCell FILL{' ', 7};

void report_allocations(benchmark::State& state, std::uint64_t before) {
  state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(alloc_count() - before),
                                                   benchmark::Counter::kAvgIterations);
}

// Every row moves up by one, as a full view scrolls at the bottom of the buffer.
void BM_ScrollWholeBuffer(benchmark::State& state) {
  const auto height = static_cast<std::int16_t>(state.range(0));
  MemoryConsole console(80, height);
  const ConsoleRect source{0, 1, 79, static_cast<std::int16_t>(height - 1)};
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(console.scroll_buffer(OUT, source, nullptr, {0, 0}, FILL));
  }
  report_allocations(state, before);
}
BENCHMARK(BM_ScrollWholeBuffer)->Arg(25)->Arg(9001);

// A 60 by 16 rectangle inside the buffer moves up by one, as a view that is only part
// of the screen scrolls.
void BM_ScrollPartialRectangle(benchmark::State& state) {
  const auto height = static_cast<std::int16_t>(state.range(0));
  MemoryConsole console(80, height);
  const ConsoleRect source{10, 5, 69, 20};
  console.scroll_buffer(OUT, source, nullptr, {10, 4}, FILL); // sizes the scratch copy
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    benchmark::DoNotOptimize(console.scroll_buffer(OUT, source, nullptr, {10, 4}, FILL));
  }
  report_allocations(state, before);
}
BENCHMARK(BM_ScrollPartialRectangle)->Arg(25)->Arg(9001);

} // namespace
