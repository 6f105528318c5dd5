// The console's screen model: handles, the captured screen rectangle, the view area,
// 1-based screen coordinates, cursor placement and the console device's start.
#pragma once

#include <cstdint>

#include "platform/console_platform.h"

struct ConsoleScreen {
  bool handles_ready;
  ConsoleHandle input_handle;
  ConsoleHandle output_handle;
  bool screen_ready;
  ConsoleRect screen_rect; // 0-based buffer coordinates
  std::int32_t view_top;   // 0-based screen rows; -1 until first asked for
  std::int32_t view_bottom;
  bool pending_wrap;         // a print ended in the view's last cell
  std::int32_t print_column; // logical print column of the console (0-based)
  std::int32_t print_width;
  bool device_ready;
};

extern ConsoleScreen console_screen;

// Visibility request of console_locate: leave the cursor as it is.
constexpr std::int32_t CURSOR_KEEP = -1;

// Packed cursor state: bits 0-7 column, bits 8-15 row, bit 16 visible before the call.
constexpr std::uint32_t CURSOR_STATE_VISIBLE = 0x10000;

// For tests: back to the state at process start.
void console_screen_reset();

// The standard input handle when which is nonzero, else the output handle; obtains
// both (and adds processed input to the input mode) on the first call.
ConsoleHandle console_get_handle(std::int32_t which);

void console_capture_screen();
bool console_is_screen();
// Each argument may be null.
void console_get_size(std::int32_t* width, std::int32_t* height);
void console_screen_extent(std::int32_t* left, std::int32_t* top, std::int32_t* width,
                           std::int32_t* height);
// The view area as 1-based screen rows.
void console_view_rows(std::int32_t* first, std::int32_t* last);
// Screen (1-based) to buffer (0-based) and back; any argument may be null; values are
// left unchanged when the screen rectangle is degenerate.
void console_to_buffer(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2);
void console_from_buffer(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2);

// Row and column 1-based, 0 keeps the current one; cursor: CURSOR_KEEP, 0 hide, >0
// show. An invalid position leaves the cursor in place (error number ends as 0).
// Returns the packed cursor state.
std::uint32_t console_locate(std::int32_t row, std::int32_t column, std::int32_t cursor,
                             std::int32_t unused1, std::int32_t unused2);
// As console_locate, but an invalid position stores and returns error 1 and moves
// nothing. state may be null.
std::int32_t console_locate_strict(std::int32_t row, std::int32_t column, std::int32_t cursor,
                                   std::uint32_t* state);
std::uint32_t console_place_cursor(std::int32_t row, std::int32_t column, std::int32_t cursor);
// Buffer coordinates; negative keeps the current one; visibility < 0 keeps it.
void console_set_cursor(ConsoleHandle handle, std::int32_t row, std::int32_t column,
                        std::int32_t visibility);
std::int32_t console_current_row();
std::int32_t console_current_column();
// Each argument may be null; (0, 0) when the cursor cannot be read.
void console_get_cursor(std::int32_t* column, std::int32_t* row);
// The current text attribute, 7 when it cannot be read.
std::uint16_t console_attribute(ConsoleHandle handle);
void console_init_device();
