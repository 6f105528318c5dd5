// The input statement's item reader and every number conversion, over lines typed at
// the console and over redirected standard input. Each item read is compared with a
// reference reader that follows the item rules over the same characters without a
// length limit (an item cut at its maximum keeps its first bytes and still ends at
// its own separator); each value with a reference conversion built on the C
// library's strtod and strtoull. Items stay within their buffers, which are exactly
// as large as the reader is told.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"
#include "input/input_statement.h"
#include "input/key_queue.h"

namespace {

constexpr std::int32_t END = INPUT_END;

// The characters an item read sees, with the one-character put-back.
struct Source {
  std::string bytes;
  std::size_t next = 0;

  std::int32_t get() {
    return next < bytes.size() ? static_cast<std::uint8_t>(bytes[next++]) : END;
  }
  void unget(std::int32_t c) {
    if (c != END && next > 0) {
      --next;
    }
  }
};

bool blank(std::int32_t c) {
  return c == ' ' || c == '\t';
}

struct RefItem {
  std::string bytes; // every byte the item rules store, however many
  bool float_seen = false;
};

// After a CR: an LF belongs to the same line end; anything else starts the next item.
void ref_line_end(Source& in) {
  const std::int32_t next = in.get();
  if (next != '\n') {
    in.unget(next);
  }
}

void ref_trailing_scan(Source& in, std::int32_t c) {
  while (blank(c)) {
    c = in.get();
  }
  if (c == END || c == '\n' || c == ',') {
    return;
  }
  if (c == '\r') {
    ref_line_end(in);
    return;
  }
  in.unget(c);
}

RefItem ref_read_item(Source& in, bool number, std::size_t max) {
  RefItem item;
  bool in_quotes = false;
  bool radix_seen = false;
  std::int32_t c = in.get();
  while (blank(c)) {
    c = in.get();
  }
  for (;; c = in.get()) {
    if (c == END || c == '\n') {
      break;
    }
    if (c == '\r') {
      ref_line_end(in);
      break;
    }
    if (c == ',' && !in_quotes) {
      break;
    }
    if (blank(c) && !in_quotes && number) {
      ref_trailing_scan(in, c);
      break;
    }
    if (c == '"' && in_quotes) {
      in_quotes = false;
      if (!number) {
        ref_trailing_scan(in, in.get());
        break;
      }
      continue;
    }
    if (c == '"' && item.bytes.empty()) {
      in_quotes = true;
      continue;
    }
    // The flags describe the bytes the buffer keeps.
    const bool kept = item.bytes.size() < max;
    if (number && kept) {
      if (c == '&') {
        radix_seen = true;
      } else if ((c == 'D' || c == 'd') && !radix_seen) {
        c = c == 'D' ? 'E' : 'e';
        item.float_seen = true;
      } else if ((c == '.' || c == 'E' || c == 'e') && !radix_seen) {
        item.float_seen = true;
      }
    }
    item.bytes.push_back(static_cast<char>(c));
  }
  if (item.bytes.size() > max) {
    item.bytes.resize(max);
  }
  return item;
}

// --- Reference conversions --------------------------------------------------------

int digit_in_base(char c, int base) {
  static constexpr char digits[] = "0123456789abcdef";
  const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
  const char* found = lower == '\0' ? nullptr : std::strchr(digits, lower);
  const int value = found == nullptr ? 16 : static_cast<int>(found - digits);
  return value < base ? value : -1;
}

template <typename Unsigned>
Unsigned ref_radix(const std::string& digits, int base) {
  Unsigned value = 0;
  for (const char c : digits) {
    const int digit = digit_in_base(c, base);
    if (digit < 0) {
      break;
    }
    value =
        static_cast<Unsigned>(value * static_cast<Unsigned>(base) + static_cast<Unsigned>(digit));
  }
  return value;
}

// "&B", "&H" or "&O": the base, else 0.
int ref_base(const std::string& text) {
  if (text.size() < 2 || text[0] != '&') {
    return 0;
  }
  switch (text[1]) {
  case 'B':
  case 'b':
    return 2;
  case 'O':
  case 'o':
    return 8;
  case 'H':
  case 'h':
    return 16;
  default:
    return 0;
  }
}

std::string without_leading_spaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

bool minus_after_space(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr && text[i] != '\0') {
    ++i;
  }
  return i < text.size() && text[i] == '-';
}

// strtoul where unsigned long has 32 bits: a magnitude beyond them gives the
// largest value, else a minus sign negates modulo 2^32.
std::int32_t ref_int32(const std::string& item) {
  const std::string text = without_leading_spaces(item);
  if (text.empty()) {
    return 0;
  }
  if (const int base = ref_base(text); base != 0) {
    return static_cast<std::int32_t>(ref_radix<std::uint32_t>(text.substr(2), base));
  }
  errno = 0;
  const unsigned long long wrapped = std::strtoull(text.c_str(), nullptr, 10);
  const bool negative = minus_after_space(text);
  const unsigned long long magnitude = negative ? 0 - wrapped : wrapped;
  if (errno == ERANGE || magnitude > 0xFFFFFFFFull) {
    return -1;
  }
  const auto value = static_cast<std::uint32_t>(magnitude);
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// The 64-bit form; false when the decimal digits do not fit 64 bits, for which
// strtoull and the reader's wrap-around differ (items never have that many).
bool ref_int64(const std::string& item, std::int64_t& value) {
  const std::string text = without_leading_spaces(item);
  if (text.empty()) {
    value = 0;
    return true;
  }
  if (const int base = ref_base(text); base != 0) {
    value = static_cast<std::int64_t>(ref_radix<std::uint64_t>(text.substr(2), base));
    return true;
  }
  errno = 0;
  value = static_cast<std::int64_t>(std::strtoull(text.c_str(), nullptr, 10));
  return errno != ERANGE;
}

float ref_float(const char* item) {
  return static_cast<float>(std::strtod(item, nullptr));
}

// The number input_read_float stores for an item.
float ref_number(const RefItem& item) {
  const std::string& bytes = item.bytes;
  if (item.float_seen) {
    return ref_float(bytes.c_str());
  }
  const std::size_t length = bytes.size();
  if (length <= 9) {
    return static_cast<float>(ref_int32(bytes));
  }
  if (length <= 18 || bytes[0] == '&') {
    std::int64_t value = 0;
    ref_int64(bytes, value);
    return static_cast<float>(value);
  }
  return ref_float(bytes.c_str());
}

bool same_float(float a, float b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// --- The harness -------------------------------------------------------------------

enum class Op {
  read_float,
  read_string,
  read_item,
  prompt,
  convert,
  kMaxValue = convert // the name ConsumeEnum looks for
};

// A line typed at the console: the editor keeps the bytes 32 to 255; Enter ends it.
std::string type_line(FuzzedDataProvider& data) {
  std::string line = data.ConsumeRandomLengthString(300);
  std::string typed;
  for (const char c : line) {
    if (static_cast<std::uint8_t>(c) >= 32) {
      typed.push_back(c);
      key_queue_append(static_cast<std::uint8_t>(c));
    }
  }
  key_queue_append('\r');
  return typed;
}

// Standard input in text mode: CR LF arrives as LF.
std::string text_mode(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
      out.push_back(bytes[i]);
    }
  }
  return out;
}

void check_conversions(const std::string& text, FuzzedDataProvider& data) {
  const std::int32_t got32 = input_text_to_int32(text.data(), text.size());
  const std::int32_t want32 = ref_int32(text);
  FUZZ_CHECK(got32 == want32, "input_text_to_int32 gave %d, the reference %d", got32, want32);
  std::int64_t want64 = 0;
  if (ref_int64(text, want64)) {
    const std::int64_t got64 = input_text_to_int64(text.data(), text.size());
    FUZZ_CHECK(got64 == want64, "input_text_to_int64 gave %lld, the reference %lld",
               static_cast<long long>(got64), static_cast<long long>(want64));
    errno = 0;
    const auto decimal = static_cast<std::int64_t>(std::strtoull(text.c_str(), nullptr, 10));
    if (errno != ERANGE) {
      const std::int64_t got = input_decimal_to_int64(text.c_str());
      FUZZ_CHECK(got == decimal, "input_decimal_to_int64 gave %lld, the reference %lld",
                 static_cast<long long>(got), static_cast<long long>(decimal));
    }
  }
  const int base = data.PickValueInArray({2, 8, 16});
  const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(0, text.size());
  const std::string digits = text.substr(0, count);
  FUZZ_CHECK(input_parse_radix32(text.data(), count, base) ==
                 ref_radix<std::uint32_t>(digits, base),
             "input_parse_radix32 in base %d differs", base);
  FUZZ_CHECK(input_parse_radix64(text.data(), count, base) ==
                 ref_radix<std::uint64_t>(digits, base),
             "input_parse_radix64 in base %d differs", base);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  FuzzSession session(80, 25);
  MemoryConsole& console = session.console();
  const bool redirected = data.ConsumeBool();
  // Items come from the last typed line, empty until a prompt; with redirected input
  // the first prompt turns the reader to standard input for good.
  Source source;
  Source redirected_input;
  if (redirected) {
    const std::string input = data.ConsumeRandomLengthString(4000);
    console.set_input_redirected(true);
    console.feed_stdin(input);
    redirected_input.bytes = text_mode(input);
  }
  bool reading_stdin = false;

  for (int steps = 0; data.remaining_bytes() > 0 && steps < 40; ++steps) {
    switch (data.ConsumeEnum<Op>()) {
    case Op::prompt:
      if (!redirected) {
        source = Source{type_line(data)};
      } else if (!reading_stdin) {
        source = redirected_input;
        reading_stdin = true;
      }
      FUZZ_CHECK(input_prompt("", 1, 1) == 0, "input_prompt failed");
      break;
    case Op::read_float: {
      const RefItem want = ref_read_item(source, true, INPUT_NUMBER_MAX);
      float got = 0;
      FUZZ_CHECK(input_read_float(got) == 0 && rt_get_error() == 0, "input_read_float failed");
      const float value = ref_number(want);
      FUZZ_CHECK(same_float(got, value), "item of %zu bytes read as %a, the reference %a",
                 want.bytes.size(), static_cast<double>(got), static_cast<double>(value));
      break;
    }
    case Op::read_string: {
      const RefItem want = ref_read_item(source, false, INPUT_TEXT_MAX);
      std::string got = "unchanged";
      FUZZ_CHECK(input_read_string(got) == 0 && rt_get_error() == 0, "input_read_string failed");
      const std::string text = want.bytes.substr(0, want.bytes.find('\0'));
      FUZZ_CHECK(got == text, "text item of %zu bytes, the reference %zu", got.size(), text.size());
      break;
    }
    case Op::read_item: {
      const std::int32_t max = data.ConsumeIntegralInRange(1, 100);
      const bool number = data.ConsumeBool();
      // Exactly max bytes and the terminating zero: a byte more is an overflow.
      auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(max) + 1);
      bool float_seen = !number;
      const std::int32_t length = input_read_item(buffer.get(), max, number ? 0 : 1, float_seen);
      const RefItem want = ref_read_item(source, number, static_cast<std::size_t>(max));
      FUZZ_CHECK(length >= 0 && length <= max, "item length %d, maximum %d", length, max);
      FUZZ_CHECK(buffer[static_cast<std::size_t>(length)] == '\0', "item not terminated");
      FUZZ_CHECK(std::string(buffer.get(), static_cast<std::size_t>(length)) == want.bytes,
                 "item of %d bytes differs from the reference's %zu", length, want.bytes.size());
      if (number) {
        FUZZ_CHECK(float_seen == want.float_seen, "float_seen %d, the reference %d", float_seen,
                   want.float_seen);
      }
      break;
    }
    case Op::convert:
      check_conversions(data.ConsumeRandomLengthString(80), data);
      break;
    }
  }
  return 0;
}
