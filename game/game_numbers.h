// How the game turns its 32-bit float quantities into rows, columns, cell indexes
// and character codes.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Rounds to the nearest integer, ties to even (the runtime keeps the default rounding
// mode). A value beyond the 32-bit range, or a NaN, has no integer to round to and
// gives the nearest bound (0 for a NaN) instead of an undefined conversion.
inline std::int32_t game_round(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min())) {
    return std::isnan(rounded) ? 0 : std::numeric_limits<std::int32_t>::min();
  }
  if (rounded > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(rounded);
}
