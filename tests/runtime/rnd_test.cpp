#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "fake_clock.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

class RndTest : public ::testing::Test {
protected:
  void SetUp() override {
    reset_all();
    platform_install(&clock);
    use_dialect(3);
  }
  void TearDown() override {
    platform_install(nullptr);
    reset_all();
  }
  static void reset_all() {
    rt_reset();
    timer_reset();
    rnd_reset();
  }
  static void use_dialect(std::int32_t dialect) { rt_init(0, nullptr, dialect); }
  FakeClock clock;
};

// The words the seeding fills: the low 32 bits of the seed, then a 32-bit linear
// congruential sequence.
std::vector<std::uint32_t> filled_words(std::uint32_t first) {
  std::vector<std::uint32_t> words(RND_MT_WORDS);
  words[0] = first;
  for (int i = 1; i < RND_MT_WORDS; ++i) {
    words[i] = static_cast<std::uint32_t>((std::uint64_t{words[i - 1]} * 1664525u + 1013904223u) %
                                          0x100000000u);
  }
  return words;
}

// The library's twister started from the same 624 words. Its text form is the words;
// libstdc++ also reads its position after them, where 624 means "regenerate first".
std::mt19937 library_twister(const std::vector<std::uint32_t>& words) {
  std::stringstream text;
  for (std::uint32_t word : words) {
    text << word << ' ';
  }
  text << RND_MT_WORDS;
  std::mt19937 twister;
  text >> twister;
  return twister;
}

// rand()'s value in 0 to 32767: its top 15 bits.
double crt_expected(int value) {
  const int top_bits = value / (RAND_MAX / 32768 + 1);
  return top_bits / 32768.0;
}

TEST_F(RndTest, Lcg24FromStartState) {
  struct Case {
    const char* name;
    float n;
    std::uint32_t state; // after the call
    double value;
  };
  const Case cases[] = {
      {"n = 1 steps once", 1.0f, 11837123, 0.7055475115776062},
      {"n = 0 gives the start state without a step", 0.0f, 327680, 0.01953125},
      {"n = -0 is zero", -0.0f, 327680, 0.01953125},
      {"a NaN asks for the next value", std::numeric_limits<float>::quiet_NaN(), 11837123,
       0.7055475115776062},
      {"any positive n steps", 0.25f, 11837123, 0.7055475115776062},
      {"n = -1 reseeds from 0xBF800000, then steps", -1.0f, 3758214, 0.2240070104598999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rnd_reset();
    EXPECT_EQ(rnd_next(c.n), c.value);
    EXPECT_EQ(rnd_state.generator, RND_LCG24);
    EXPECT_EQ(rnd_state.lcg_state, c.state);
    EXPECT_EQ(rnd_state.last_value, c.value);
  }
}

TEST_F(RndTest, Lcg24SeededWithHundred) {
  rnd_randomize(100.0, RND_LCG24);
  EXPECT_EQ(rnd_state.lcg_state, 4217088u);
  EXPECT_EQ(rnd_next(1.0f), 0.6506921648979187);
  EXPECT_EQ(rnd_state.lcg_state, 10916803u);
}

TEST_F(RndTest, NegativeArgumentGivesTheSameValueWhateverTheState) {
  const double first = rnd_next(-2.5f);
  for (double seed : {100.0, 12345.678, -7.0}) {
    SCOPED_TRACE(seed);
    rnd_randomize(seed, RND_LCG24);
    rnd_next(1.0f);
    EXPECT_EQ(rnd_next(-1.0f), 0.2240070104598999);
    EXPECT_EQ(rnd_next(-1.0f), 0.2240070104598999);
    EXPECT_EQ(rnd_next(-2.5f), first);
  }
  // -2.5 is 0xC0200000: state 0x200000 + 0xC0 before its step.
  EXPECT_EQ(first, ((0x2000C0u * 16598013u + 12820163u) & 0xFFFFFFu) / 16777216.0);
}

TEST_F(RndTest, Lcg24SeedingUsesTopHalfAndCarriesLowByte) {
  struct Case {
    const char* name;
    double seed;
    std::uint32_t previous;
    std::uint32_t state;
  };
  const Case cases[] = {
      {"100.0 from a clear low byte", 100.0, 0, 0x405900},
      {"low 32 bits of the seed ignored", std::bit_cast<double>(0x4059000012345678ull), 0,
       0x405900},
      {"low byte carried over", 100.0, 11837123 /* 0xB49FC3 */, 0x4059C3},
      {"only the low byte of a 32-bit state kept", 100.0, 0xFFFFFFFFu, 0x4059FF},
      {"negative seed: h = 0xBFF80000", -1.5, 0, 0xBFF800},
      {"NaN seed: h = 0x7FF80000", NaN, 0, 0x7FF800},
      {"zero seed", 0.0, 0x12, 0x000012},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rnd_state.lcg_state = c.previous;
    rnd_randomize(c.seed, RND_LCG24);
    EXPECT_EQ(rnd_state.lcg_state, c.state);
    // Seeding again with the same seed changes nothing: the low byte comes from it.
    rnd_randomize(c.seed, RND_LCG24);
    EXPECT_EQ(rnd_state.lcg_state, c.state);
  }
}

TEST_F(RndTest, AlgorithmNumbers) {
  struct Case {
    std::int32_t algorithm;
    RndAlgorithm generator;
  };
  const Case cases[] = {
      {0, RND_LCG24}, // by the dialect, 3 here
      {1, RND_CRT},     {2, RND_LCG32},    {3, RND_MT19937},    {4, RND_LCG24},
      {5, RND_MT19937}, {-2, RND_MT19937}, {1000, RND_MT19937},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.algorithm);
    rnd_reset();
    rnd_randomize(42.0, c.algorithm);
    EXPECT_EQ(rnd_state.generator, c.generator);
  }
}

TEST_F(RndTest, DialectChoosesTheDefaultAlgorithm) {
  struct Case {
    std::int32_t dialect;
    RndAlgorithm generator;
  };
  const Case cases[] = {
      {-1, RND_MT19937}, {0, RND_MT19937}, {1, RND_CRT},      {2, RND_CRT},
      {3, RND_LCG24},    {4, RND_MT19937}, {99, RND_MT19937},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialect);
    use_dialect(c.dialect);
    rnd_reset();
    rnd_randomize(42.0, 0);
    EXPECT_EQ(rnd_state.generator, c.generator);
    // Without a seeding, the first draw picks the same generator.
    rnd_reset();
    rnd_next(1.0f);
    EXPECT_EQ(rnd_state.generator, c.generator);
  }
}

TEST_F(RndTest, FirstDrawWithZeroArgument) {
  struct Case {
    std::int32_t dialect;
    double value;
  };
  const Case cases[] = {
      {3, 0.01953125}, // 327680 / 2^24, no step
      {1, 0.0},        {2, 0.0}, {0, 0.0}, {4, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialect);
    use_dialect(c.dialect);
    rnd_reset();
    EXPECT_EQ(rnd_next(0.0f), c.value);
  }
}

TEST_F(RndTest, OtherDialectsStartTheTwisterFromSeedZero) {
  for (std::int32_t dialect : {0, 4}) {
    SCOPED_TRACE(dialect);
    use_dialect(dialect);
    rnd_reset();
    std::mt19937 expected = library_twister(filled_words(0));
    EXPECT_EQ(rnd_next(1.0f), expected() / 4294967296.0);
    EXPECT_EQ(rnd_next(1.0f), expected() / 4294967296.0);
  }
}

TEST_F(RndTest, TwisterMatchesLibraryTwisterFromTheSameWords) {
  struct Case {
    double seed;
    std::uint32_t first_word;
  };
  const Case cases[] = {
      {0.0, 0}, {1.0, 1}, {327680.0, 327680}, {-1.5, 0xFFFFFFFFu}, {4294967297.0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    rnd_randomize(c.seed, RND_MT19937);
    const std::vector<std::uint32_t> words = filled_words(c.first_word);
    EXPECT_EQ(std::vector<std::uint32_t>(rnd_state.mt_words, rnd_state.mt_words + RND_MT_WORDS),
              words);
    EXPECT_EQ(rnd_state.mt_next, RND_MT_WORDS);
    std::mt19937 expected = library_twister(words);
    // Past two regenerations of the words.
    for (int draw = 0; draw < 2 * RND_MT_WORDS + 50; ++draw) {
      const double value = rnd_next(1.0f);
      ASSERT_EQ(value, expected() / 4294967296.0) << "draw " << draw;
    }
  }
}

TEST_F(RndTest, SeedTruncationTo64BitsForLcg32AndTwister) {
  struct Case {
    const char* name;
    double seed;
    std::uint32_t low_bits;
  };
  const Case cases[] = {
      {"toward zero", 1.9, 1},
      {"negative toward zero", -1.5, 0xFFFFFFFFu},
      {"above 32 bits keeps the low word", 0x1p40 + 3.0, 3},
      {"most negative is in range", -0x1p63, 0},
      {"2^63 is out of range", 0x1p63, 0},
      {"far out of range", 1e300, 0},
      {"minus infinity", -std::numeric_limits<double>::infinity(), 0},
      {"NaN", NaN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rnd_randomize(c.seed, RND_LCG32);
    EXPECT_EQ(rnd_state.lcg_state, c.low_bits);
    rnd_randomize(c.seed, RND_MT19937);
    EXPECT_EQ(rnd_state.mt_words[0], c.low_bits);
  }
}

TEST_F(RndTest, Lcg32StepsAndZeroArgumentRereadsState) {
  rnd_randomize(305419947.0 /* 0x123456AB */, RND_LCG32);
  EXPECT_EQ(rnd_next(0.0f), 0.07111112284474075);
  EXPECT_EQ(rnd_state.lcg_state, 0x123456ABu);
  EXPECT_EQ(rnd_next(-3.0f), 0.47782111493870616); // no reseed for this generator
  EXPECT_EQ(rnd_state.lcg_state, 0x7A527C0Eu);
  EXPECT_EQ(rnd_next(0.0f), 0.47782111493870616);
}

TEST_F(RndTest, SwitchingKeepsSharedStateAndLastValue) {
  rnd_randomize(305419947.0 /* 0x123456AB */, RND_LCG32);
  const double lcg32_value = rnd_next(1.0f); // state 0x7A527C0E
  // The 24-bit generator continues from the shared state: its low byte 0x0E stays.
  rnd_randomize(100.0, RND_LCG24);
  const double lcg24_value = rnd_next(0.0f);
  EXPECT_EQ(lcg24_value, 0.25135886669158936);
  EXPECT_NE(lcg24_value, lcg32_value);
  // Zero under the C library's and the twister's generators repeats the last value,
  // whichever generator gave it.
  rnd_randomize(5.0, RND_CRT);
  EXPECT_EQ(rnd_next(0.0f), lcg24_value);
  rnd_randomize(5.0, RND_MT19937);
  EXPECT_EQ(rnd_next(0.0f), lcg24_value);
  const double twister_value = rnd_next(1.0f);
  EXPECT_EQ(rnd_next(0.0f), twister_value);
}

TEST_F(RndTest, LibraryGeneratorSeedsTruncatedTo32BitsAndDiscardsOneValue) {
  struct Case {
    const char* name;
    double seed;
    unsigned library_seed;
  };
  const Case cases[] = {
      {"toward zero", 7.9, 7},
      {"negative toward zero", -7.9, static_cast<unsigned>(-7)},
      {"most negative is in range", -2147483648.9, 0x80000000u},
      {"2^31 is out of range", 2147483648.0, 0x80000000u},
      {"NaN", NaN, 0x80000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rnd_randomize(c.seed, RND_CRT);
    double drawn[5] = {};
    for (int i = 0; i < 5; ++i) {
      drawn[i] = rnd_next(i % 2 == 0 ? 1.0f : -1.0f); // n < 0 draws like n > 0
    }
    std::srand(c.library_seed);
    std::rand();
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(drawn[i], crt_expected(std::rand())) << "draw " << i;
    }
  }
}

TEST_F(RndTest, LibraryGeneratorByDialectKeepsLibraryState) {
  use_dialect(1);
  std::srand(4242);
  const int first = std::rand();
  std::srand(4242);
  EXPECT_EQ(rnd_next(1.0f), crt_expected(first));
}

TEST_F(RndTest, SeedMinusOneReadsTheTimer) {
  clock.ticks = 100000; // 100 s
  struct Case {
    const char* name;
    double seed;
    std::uint32_t state;
  };
  const Case cases[] = {
      {"exactly -1 is the timer", -1.0, 100},
      {"-1.5 is a seed", -1.5, 0xFFFFFFFFu},
      {"just below -1 is a seed", std::nextafter(-1.0, -2.0), 0xFFFFFFFFu},
      {"NaN is a seed", NaN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rnd_randomize(c.seed, RND_LCG32);
    EXPECT_EQ(rnd_state.lcg_state, c.state);
  }
  // The game's own seeding: the timer through the dialect's generator.
  rnd_state.lcg_state = RND_LCG_START;
  rnd_randomize(-1.0, 0);
  EXPECT_EQ(rnd_state.lcg_state, 4217088u);
  EXPECT_EQ(rnd_next(1.0f), 0.6506921648979187);
}

} // namespace
