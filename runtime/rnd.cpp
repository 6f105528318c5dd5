#include "runtime/rnd.h"

#include <bit>
#include <climits>
#include <cstdlib>

#include "runtime/rt_context.h"
#include "runtime/timer.h"

RandomGenerator rnd_state{RND_NONE, RND_LCG_START, 0.0, {}, RND_MT_UNSEEDED};

namespace {

constexpr double SCALE_15 = 0x1p-15;
constexpr double SCALE_24 = 0x1p-24;
constexpr double SCALE_32 = 0x1p-32;

// Truncation toward zero as the processor's conversion does it: a value outside the
// target's range, or a NaN, gives the most negative value of that range.
std::int32_t truncate_to_int32(double seed) {
  if (seed > -2147483649.0 && seed < 2147483648.0) {
    return static_cast<std::int32_t>(seed);
  }
  return INT32_MIN;
}

std::int64_t truncate_to_int64(double seed) {
  if (seed >= -0x1p63 && seed < 0x1p63) {
    return static_cast<std::int64_t>(seed);
  }
  return INT64_MIN;
}

std::uint32_t low_32_bits(std::int64_t value) {
  return static_cast<std::uint32_t>(value);
}

RndAlgorithm algorithm_for_dialect(std::int32_t dialect) {
  if (dialect == 1 || dialect == 2) {
    return RND_CRT;
  }
  if (dialect == 3) {
    return RND_LCG24;
  }
  return RND_MT19937;
}

// Any number that names no algorithm selects the Mersenne Twister.
RndAlgorithm algorithm_for_number(std::int32_t algorithm) {
  switch (algorithm) {
  case RND_CRT:
  case RND_LCG32:
  case RND_LCG24:
    return static_cast<RndAlgorithm>(algorithm);
  default:
    return RND_MT19937;
  }
}

// --- RND_CRT -----------------------------------------------------------------

// The sequence is the C library's own. Where rand() has a wider range than 0 to 32767
// each value is scaled down to its top 15 bits: still one rand() per value, so no value
// of the library's sequence is skipped, and where RAND_MAX is 32767 the values pass
// unchanged.
std::int64_t crt_rand_15() {
  const std::int64_t value = std::rand();
  return value * 32768 / (std::int64_t{RAND_MAX} + 1);
}

void crt_seed(double seed) {
  std::srand(static_cast<unsigned>(truncate_to_int32(seed)));
  // The first value after seeding is thrown away.
  std::rand();
}

double crt_next(float n) {
  if (n == 0) {
    return rnd_state.last_value;
  }
  return static_cast<double>(crt_rand_15()) * SCALE_15;
}

// --- RND_LCG32 ---------------------------------------------------------------

double lcg32_next(float n) {
  if (n != 0) {
    rnd_state.lcg_state = rnd_state.lcg_state * 1664525u + 1013904223u;
  }
  return static_cast<double>(rnd_state.lcg_state) * SCALE_32;
}

// --- RND_LCG24 ---------------------------------------------------------------

// Only the top 32 bits of the seed count (sign, exponent and the top 20 fraction
// bits), and the low byte of the previous state is carried over.
void lcg24_seed(double seed) {
  const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(seed) >> 32);
  rnd_state.lcg_state = (((high ^ (high >> 16)) & 0xFFFFu) << 8) | (rnd_state.lcg_state & 0xFFu);
}

void lcg24_step() {
  // The product may wrap at 2^32; the mask keeps the residue modulo 2^24 exact.
  rnd_state.lcg_state = (rnd_state.lcg_state * 16598013u + 12820163u) & 0xFFFFFFu;
}

double lcg24_next(float n) {
  if (n < 0) {
    // No mask after the addition: the step that follows reduces the state.
    const auto bits = std::bit_cast<std::uint32_t>(n);
    rnd_state.lcg_state = (bits & 0xFFFFFFu) + (bits >> 24);
  }
  if (n != 0) {
    lcg24_step();
  }
  return static_cast<double>(rnd_state.lcg_state) * SCALE_24;
}

// --- RND_MT19937 -------------------------------------------------------------

constexpr int MT_MIDDLE = 397;
constexpr std::uint32_t MT_MATRIX = 0x9908B0DFu;
constexpr std::uint32_t MT_UPPER = 0x80000000u;
constexpr std::uint32_t MT_LOWER = 0x7FFFFFFFu;
constexpr double MT_DEFAULT_SEED = 327680.0;

// The words are filled by a plain linear congruential recurrence, not by the usual
// initialisation of the twister; only the twister's own recurrence is the standard one.
void mt_seed(double seed) {
  std::uint32_t* words = rnd_state.mt_words;
  words[0] = low_32_bits(truncate_to_int64(seed));
  for (int i = 1; i < RND_MT_WORDS; ++i) {
    words[i] = words[i - 1] * 1664525u + 1013904223u;
  }
  rnd_state.mt_next = RND_MT_WORDS;
}

void mt_regenerate() {
  std::uint32_t* words = rnd_state.mt_words;
  for (int i = 0; i < RND_MT_WORDS; ++i) {
    const std::uint32_t y = (words[i] & MT_UPPER) | (words[(i + 1) % RND_MT_WORDS] & MT_LOWER);
    std::uint32_t next = words[(i + MT_MIDDLE) % RND_MT_WORDS] ^ (y >> 1);
    if ((y & 1u) != 0) {
      next ^= MT_MATRIX;
    }
    words[i] = next;
  }
  rnd_state.mt_next = 0;
}

double mt_next(float n) {
  if (n == 0) {
    return rnd_state.last_value;
  }
  if (rnd_state.mt_next < 0 || rnd_state.mt_next > RND_MT_WORDS) {
    mt_seed(MT_DEFAULT_SEED);
  }
  if (rnd_state.mt_next == RND_MT_WORDS) {
    mt_regenerate();
  }
  std::uint32_t y = rnd_state.mt_words[rnd_state.mt_next++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return static_cast<double>(y) * SCALE_32;
}

// --- Selection ----------------------------------------------------------------

// The first draw without a seeding picks the dialect's generator in its start state.
void rnd_select_default() {
  const std::int32_t dialect = rt_context.dialect;
  if (dialect == 1 || dialect == 2) {
    // The C library's own start state: srand is not called.
    rnd_state.generator = RND_CRT;
  } else if (dialect == 3) {
    rnd_state.generator = RND_LCG24;
    rnd_state.lcg_state = RND_LCG_START;
  } else {
    rnd_randomize(0.0, RND_NONE);
  }
}

} // namespace

void rnd_randomize(double seed, std::int32_t algorithm) {
  const RndAlgorithm chosen = algorithm == RND_NONE ? algorithm_for_dialect(rt_context.dialect)
                                                    : algorithm_for_number(algorithm);
  // Exactly -1 only: -1.5 and a NaN are seeds like any other.
  if (seed == -1.0) {
    seed = timer_seconds();
  }
  // Switching keeps lcg_state and last_value: the two linear generators continue from
  // each other's state.
  rnd_state.generator = chosen;
  switch (chosen) {
  case RND_CRT:
    crt_seed(seed);
    break;
  case RND_LCG32:
    rnd_state.lcg_state = low_32_bits(truncate_to_int64(seed));
    break;
  case RND_LCG24:
    lcg24_seed(seed);
    break;
  case RND_NONE: // never chosen: both choices above name an algorithm
  case RND_MT19937:
    mt_seed(seed);
    break;
  }
}

double rnd_next(float n) {
  if (rnd_state.generator == RND_NONE) {
    rnd_select_default();
  }
  double value = 0.0;
  switch (rnd_state.generator) {
  case RND_CRT:
    value = crt_next(n);
    break;
  case RND_LCG32:
    value = lcg32_next(n);
    break;
  case RND_LCG24:
    value = lcg24_next(n);
    break;
  case RND_NONE: // never left as none by the selection above
  case RND_MT19937:
    value = mt_next(n);
    break;
  }
  rnd_state.last_value = value;
  return value;
}

void rnd_reset() {
  rnd_state = RandomGenerator{RND_NONE, RND_LCG_START, 0.0, {}, RND_MT_UNSEEDED};
}
