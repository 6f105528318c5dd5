// The floating-point environment the runtime's start-up leaves on Windows, where
// long double still computes on the x87 unit beside SSE: both units round to
// nearest with every exception masked, and the x87 carries a 64-bit significand.
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include "runtime/rt_context.h"

namespace {

std::uint16_t x87_control_word() {
  std::uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

constexpr std::uint16_t X87_ROUNDING = 0x0c00;  // 00 = to nearest
constexpr std::uint16_t X87_PRECISION = 0x0300; // 11 = 64-bit significand
constexpr std::uint16_t X87_MASKS = 0x003f;
constexpr std::uint32_t SSE_ROUNDING = 0x6000; // 00 = to nearest
constexpr std::uint32_t SSE_MASKS = 0x1f80;

TEST(Win32FloatEnvironment, StartUpRoundsToNearestOnBothUnitsWithTheFullSignificand) {
  std::fesetround(FE_UPWARD); // what a library might have left behind
  rt_reset();
  rt_static_init();

  const std::uint16_t x87 = x87_control_word();
  EXPECT_EQ(x87 & X87_ROUNDING, 0);
  EXPECT_EQ(x87 & X87_PRECISION, X87_PRECISION);
  EXPECT_EQ(x87 & X87_MASKS, X87_MASKS);
  const std::uint32_t sse = _mm_getcsr();
  EXPECT_EQ(sse & SSE_ROUNDING, 0u);
  EXPECT_EQ(sse & SSE_MASKS, SSE_MASKS);

  // The same in effect: 2.5 rounds to 2 in double and in long double arithmetic.
  volatile long double half_up = 2.5L;
  EXPECT_EQ(std::nearbyint(static_cast<double>(half_up)), 2.0);
  EXPECT_EQ(std::nearbyintl(half_up), 2.0L);
  // 1 + 2^-60 exists only with a 64-bit significand.
  volatile long double tiny = 0x1p-60L;
  EXPECT_NE(1.0L + tiny, 1.0L);
  rt_reset();
}

} // namespace
