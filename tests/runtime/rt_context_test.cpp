#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

#include "runtime/rt_context.h"

namespace {

class RtContextTest : public ::testing::Test {
protected:
  void SetUp() override { rt_reset(); }
  void TearDown() override {
    rt_reset();
    std::fesetround(FE_TONEAREST);
  }
};

bool all_zero(const void* block, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(block);
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) {
      return false;
    }
  }
  return true;
}

TEST_F(RtContextTest, ErrorNumberKeepsTheLastStored) {
  EXPECT_EQ(rt_get_error(), RT_OK);
  EXPECT_EQ(rt_set_error(RT_ERROR_NO_TEXT), RT_ERROR_NO_TEXT);
  EXPECT_EQ(rt_get_error(), RT_ERROR_NO_TEXT);
  EXPECT_EQ(rt_set_error(RT_OK), RT_OK);
  EXPECT_EQ(rt_get_error(), RT_OK);
  EXPECT_EQ(rt_set_error(-7), -7);
  EXPECT_EQ(rt_get_error(), -7);
}

TEST_F(RtContextTest, ErrorNumberLivesInItsStateBlock) {
  rt_set_error(RT_ERROR_TRANSFER);
  const auto* state = static_cast<RuntimeErrorState*>(rt_state_block(RT_BLOCK_ERROR, 1));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->error_number, RT_ERROR_TRANSFER);
}

TEST_F(RtContextTest, StateBlockCreatedOnceZeroFilled) {
  void* input = rt_state_block(RT_BLOCK_INPUT, 256);
  ASSERT_NE(input, nullptr);
  EXPECT_TRUE(all_zero(input, 256));
  std::memset(input, 0xAB, 256);

  // The size of a later request is not looked at, nor is the record cleared again.
  EXPECT_EQ(rt_state_block(RT_BLOCK_INPUT, 4), input);
  EXPECT_EQ(rt_state_block(RT_BLOCK_INPUT, 100000), input);
  EXPECT_EQ(static_cast<unsigned char*>(input)[255], 0xAB);

  void* other = rt_state_block(4, 16);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, input);
  EXPECT_TRUE(all_zero(other, 16));
}

TEST_F(RtContextTest, StateBlockIndexOutsideTableGivesNothing) {
  for (int index : {-1, RT_BLOCK_COUNT, 1000}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(rt_state_block(index, 16), nullptr);
  }
}

TEST_F(RtContextTest, ResetStartsStateBlocksAfresh) {
  std::memset(rt_state_block(RT_BLOCK_INPUT, 64), 0xFF, 64);
  rt_set_error(RT_ERROR_ARGUMENT);
  rt_reset();
  EXPECT_EQ(rt_get_error(), RT_OK);
  EXPECT_TRUE(all_zero(rt_state_block(RT_BLOCK_INPUT, 64), 64));
}

TEST_F(RtContextTest, InitRecordsArguments) {
  char program[] = "chase";
  char* argv[] = {program, nullptr};
  rt_init(1, argv, 3);
  EXPECT_EQ(rt_context.argc, 1);
  EXPECT_EQ(rt_context.argv, argv);
  EXPECT_EQ(rt_context.dialect, 3);
}

TEST_F(RtContextTest, OnlyOutermostStaticStartAndExitAct) {
  rt_context.dialect = 9;
  rt_static_init();
  EXPECT_EQ(rt_init_count, 1);
  EXPECT_EQ(rt_context.dialect, 0); // cleared on the step from 0 to 1

  rt_init(0, nullptr, 7);
  rt_file_entry(5)->open = true;
  rt_file_entry(0)->open = true;
  rt_static_init();
  EXPECT_EQ(rt_init_count, 2);
  EXPECT_EQ(rt_context.dialect, 7);

  rt_static_exit();
  EXPECT_EQ(rt_init_count, 1);
  EXPECT_TRUE(rt_file_entry(5)->open);

  rt_static_exit();
  EXPECT_EQ(rt_init_count, 0);
  EXPECT_FALSE(rt_file_entry(5)->open);
  EXPECT_TRUE(rt_file_entry(0)->open);
}

TEST_F(RtContextTest, StaticStartRoundsToNearestTiesToEven) {
  std::fesetround(FE_UPWARD);
  rt_static_init();
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);

  struct Case {
    double value;
    double rounded;
  };
  const Case cases[] = {
      {0.5, 0.0}, {1.5, 2.0}, {2.5, 2.0}, {3.5, 4.0}, {-2.5, -2.0}, {-0.5, -0.0}, {2.4999, 2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    // Read through volatile so the compiler cannot round at compile time.
    volatile double value = c.value;
    EXPECT_EQ(std::nearbyint(value), c.rounded);
    EXPECT_EQ(std::lrint(value), static_cast<long>(c.rounded));
    volatile float single = static_cast<float>(c.value);
    EXPECT_EQ(std::lrint(single), static_cast<long>(c.rounded));
  }
}

TEST_F(RtContextTest, EndExitsWithTheGivenCode) {
  for (int code : {0, 3}) {
    SCOPED_TRACE(code);
    EXPECT_EXIT(rt_end(code), ::testing::ExitedWithCode(code), "");
  }
}

} // namespace
