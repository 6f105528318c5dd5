#include <cstring>
#include <limits>

#include "input/input_statement.h"

namespace {

// White space as the C library's default locale knows it.
bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Value of a digit in bases up to 16, or 16 for any other byte.
unsigned digit_value(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<unsigned>(c - '0');
  }
  if (c >= 'a' && c <= 'f') {
    return static_cast<unsigned>(c - 'a' + 10);
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<unsigned>(c - 'A' + 10);
  }
  return 16;
}

template <typename Unsigned>
Unsigned parse_radix(const char* digits, std::size_t count, int base) {
  Unsigned value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned digit = digit_value(digits[i]);
    if (base < 2 || digit >= static_cast<unsigned>(base)) {
      break;
    }
    value = static_cast<Unsigned>(value * static_cast<Unsigned>(base) + digit);
  }
  return value;
}

// A decimal number as the C library reads one: white space, one sign, digits up to
// the first other byte. The magnitude keeps its low 64 bits (the item reader never
// hands over more than 18 characters, which fit); every read stays within length,
// so a text need not end in a zero byte.
struct Decimal {
  bool negative;
  std::uint64_t magnitude;
  bool overflow; // above the largest 32-bit unsigned value
};

Decimal parse_decimal(const char* text, std::size_t length) {
  std::size_t i = 0;
  while (i < length && is_space(text[i])) {
    ++i;
  }
  Decimal result{false, 0, false};
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    result.negative = text[i] == '-';
    ++i;
  }
  constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
  for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
    result.magnitude = result.magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (result.magnitude > limit) {
      result.overflow = true;
    }
  }
  return result;
}

// "&B", "&H" or "&O" after the leading spaces: the base, else 0.
int radix_prefix(const char* text, std::size_t length) {
  if (length < 2 || text[0] != '&') {
    return 0;
  }
  switch (text[1]) {
  case 'B':
  case 'b':
    return 2;
  case 'H':
  case 'h':
    return 16;
  case 'O':
  case 'o':
    return 8;
  default:
    return 0;
  }
}

void skip_spaces(const char*& text, std::size_t& length) {
  while (length > 0 && *text == ' ') {
    ++text;
    --length;
  }
}

} // namespace

std::int32_t input_text_to_int32(const char* text, std::size_t length) {
  skip_spaces(text, length);
  if (length == 0) {
    return 0;
  }
  if (const int base = radix_prefix(text, length); base != 0) {
    return static_cast<std::int32_t>(input_parse_radix32(text + 2, length - 2, base));
  }
  // The decimal reading of a 32-bit unsigned long: out of range gives its largest
  // value whatever the sign, in range a minus sign negates modulo 2^32.
  const Decimal decimal = parse_decimal(text, length);
  if (decimal.overflow) {
    return static_cast<std::int32_t>(std::numeric_limits<std::uint32_t>::max());
  }
  auto value = static_cast<std::uint32_t>(decimal.magnitude);
  if (decimal.negative) {
    value = 0u - value;
  }
  return static_cast<std::int32_t>(value);
}

std::int64_t input_text_to_int64(const char* text, std::size_t length) {
  skip_spaces(text, length);
  if (length == 0) {
    return 0;
  }
  if (const int base = radix_prefix(text, length); base != 0) {
    return static_cast<std::int64_t>(input_parse_radix64(text + 2, length - 2, base));
  }
  const Decimal decimal = parse_decimal(text, length);
  return static_cast<std::int64_t>(decimal.negative ? 0 - decimal.magnitude : decimal.magnitude);
}

std::uint32_t input_parse_radix32(const char* digits, std::size_t count, int base) {
  return parse_radix<std::uint32_t>(digits, count, base);
}

std::uint64_t input_parse_radix64(const char* digits, std::size_t count, int base) {
  return parse_radix<std::uint64_t>(digits, count, base);
}

std::int64_t input_decimal_to_int64(const char* text) {
  if (text == nullptr) {
    return 0;
  }
  const Decimal decimal = parse_decimal(text, std::strlen(text));
  return static_cast<std::int64_t>(decimal.negative ? 0 - decimal.magnitude : decimal.magnitude);
}
