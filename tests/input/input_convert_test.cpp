// The conversions of number items.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "input/input_statement.h"

namespace {

TEST(InputConvertTest, TextToInt32) {
  struct Case {
    std::string text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"5", 5},
      {"   42", 42},
      {"", 0},
      {"   ", 0},
      {"-5", -5},
      {"+5", 5},
      {"\t5", 5}, // the decimal reading skips any white space
      {"5abc", 5},
      {"0x10", 0},
      {"&Hff", 255},
      {"  &h0A", 10},
      {"&HFFFFFFFF", -1},
      {"&H123456789", 0x23456789}, // radix digits wrap
      {"&B102", 2},
      {"&O789", 7},
      {"&H", 0},
      {"&", 0},
      {"&Z5", 0},
      {"4294967295", -1},
      {"4294967296", -1}, // beyond the unsigned range it saturates
      {"99999999999999999999999", -1},
      {"-1", -1},
      {std::string("12\0"
                   "34",
                   5),
       12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(input_text_to_int32(c.text.data(), c.text.size()), c.value);
  }
}

TEST(InputConvertTest, TextToInt64) {
  struct Case {
    std::string text;
    std::int64_t value;
  };
  const Case cases[] = {
      {"12345678901", 12345678901},
      {"-123456789012", -123456789012},
      {"  999999999999999999", 999999999999999999},
      {"&HFFFFFFFFFFFFFFFF", -1},
      {"&H7FFFFFFFFFFFFFFF", INT64_MAX},
      {"&O777", 511},
      {"  &b11", 3},
      {"", 0},
      {"x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(input_text_to_int64(c.text.data(), c.text.size()), c.value);
  }
}

TEST(InputConvertTest, ConversionsReadNoFurtherThanTheirLength) {
  // No zero byte ends these texts; the bytes after the length must not count.
  const char digits[] = {'1', '2', '3'};
  EXPECT_EQ(input_text_to_int32(digits, 2), 12);
  EXPECT_EQ(input_text_to_int64(digits, 2), 12);
  const char hex[] = {'&', 'H', 'F', 'F'};
  EXPECT_EQ(input_text_to_int32(hex, 3), 15);
  EXPECT_EQ(input_text_to_int64(hex, 3), 15);
}

TEST(InputConvertTest, RadixParsers) {
  struct Case {
    const char* digits;
    std::size_t count;
    int base;
    std::uint64_t value32, value64;
  };
  const Case cases[] = {
      {"1012", 4, 2, 5, 5},
      {"778", 3, 8, 63, 63},
      {"fF1g", 4, 16, 0xFF1, 0xFF1},
      {"11", 1, 2, 1, 1},
      {"", 0, 16, 0, 0},
      {"123456789", 9, 16, 0x23456789, 0x123456789},
      {"FFFFFFFFFFFFFFFFF", 17, 16, 0xFFFFFFFF, 0xFFFFFFFFFFFFFFFF},
      {"2", 1, 2, 0, 0},
      {"9", 1, 8, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.digits << " base " << c.base);
    EXPECT_EQ(input_parse_radix32(c.digits, c.count, c.base), c.value32);
    EXPECT_EQ(input_parse_radix64(c.digits, c.count, c.base), c.value64);
  }
}

TEST(InputConvertTest, DecimalToInt64) {
  struct Case {
    const char* text;
    std::int64_t value;
  };
  const Case cases[] = {
      {"  -42x", -42},
      {"+7", 7},
      {"", 0},
      {"-", 0},
      {"\n\t 9", 9},
      {"- 5", 0},
      {"123456789012345678", 123456789012345678},
      {"-123456789012345678", -123456789012345678},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(input_decimal_to_int64(c.text), c.value);
  }
}

} // namespace
