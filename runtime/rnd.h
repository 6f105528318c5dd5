// Random numbers: four selectable generators, the default chosen by the dialect.
#pragma once

#include <cstdint>

enum RndAlgorithm : std::int32_t {
  RND_NONE = 0, // no algorithm selected yet (as an argument: choose by the dialect)
  RND_CRT = 1,
  RND_LCG32 = 2,
  RND_MT19937 = 3,
  RND_LCG24 = 4,
};

constexpr std::uint32_t RND_LCG_START = 327680;
constexpr int RND_MT_WORDS = 624;

struct RandomGenerator {
  RndAlgorithm generator;
  std::uint32_t lcg_state;
  double last_value;
  std::uint32_t mt_words[RND_MT_WORDS];
  std::int32_t mt_next; // 0 to 624, or RND_MT_UNSEEDED
};

constexpr std::int32_t RND_MT_UNSEEDED = -1;

extern RandomGenerator rnd_state;

// Selects an algorithm (0 = by the dialect, unknown numbers = RND_MT19937) and seeds
// it; a seed of exactly -1 means the value of timer_seconds.
void rnd_randomize(double seed, std::int32_t algorithm);

// The next value in [0, 1); n = 0 asks for the previous value again, n < 0 reseeds
// RND_LCG24 from n first.
double rnd_next(float n);

// For tests: back to the state at process start.
void rnd_reset();
