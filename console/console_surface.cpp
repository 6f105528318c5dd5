// Scrolling and cell writes of the output engine, bound to the console.
#include "console/console_surface.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

// write_run builds each cell as a 32-bit word: the character in the low byte, the
// attribute in the high half.
static_assert(sizeof(ConsoleCell) == 4 && offsetof(ConsoleCell, ch) == 0 &&
              offsetof(ConsoleCell, attributes) == 2);
static_assert(std::endian::native == std::endian::little);

namespace {

ConsoleCoord coord(std::int32_t x, std::int32_t y) {
  return ConsoleCoord{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
}

// Rows first to last, from the first downward, as spaces in the call's attribute.
void blank_rows(const PrintContext& context, std::int32_t first, std::int32_t last) {
  const auto width = static_cast<std::uint32_t>(context.view_right - context.view_left + 1);
  for (std::int32_t row = first; row <= last; ++row) {
    std::uint32_t written = 0;
    platform().fill_attribute(context.handle, context.attribute, width,
                              coord(context.view_left, row), written);
    platform().fill_character(context.handle, ' ', width, coord(context.view_left, row), written);
  }
}

void move_rectangle_up(const PrintContext& context, const ConsoleRect& source,
                       ConsoleCoord destination) {
  const ConsoleCell fill{' ', context.attribute};
  platform().scroll_buffer(context.handle, source, nullptr, destination, fill);
}

// The view is the whole window: first slide it down into buffer rows below it, and
// only when the buffer has none left move the whole buffer's contents up.
void scroll_screen(PrintContext& context, std::int32_t count) {
  const std::int32_t below = context.buffer_height - context.view_bottom - 1;
  if (below > 0) {
    const std::int32_t slide = std::min(count, below);
    context.view_top += slide;
    context.view_bottom += slide;
    count -= slide;
    if (count == 0) {
      // The rows taken into the view keep whatever the buffer held there.
      return;
    }
  }
  const std::int32_t height = context.buffer_height;
  if (height <= count) {
    blank_rows(context, context.view_top, context.view_bottom);
    return;
  }
  const ConsoleRect source{0, static_cast<std::int16_t>(count),
                           static_cast<std::int16_t>(context.buffer_width - 1),
                           static_cast<std::int16_t>(height - 1)};
  move_rectangle_up(context, source, coord(0, 0));
  // Rows that were neither moved nor uncovered by the move still hold old text.
  if (height - count < count) {
    blank_rows(context, height - count, height - 1);
  }
}

// The view is only part of the window: move its rows within it, nothing else.
void scroll_view(const PrintContext& context, std::int32_t count) {
  const std::int32_t rows = context.view_bottom - context.view_top + 1;
  if (rows <= count) {
    blank_rows(context, context.view_top, context.view_bottom);
    return;
  }
  const ConsoleRect source{static_cast<std::int16_t>(context.view_left),
                           static_cast<std::int16_t>(context.view_top + count),
                           static_cast<std::int16_t>(context.view_right),
                           static_cast<std::int16_t>(context.view_bottom)};
  move_rectangle_up(context, source, coord(context.view_left, context.view_top));
  if (rows - count < count) {
    blank_rows(context, context.view_top + (rows - count), context.view_bottom);
  }
}

} // namespace

void console_surface_scroll(PrintContext& context, std::int32_t count) {
  if (context.view_is_screen) {
    scroll_screen(context, count);
  } else {
    scroll_view(context, count);
  }
  context.cursor_y = context.view_bottom;
}

bool console_surface_write_run(PrintContext& context, const std::uint8_t* bytes,
                               std::size_t count) {
  // Raw stack storage: a ConsoleCell array would set all 1024 cells to their defaults
  // on every call. A row piece from the engine never exceeds its chunk, so this is one
  // write; a wider piece from a direct caller goes out in chunk-sized writes.
  alignas(ConsoleCell) std::byte storage[sizeof(ConsoleCell) * PRINT_CHUNK_MAX];
  auto* const cells = reinterpret_cast<ConsoleCell*>(storage);
  const std::uint32_t attribute_bits = std::uint32_t{context.attribute} << 16;
  std::int32_t x = context.cursor_x;
  while (count > 0) {
    const std::size_t n = std::min(count, PRINT_CHUNK_MAX);
    // Each cell is stored as one 32-bit word, which the compiler turns into wide
    // stores; field by field it is several times slower.
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t word = bytes[i] | attribute_bits;
      std::memcpy(storage + i * sizeof(ConsoleCell), &word, sizeof word);
    }
    const auto last = static_cast<std::int32_t>(x + static_cast<std::int32_t>(n) - 1);
    ConsoleRect region{static_cast<std::int16_t>(x), static_cast<std::int16_t>(context.cursor_y),
                       static_cast<std::int16_t>(last),
                       static_cast<std::int16_t>(context.cursor_y)};
    if (!platform().write_output(context.handle, cells, coord(static_cast<std::int32_t>(n), 1),
                                 coord(0, 0), region)) {
      return false;
    }
    bytes += n;
    count -= n;
    x = last + 1;
  }
  return true;
}
