// Bytes the terminal renderer writes for the chase game's screen work on an 80 by 25
// terminal: the first board, an ordinary turn, a scroll of the field, a repaint after
// the terminal lost its contents, and a screen whose every row changed. The argument is
// the number of gaps per barrier row (2 for the easiest game, 11 for the hardest).
// Times of the benchmarks that pause around the console work include the pauses.
#include <benchmark/benchmark.h>
#include <random>
#include <string>

#include "alloc_count.h"
#include "platform/posix/terminal_renderer.h"
#include "tests/platform/posix/game_screen.h"

namespace {

using namespace game_screen;

struct Game {
  explicit Game(int gaps_per_row)
      : gaps(gaps_per_row), random(2024), field(new_field(random, gaps)) {
    out.reserve(8192);
    restart();
  }

  // A terminal the program has just started on, then the board as set-up draws it.
  void restart() {
    console.set_cells_unknown();
    renderer.start(80, 25, {0, 24});
    draw_board(console, field, markers);
  }

  std::size_t update() {
    out.clear();
    renderer.update(console, out);
    return out.size();
  }

  void play_turn() { turn(console, markers, random() % 2 == 0 ? 1 : -1); }

  // The field moves down a row and the dog with it; the whole screen is redrawn, and
  // the dog climbs while the barrier above it has a gap at its column.
  void scroll() {
    scroll_field(field, random, gaps);
    markers.dog_row += 2;
    draw_board(console, field, markers);
    while (markers.dog_row > 3 && field[static_cast<std::size_t>((markers.dog_row - 1) / 2 - 1)]
                                       [static_cast<std::size_t>(markers.dog_column - 1)] == ' ') {
      erase_markers(console, markers);
      markers.dog_row -= 2;
      draw_markers(console, markers);
    }
    if (markers.dog_row >= 19) {
      // Keep the chase going: the dog back to the middle of the field.
      erase_markers(console, markers);
      markers.dog_row = 9;
      draw_markers(console, markers);
    }
  }

  int gaps;
  std::mt19937 random;
  Field field;
  Markers markers;
  MemoryConsole console{80, 25};
  TerminalRenderer renderer{true};
  std::string out;
};

void report(benchmark::State& state, std::size_t bytes, std::uint64_t allocations) {
  const auto updates = static_cast<double>(state.iterations());
  state.counters["bytes"] = static_cast<double>(bytes) / updates;
  state.counters["allocs"] = static_cast<double>(allocations) / updates;
}

// Runs prepare (the console work, outside the timing), then one update, per iteration;
// reports bytes and allocations per update.
template <typename Prepare>
void measure_updates(benchmark::State& state, Game& game, Prepare prepare) {
  std::size_t bytes = 0;
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepare();
    state.ResumeTiming();
    const std::uint64_t before = alloc_count();
    bytes += game.update();
    allocations += alloc_count() - before;
  }
  report(state, bytes, allocations);
}

void BM_FirstFullBoard(benchmark::State& state) {
  Game game(static_cast<int>(state.range(0)));
  measure_updates(state, game, [&] {
    game.field = new_field(game.random, game.gaps);
    game.restart();
  });
}

void BM_OrdinaryTurn(benchmark::State& state) {
  Game game(static_cast<int>(state.range(0)));
  game.update();
  measure_updates(state, game, [&] { game.play_turn(); });
}

void BM_FieldScroll(benchmark::State& state) {
  Game game(static_cast<int>(state.range(0)));
  game.update();
  measure_updates(state, game, [&] {
    game.play_turn();
    game.update();
    game.scroll();
  });
}

// The terminal lost what it showed (a resize, a suspend and resume): everything the
// program has written is painted again.
void BM_FullRepaint(benchmark::State& state) {
  Game game(static_cast<int>(state.range(0)));
  game.update();
  measure_updates(state, game, [&] {
    game.play_turn();
    game.update();
    game.renderer.invalidate();
  });
}

// Every row of the screen rewritten with new text, row by row.
void BM_EveryRowChanged(benchmark::State& state) {
  Game game(2);
  game.update();
  int frame = 0;
  measure_updates(state, game, [&] {
    ++frame;
    for (int row = 1; row <= 25; ++row) {
      std::string text(80, ' ');
      for (std::size_t x = 0; x < text.size(); ++x) {
        text[x] = static_cast<char>('!' + (x * 7 + static_cast<std::size_t>(row * 3 + frame)) % 90);
      }
      locate(game.console, row, 1);
      print(game.console, text);
    }
    locate(game.console, 22, 1);
  });
}

// Nothing changed since the last update: the cost of reading the console's window and
// comparing it with the copy, the floor under every update (no timing pauses here).
void BM_UnchangedScreen(benchmark::State& state) {
  Game game(6);
  game.update();
  std::size_t bytes = 0;
  const std::uint64_t before = alloc_count();
  for (auto _ : state) {
    bytes += game.update();
  }
  report(state, bytes, alloc_count() - before);
}

} // namespace

BENCHMARK(BM_FirstFullBoard)->Arg(2)->Arg(6)->Arg(11);
BENCHMARK(BM_OrdinaryTurn)->Arg(6);
BENCHMARK(BM_FieldScroll)->Arg(2)->Arg(6)->Arg(11);
BENCHMARK(BM_FullRepaint)->Arg(6);
BENCHMARK(BM_EveryRowChanged);
BENCHMARK(BM_UnchangedScreen);
