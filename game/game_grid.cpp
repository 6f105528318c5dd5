// Row generation: the field scrolls down one row and a fresh top row gets its gaps.
#include <cmath>

#include "game/chase_game.h"
#include "game/game_numbers.h"
#include "runtime/rnd.h"

namespace {

constexpr int ROW_CELLS = 20;
constexpr int SHIFTED_CELLS = 180; // rows 1 to 9; row 10 falls off the bottom

} // namespace

void game_new_row() {
  ChaseGame& game = chase_game;
  float* cell = game.grid.cell;

  // Descending, so that every cell is read before the copy from above overwrites it.
  for (int j = SHIFTED_CELLS; j >= 1; --j) {
    cell[j + ROW_CELLS] = cell[j];
  }
  for (int j = 1; j <= ROW_CELLS; ++j) {
    cell[j] = CELL_BARRIER;
  }

  // The bound is copied once; a fractional one gives its whole part in gaps. At most
  // 11 of the 20 cells become gaps, so a free column is always left to draw.
  const float gap_limit = game.difficulty;
  float j = 1.0f;
  while (j <= gap_limit) {
    // Floored explicitly and from the unrounded double product: a value just below 1
    // must give column 20, whatever the rounding of the other conversions.
    const float column = static_cast<float>(std::floor(rnd_next(1.0f) * 20.0) + 1.0);
    const std::int32_t c = game_round(column);
    if (cell[c] == CELL_GAP) {
      continue; // the same gap drawn twice costs one more value, not one gap fewer
    }
    cell[c] = CELL_GAP;
    j = static_cast<float>(static_cast<double>(j) + 1.0);
  }
}
