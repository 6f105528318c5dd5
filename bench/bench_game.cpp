// The chase game on the in-memory console: a scripted game of ordinary turns (time,
// platform calls and heap allocations per turn) and the full board draw that every
// scroll of the field costs.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

#include "alloc_count.h"
#include "console/console_screen.h"
#include "game/chase_game.h"
#include "game/game_flow.h"
#include "input/input_statement.h"
#include "input/key_queue.h"
#include "platform/memory/memory_console.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

namespace {

constexpr int GAME_TURNS = 10'000;
constexpr int KEY_BATCH = 200; // typed at a time: well within what the key queue holds

std::uint64_t platform_calls(const MemoryConsole& console) {
  std::uint64_t calls = 0;
  for (int call = 0; call < static_cast<int>(ConsoleCall::count_); ++call) {
    calls += console.call_count(static_cast<ConsoleCall>(call));
  }
  return calls;
}

// A game set up at difficulty 5 on a fixed clock, then given a field of barriers
// only, so that no turn scrolls or climbs and none ends the game.
class ScriptedGame {
public:
  ScriptedGame() : console_(80, 25) {
    rt_reset();
    timer_reset();
    rnd_reset();
    console_screen_reset();
    key_reset();
    input_reset();
    game_reset();
    platform_install(&console_);
    console_.set_starvation_handler([] {
      std::fputs("bench_game: the key script ran dry\n", stderr);
      std::abort();
    });
    console_.set_clock_ms(12'345'678);
    console_.type_text("5");
    console_.press_key(ConsoleKey::enter);
    game_start(0, nullptr);
    game_ask_difficulty();
    game_set_up();
    for (int i = 1; i < GRID_CELLS; ++i) {
      chase_game.grid.cell[i] = CELL_BARRIER;
    }
    game_draw_board();
    // Lazy set-up of the key reader and the console happens in the first turns.
    type_keys(KEY_BATCH);
    for (int turn = 0; turn < KEY_BATCH; ++turn) {
      game_turn();
    }
  }
  ~ScriptedGame() {
    platform_install(nullptr);
    game_reset();
  }
  ScriptedGame(const ScriptedGame&) = delete;
  ScriptedGame& operator=(const ScriptedGame&) = delete;

  // Right and left in turn: every turn moves both markers.
  void type_keys(int count) {
    for (int k = 0; k < count; ++k) {
      console_.type_text(k % 2 == 0 ? "h" : "g");
    }
  }
  MemoryConsole& console() { return console_; }

private:
  MemoryConsole console_;
};

void BM_ScriptedGameTurn(benchmark::State& state) {
  ScriptedGame game;
  std::uint64_t allocations = 0;
  std::uint64_t calls = 0;
  int turns = 0;
  for (auto _ : state) {
    if (turns % KEY_BATCH == 0) {
      state.PauseTiming();
      game.type_keys(KEY_BATCH);
      game.console().reset_call_counts();
      state.ResumeTiming();
    }
    const std::uint64_t before = alloc_count();
    game_turn();
    allocations += alloc_count() - before;
    if (++turns % KEY_BATCH == 0) {
      calls += platform_calls(game.console());
    }
  }
  state.counters["platform_calls_per_turn"] =
      static_cast<double>(calls) / static_cast<double>(turns);
  state.counters["allocations_per_turn"] =
      static_cast<double>(allocations) / static_cast<double>(turns);
}
BENCHMARK(BM_ScriptedGameTurn)->Iterations(GAME_TURNS)->Unit(benchmark::kMicrosecond);

void BM_BoardDraw(benchmark::State& state) {
  ScriptedGame game;
  std::uint64_t allocations = 0;
  game.console().reset_call_counts();
  for (auto _ : state) {
    const std::uint64_t before = alloc_count();
    game_draw_board();
    allocations += alloc_count() - before;
  }
  const auto draws = static_cast<double>(state.iterations());
  state.counters["platform_calls_per_draw"] =
      static_cast<double>(platform_calls(game.console())) / draws;
  state.counters["allocations_per_draw"] = static_cast<double>(allocations) / draws;
}
BENCHMARK(BM_BoardDraw)->Unit(benchmark::kMicrosecond);

} // namespace
