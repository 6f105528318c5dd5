// Cursor placement with its validation, visibility and the position queries.
#include "console/console_screen.h"
#include "runtime/rt_context.h"

namespace {

// The cursor's buffer cell, (0, 0) when it cannot be read.
ConsoleCoord buffer_cursor(ConsoleHandle handle) {
  ConsoleBufferInfo info{};
  if (!platform().get_screen_buffer_info(handle, info)) {
    return ConsoleCoord{};
  }
  return info.cursor;
}

std::uint32_t pack_cursor_state(std::int32_t row, std::int32_t column, bool visible) {
  return (static_cast<std::uint32_t>(column) & 0xFF) |
         ((static_cast<std::uint32_t>(row) & 0xFF) << 8) | (visible ? CURSOR_STATE_VISIBLE : 0);
}

} // namespace

std::uint32_t console_locate(std::int32_t row, std::int32_t column, std::int32_t cursor,
                             std::int32_t /*unused1*/, std::int32_t /*unused2*/) {
  std::uint32_t state = 0;
  if (console_locate_strict(row, column, cursor, &state) != RT_OK) {
    // Stay where the cursor is, but still honour the visibility request; the strict
    // form stores error 0 first, so the bad position leaves no error behind.
    console_locate_strict(0, 0, cursor, &state);
  }
  return state;
}

std::int32_t console_locate_strict(std::int32_t row, std::int32_t column, std::int32_t cursor,
                                   std::uint32_t* state) {
  rt_set_error(RT_OK);
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t width = 0;
  console_view_rows(&first, &last);
  console_get_size(&width, nullptr);
  const bool row_bad = row != 0 && (row < first || row > last);
  const bool column_bad = column != 0 && (column < 1 || column > width);
  if (row_bad || column_bad) {
    if (state != nullptr) {
      *state = 0;
    }
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  console_init_device();
  const std::uint32_t placed = console_place_cursor(row, column, cursor);
  if (column != 0) {
    console_screen.print_column = column - 1;
  }
  if (state != nullptr) {
    *state = placed;
  }
  return RT_OK;
}

std::uint32_t console_place_cursor(std::int32_t row, std::int32_t column, std::int32_t cursor) {
  if (column <= 0) {
    column = console_current_column();
  }
  if (row <= 0) {
    row = console_current_row();
  }
  const ConsoleHandle output = console_get_handle(0);
  ConsoleCursorInfo info{};
  const bool visible = platform().get_cursor_info(output, info) && info.visible;
  const std::uint32_t state = pack_cursor_state(row, column, visible);
  console_to_buffer(&column, &row, nullptr, nullptr);
  console_set_cursor(output, row, column, cursor);
  return state;
}

void console_set_cursor(ConsoleHandle handle, std::int32_t row, std::int32_t column,
                        std::int32_t visibility) {
  if (column < 0 || row < 0) {
    const ConsoleCoord current = buffer_cursor(handle);
    if (column < 0) {
      column = current.x;
    }
    if (row < 0) {
      row = current.y;
    }
  }
  if (visibility >= 0) {
    // Only the visible flag changes; the cursor keeps the size it was read with.
    ConsoleCursorInfo info{};
    platform().get_cursor_info(console_get_handle(0), info);
    info.visible = visibility != 0;
    platform().set_cursor_info(handle, info);
  }
  // Any explicit placement settles an owed line feed.
  console_screen.pending_wrap = false;
  platform().set_cursor_position(
      handle, ConsoleCoord{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)});
}

std::int32_t console_current_row() {
  std::int32_t row = buffer_cursor(console_get_handle(0)).y;
  console_from_buffer(nullptr, &row, nullptr, nullptr);
  return row;
}

std::int32_t console_current_column() {
  std::int32_t column = buffer_cursor(console_get_handle(0)).x;
  console_from_buffer(&column, nullptr, nullptr, nullptr);
  return column;
}

void console_get_cursor(std::int32_t* column, std::int32_t* row) {
  ConsoleBufferInfo info{};
  std::int32_t x = 0;
  std::int32_t y = 0;
  if (platform().get_screen_buffer_info(console_get_handle(0), info)) {
    x = info.cursor.x;
    y = info.cursor.y;
    console_from_buffer(&x, &y, nullptr, nullptr);
  }
  if (column != nullptr) {
    *column = x;
  }
  if (row != nullptr) {
    *row = y;
  }
}
