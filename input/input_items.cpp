#include "input/input_statement.h"

namespace {

constexpr std::int32_t QUOTE = '"';

bool is_blank(std::int32_t c) {
  return c == ' ' || c == '\t';
}

// After a CR the line end is complete; an LF right after it belongs to the same end.
void finish_line_end() {
  const std::int32_t next = input_next_char();
  if (next != '\n' && next != INPUT_END) {
    input_unread_char(next);
  }
}

// From c on: skips blanks, then consumes one separator (a line end or a comma) or
// puts the character back to start the next item.
void trailing_scan(std::int32_t c) {
  while (is_blank(c)) {
    c = input_next_char();
  }
  if (c == INPUT_END || c == '\n' || c == ',') {
    return;
  }
  if (c == '\r') {
    finish_line_end();
    return;
  }
  input_unread_char(c);
}

// The item being read: its bytes, bounded by the caller's buffer, and what the
// number conversion needs to know of them.
struct Item {
  char* buffer;
  std::int32_t max;
  bool number; // a number item rather than a text item
  std::int32_t length;
  bool float_seen;
  bool radix_seen;

  // Bytes beyond the buffer are consumed and dropped, so an over-long item still
  // ends at its own separator and the next item starts after it; the flags describe
  // only the bytes kept.
  void store(std::int32_t c) {
    if (length >= max) {
      return;
    }
    if (number) {
      if (c == '&') {
        radix_seen = true;
      } else if ((c == 'D' || c == 'd') && !radix_seen) {
        c += 'E' - 'D'; // the double-precision exponent letter, in its case
        float_seen = true;
      } else if ((c == '.' || c == 'E' || c == 'e') && !radix_seen) {
        float_seen = true;
      }
    }
    buffer[length++] = static_cast<char>(c);
  }
};

} // namespace

std::int32_t input_read_item(char* buffer, std::int32_t max, std::int32_t text_mode,
                             bool& float_seen) {
  Item item{buffer, max < 0 ? 0 : max, text_mode == 0, 0, false, false};
  bool in_quotes = false;
  std::int32_t c = input_next_char();
  while (is_blank(c)) {
    c = input_next_char();
  }
  for (;; c = input_next_char()) {
    if (c == INPUT_END || c == '\n') {
      break;
    }
    if (c == '\r') {
      finish_line_end();
      break;
    }
    if (c == ',' && !in_quotes) {
      break;
    }
    if (is_blank(c) && !in_quotes && item.number) {
      trailing_scan(c);
      break;
    }
    if (c == QUOTE && in_quotes) {
      in_quotes = false;
      if (!item.number) {
        trailing_scan(input_next_char());
        break;
      }
      continue; // what follows the closing quote joins the number item
    }
    if (c == QUOTE && item.length == 0) {
      in_quotes = true;
      continue;
    }
    item.store(c);
  }
  buffer[item.length] = '\0';
  float_seen = item.float_seen;
  return item.length;
}
