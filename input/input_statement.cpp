#include "input/input_statement.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "console/console_print.h"
#include "console/console_screen.h"
#include "console/print_items.h"
#include "input/line_editor.h"
#include "input/stdin_device.h"
#include "platform/console_platform.h"
#include "runtime/rt_context.h"

namespace {

// Where the items come from: a device entry (redirected standard input), or else
// the last line typed at the console.
struct InputReader {
  FileEntry* source;
  std::string line_text;
  std::int32_t position; // next byte of line_text
};

InputReader input_reader{};

void select_line(FileEntry* source) {
  input_reader.source = source;
  std::string().swap(input_reader.line_text);
  input_reader.position = 0;
}

// Doubles from this magnitude on round to infinity as floats (the halfway point
// between the largest float and 2^128 rounds to even, which is 2^128).
constexpr double FLOAT_OVERFLOW = 0x1.ffffffp127;

float to_float(double value) {
  if (std::fabs(value) >= FLOAT_OVERFLOW) {
    constexpr float infinity = std::numeric_limits<float>::infinity();
    return value > 0 ? infinity : -infinity;
  }
  return static_cast<float>(value);
}

} // namespace

// The prompt is taken by value: the call consumes it.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
std::int32_t input_prompt(std::string text, std::int32_t add_question, std::int32_t add_newline) {
  console_input_prepare();
  if (input_is_redirected()) {
    return input_use_file(0);
  }
  select_line(nullptr);
  // Carries out a line feed still owed by earlier output, so the prompt starts on a
  // fresh row rather than over the last cell.
  console_print(nullptr, 0, CONSOLE_PRINT_ALWAYS);
  if (!text.empty()) {
    print_string(0, text, 0);
  }
  if (add_question != 0) {
    print_cstring(0, "? ", 0);
  }
  std::optional<std::string> line = console_read_line();
  if (add_newline != 0) {
    print_newline(0, PRINT_NEWLINE);
  }
  if (!line) {
    return rt_set_error(RT_ERROR_NO_TEXT);
  }
  input_reader.line_text = std::move(*line);
  return rt_set_error(RT_OK);
}

std::int32_t input_read_float(float& destination) {
  char item[INPUT_NUMBER_MAX + 1];
  bool float_seen = false;
  const std::int32_t length = input_read_item(item, INPUT_NUMBER_MAX, 0, float_seen);
  const auto size = static_cast<std::size_t>(length);
  if (!float_seen && length <= 9) {
    destination = static_cast<float>(input_text_to_int32(item, size));
  } else if (!float_seen && (length <= 18 || item[0] == '&')) {
    destination = static_cast<float>(input_text_to_int64(item, size));
  } else {
    // A float, or a run of digits too long for an integer: converted as a floating
    // value instead of overflowing.
    destination = to_float(std::strtod(item, nullptr));
  }
  return rt_set_error(RT_OK);
}

std::int32_t input_read_string(std::string& destination) {
  char item[INPUT_TEXT_MAX + 1];
  bool float_seen = false;
  input_read_item(item, INPUT_TEXT_MAX, 1, float_seen);
  destination = item; // up to a zero byte that redirected input may have carried
  return rt_set_error(RT_OK);
}

std::int32_t input_next_char() {
  if (input_reader.source != nullptr) {
    std::uint8_t byte = 0;
    std::uint32_t count = 1;
    if (rt_file_read(input_reader.source, &byte, count) != RT_OK || count == 0) {
      return INPUT_END;
    }
    return byte;
  }
  const std::string& line = input_reader.line_text;
  if (input_reader.position < 0 || static_cast<std::size_t>(input_reader.position) >= line.size()) {
    return INPUT_END;
  }
  return static_cast<std::uint8_t>(line[static_cast<std::size_t>(input_reader.position++)]);
}

void input_unread_char(std::int32_t c) {
  if (c == INPUT_END) {
    return;
  }
  if (input_reader.source != nullptr) {
    rt_file_unread(input_reader.source, static_cast<std::uint8_t>(c));
  } else if (input_reader.position > 0) {
    --input_reader.position;
  }
}

std::int32_t input_use_file(std::int32_t file_number) {
  if (file_number < 0 || file_number > FILE_NUMBER_MAX) {
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  FileEntry* entry = rt_file_entry(file_number);
  if (entry == nullptr || !entry->open) {
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  select_line(entry);
  return rt_set_error(RT_OK);
}

bool input_is_redirected() {
  std::uint32_t mode = 0;
  return !platform().get_console_mode(console_get_handle(1), mode);
}

bool input_stdin_ended() {
  const FileEntry* console = rt_file_entry(0);
  return stdin_device_at_end() && (console == nullptr || console->putback_count == 0);
}

void input_reset() {
  select_line(nullptr);
  stdin_device_reset();
}
