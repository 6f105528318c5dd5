// The text output engine: control characters, wrapping, scrolling at the view's
// bottom, the owed line feed, and raw bytes when output is not a console.
#include "console/console_print.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "console/console_screen.h"
#include "console/console_surface.h"

namespace {

constexpr std::uint8_t BEL = 7;
constexpr std::uint8_t BS = 8;
constexpr std::uint8_t TAB = 9;
constexpr std::uint8_t LF = 10;
constexpr std::uint8_t CR = 13;
constexpr std::int32_t TAB_WIDTH = 8;

constexpr std::int32_t FALLBACK_BUFFER_WIDTH = 80;
constexpr std::int32_t FALLBACK_BUFFER_HEIGHT = 25;
constexpr std::uint16_t FALLBACK_ATTRIBUTE = 7;

// The bytes that print_interpret acts on; every other byte is a cell.
constexpr bool is_control(std::uint8_t byte) {
  return byte == BEL || byte == BS || byte == TAB || byte == LF || byte == CR;
}

struct ControlTable {
  bool entries[256];
  constexpr ControlTable() : entries{} {
    for (int byte = 0; byte < 256; ++byte) {
      entries[byte] = is_control(static_cast<std::uint8_t>(byte));
    }
  }
};
constexpr ControlTable control_table;

// Every control byte lies below 14, so eight bytes at a time are passed over when
// none of them does; a word that holds such a byte is looked at byte by byte.
constexpr std::uint64_t ONES = 0x0101010101010101;
constexpr std::uint64_t HIGHS = 0x8080808080808080;
constexpr bool has_byte_below_14(std::uint64_t word) {
  return ((word - ONES * 14) & ~word & HIGHS) != 0;
}

const std::uint8_t* find_control(const std::uint8_t* bytes, const std::uint8_t* end) {
  while (bytes != end) {
    if (end - bytes >= 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes, sizeof word);
      if (!has_byte_below_14(word)) {
        bytes += 8;
        continue;
      }
    }
    if (control_table.entries[*bytes]) {
      return bytes;
    }
    ++bytes;
  }
  return end;
}

// Spaces from a column (counted from the view's left edge) to the next tab stop: 1 to 8.
std::size_t tab_spaces(std::int32_t column) {
  const std::int32_t into_stop = ((column % TAB_WIDTH) + TAB_WIDTH) % TAB_WIDTH;
  return static_cast<std::size_t>(TAB_WIDTH - into_stop);
}

void scroll_if_below(PrintContext& context) {
  if (context.cursor_y > context.view_bottom) {
    context.scroll(context, context.cursor_y - context.view_bottom);
  }
}

// Output that is not a console gets the bytes exactly as given; a failed or stalled
// write ends the call.
void write_raw(ConsoleHandle handle, const char* text, std::size_t length) {
  while (length > 0) {
    const auto count = static_cast<std::uint32_t>(
        std::min<std::size_t>(length, std::numeric_limits<std::uint32_t>::max()));
    std::uint32_t written = 0;
    if (!platform().write_file(handle, text, count, written) || written == 0) {
      return;
    }
    written = std::min(written, count);
    text += written;
    length -= written;
  }
}

PrintContext build_context() {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  console_view_rows(&first, &last);
  console_screen_extent(&left, &top, &width, &height);

  PrintContext context{};
  context.view_left = left;
  context.view_right = left + width - 1;
  context.view_top = top + first - 1;
  context.view_bottom = top + last - 1;
  context.view_is_screen = context.view_top == top && context.view_bottom == top + height - 1;
  context.handle = console_get_handle(0);
  context.scroll = console_surface_scroll;
  context.write_run = console_surface_write_run;

  ConsoleBufferInfo info{};
  if (platform().get_screen_buffer_info(context.handle, info)) {
    context.buffer_width = info.size.x;
    context.buffer_height = info.size.y;
    context.cursor_x = info.cursor.x;
    context.cursor_y = info.cursor.y;
    context.attribute = info.attributes;
  } else {
    context.buffer_width = FALLBACK_BUFFER_WIDTH;
    context.buffer_height = FALLBACK_BUFFER_HEIGHT;
    context.cursor_x = context.view_left;
    context.cursor_y = context.view_top;
    context.attribute = FALLBACK_ATTRIBUTE;
  }
  return context;
}

// Printable bytes gathered for one print_write_wrapped, with the column the cursor
// will have once they are written.
class Chunk {
public:
  explicit Chunk(PrintContext& context) : context_(context), column_(context.cursor_x) {}

  std::int32_t column() const { return column_; }
  bool has_moved() const { return moved_; }

  void append(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      if (fill_ == PRINT_CHUNK_MAX) {
        flush();
      }
      const std::size_t n = std::min(count, PRINT_CHUNK_MAX - fill_);
      std::memcpy(bytes_ + fill_, bytes, n);
      fill_ += n;
      advance_column(n);
      bytes += n;
      count -= n;
    }
  }

  void append_spaces(std::size_t count) {
    if (fill_ + count > PRINT_CHUNK_MAX) {
      flush();
    }
    std::memset(bytes_ + fill_, ' ', count);
    fill_ += count;
    advance_column(count);
  }

  // A move: the chunk's text goes out first, then the cursor moves from where that
  // text ended. While writes succeed that is the gathered column; after a failed
  // write it keeps the cursor on the row instead of off the view.
  void to_line_start(std::int32_t rows_down) {
    flush();
    context_.cursor_x = context_.view_left;
    context_.cursor_y += rows_down;
    mark_moved();
  }

  // Backspace never erases and stops at the view's left edge.
  void step_back() {
    flush();
    if (context_.cursor_x > context_.view_left) {
      context_.cursor_x -= 1;
    }
    mark_moved();
  }

  // Writes the gathered text; false when there was none.
  bool flush() {
    if (fill_ == 0) {
      return false;
    }
    print_write_wrapped(context_, bytes_, fill_);
    fill_ = 0;
    moved_ = false;
    column_ = context_.cursor_x;
    return true;
  }

private:
  void mark_moved() {
    column_ = context_.cursor_x;
    moved_ = true;
  }

  void advance_column(std::size_t count) {
    const std::int64_t width = context_.view_right - context_.view_left + 1;
    std::int64_t column = column_ + static_cast<std::int64_t>(count);
    if (column > context_.view_right && width > 0) {
      column = context_.view_left + (column - context_.view_left) % width;
    }
    column_ = static_cast<std::int32_t>(column);
  }

  PrintContext& context_;
  std::uint8_t bytes_[PRINT_CHUNK_MAX];
  std::size_t fill_ = 0;
  std::int32_t column_;
  bool moved_ = false;
};

} // namespace

void console_beep() {
  platform().beep(1000, 250);
}

void console_print(const char* text, std::size_t length, std::uint32_t flags) {
  if (length == 0 && (flags & CONSOLE_PRINT_ALWAYS) == 0) {
    return;
  }
  if (!console_is_screen()) {
    // A window one row high (or a buffer one column wide) at the last capture may have
    // grown since, as a terminal resized back does: without a fresh look the console
    // would stay a byte stream for good.
    console_capture_screen();
  }
  if (!console_is_screen()) {
    write_raw(console_get_handle(0), text, length);
    return;
  }
  PrintContext context = build_context();
  // While the view is the whole window its top is the window's top.
  const std::int32_t view_top_at_start = context.view_top;

  if (console_screen.pending_wrap) {
    // The line feed owed by the previous print that filled the view's last cell.
    console_screen.pending_wrap = false;
    context.cursor_x = context.view_left;
    context.cursor_y += 1;
    scroll_if_below(context);
  }

  print_interpret(context, reinterpret_cast<const std::uint8_t*>(text), length);

  if (context.cursor_x == context.view_left && context.cursor_y == context.view_bottom + 1) {
    // Text ended in the view's last cell: keep the cursor there and owe the line feed,
    // so a full bottom row does not scroll until more output comes.
    context.cursor_x = context.view_right;
    context.cursor_y = context.view_bottom;
    console_screen.pending_wrap = true;
  } else {
    scroll_if_below(context);
  }

  platform().set_cursor_position(context.handle,
                                 ConsoleCoord{static_cast<std::int16_t>(context.cursor_x),
                                              static_cast<std::int16_t>(context.cursor_y)});
  if (context.view_is_screen && context.view_top != view_top_at_start) {
    // The view slid down a taller buffer: the window follows it.
    const ConsoleRect window{static_cast<std::int16_t>(context.view_left),
                             static_cast<std::int16_t>(context.view_top),
                             static_cast<std::int16_t>(context.view_right),
                             static_cast<std::int16_t>(context.view_bottom)};
    platform().set_window_info(context.handle, true, window);
  }
  console_capture_screen();
}

void print_interpret(PrintContext& context, const std::uint8_t* bytes, std::size_t length) {
  Chunk chunk(context);
  const std::uint8_t* const end = bytes + length;
  while (bytes != end) {
    // Printable runs are copied whole; only the control bytes are acted on one by one.
    const std::uint8_t* run = find_control(bytes, end);
    chunk.append(bytes, static_cast<std::size_t>(run - bytes));
    bytes = run;
    if (bytes == end) {
      break;
    }
    switch (*bytes++) {
    case BEL:
      // Sounds at once, ahead of text still waiting in the chunk.
      console_beep();
      break;
    case BS:
      chunk.step_back();
      break;
    case TAB:
      chunk.append_spaces(tab_spaces(chunk.column() - context.view_left));
      break;
    case LF:
      chunk.to_line_start(1);
      break;
    case CR:
      chunk.to_line_start(0);
      break;
    }
  }
  // Line feeds that ran below the view scroll once, by their number.
  if (!chunk.flush() && chunk.has_moved()) {
    scroll_if_below(context);
  }
}

void print_write_wrapped(PrintContext& context, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    if (context.cursor_x > context.view_right) {
      // Only a buffer widened since the last capture puts the cursor here.
      context.cursor_x = context.view_left;
      context.cursor_y += 1;
    }
    const std::size_t room = static_cast<std::size_t>(context.view_right - context.cursor_x) + 1;
    const std::size_t piece = std::min(count, room);
    scroll_if_below(context);
    if (!context.write_run(context, bytes, piece)) {
      return;
    }
    bytes += piece;
    count -= piece;
    context.cursor_x += static_cast<std::int32_t>(piece);
    if (context.cursor_x == context.view_right + 1) {
      // The wrap does not scroll yet: the next piece or the end of the print decides.
      context.cursor_x = context.view_left;
      context.cursor_y += 1;
    }
  }
}
