// The screen model: the standard handles, the captured screen rectangle, the view
// area, 1-based coordinates and the one-time start of the console device.
#include "console/console_screen.h"

#include <initializer_list>

#include "runtime/rt_files.h"

namespace {

constexpr std::int32_t FALLBACK_WIDTH = 80;
constexpr std::int32_t FALLBACK_HEIGHT = 25;
constexpr std::uint16_t FALLBACK_ATTRIBUTE = 7;

constexpr ConsoleScreen initial_screen() {
  ConsoleScreen screen{};
  screen.view_top = -1;
  screen.view_bottom = -1;
  return screen;
}

void ensure_screen() {
  if (!console_screen.screen_ready) {
    console_capture_screen();
  }
}

bool degenerate(const ConsoleRect& rect) {
  return rect.left == rect.right || rect.top == rect.bottom;
}

} // namespace

ConsoleScreen console_screen = initial_screen();

void console_screen_reset() {
  console_screen = initial_screen();
}

ConsoleHandle console_get_handle(std::int32_t which) {
  if (!console_screen.handles_ready) {
    console_screen.handles_ready = true;
    console_screen.input_handle = platform().get_std_handle(StdStream::input);
    console_screen.output_handle = platform().get_std_handle(StdStream::output);
    // Ctrl+C and Ctrl+Break stay with the system, never arrive as keys.
    std::uint32_t mode = 0;
    if (console_screen.input_handle != 0 &&
        platform().get_console_mode(console_screen.input_handle, mode)) {
      platform().set_console_mode(console_screen.input_handle, mode | MODE_PROCESSED_INPUT);
    }
  }
  return which != 0 ? console_screen.input_handle : console_screen.output_handle;
}

void console_capture_screen() {
  ConsoleBufferInfo info{};
  ConsoleRect rect{};
  if (platform().get_screen_buffer_info(console_get_handle(0), info)) {
    // Every column of the buffer, but only the rows the window shows.
    rect.left = 0;
    rect.top = info.window.top;
    rect.right = static_cast<std::int16_t>(info.size.x - 1);
    rect.bottom = info.window.bottom;
  }
  console_screen.screen_rect = rect;
  console_screen.screen_ready = true;
}

bool console_is_screen() {
  ensure_screen();
  return !degenerate(console_screen.screen_rect);
}

void console_get_size(std::int32_t* width, std::int32_t* height) {
  ensure_screen();
  const ConsoleRect& rect = console_screen.screen_rect;
  const bool fallback = degenerate(rect);
  if (width != nullptr) {
    *width = fallback ? FALLBACK_WIDTH : rect.right - rect.left + 1;
  }
  if (height != nullptr) {
    *height = fallback ? FALLBACK_HEIGHT : rect.bottom - rect.top + 1;
  }
}

void console_screen_extent(std::int32_t* left, std::int32_t* top, std::int32_t* width,
                           std::int32_t* height) {
  ensure_screen();
  const ConsoleRect& rect = console_screen.screen_rect;
  const bool fallback = degenerate(rect);
  if (left != nullptr) {
    *left = fallback ? 0 : rect.left;
  }
  if (top != nullptr) {
    *top = fallback ? 0 : rect.top;
  }
  if (width != nullptr) {
    *width = fallback ? 0 : rect.right - rect.left + 1;
  }
  if (height != nullptr) {
    *height = fallback ? 0 : rect.bottom - rect.top + 1;
  }
}

void console_view_rows(std::int32_t* first, std::int32_t* last) {
  // Fixed at the first query: a window made taller later does not widen the view.
  if (console_screen.view_top == -1) {
    console_screen.view_top = 0;
  }
  if (console_screen.view_bottom == -1) {
    std::int32_t height = 0;
    console_get_size(nullptr, &height);
    console_screen.view_bottom = height - 1;
  }
  if (first != nullptr) {
    *first = console_screen.view_top + 1;
  }
  if (last != nullptr) {
    *last = console_screen.view_bottom + 1;
  }
}

void console_to_buffer(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2) {
  if (!console_is_screen()) {
    return;
  }
  const ConsoleRect& rect = console_screen.screen_rect;
  for (std::int32_t* x : {x1, x2}) {
    if (x != nullptr) {
      *x = rect.left + *x - 1;
    }
  }
  for (std::int32_t* y : {y1, y2}) {
    if (y != nullptr) {
      *y = rect.top + *y - 1;
    }
  }
}

void console_from_buffer(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2) {
  if (!console_is_screen()) {
    return;
  }
  const ConsoleRect& rect = console_screen.screen_rect;
  for (std::int32_t* x : {x1, x2}) {
    if (x != nullptr) {
      *x = *x - rect.left + 1;
    }
  }
  for (std::int32_t* y : {y1, y2}) {
    if (y != nullptr) {
      *y = *y - rect.top + 1;
    }
  }
}

std::uint16_t console_attribute(ConsoleHandle handle) {
  ConsoleBufferInfo info{};
  if (!platform().get_screen_buffer_info(handle, info)) {
    return FALLBACK_ATTRIBUTE;
  }
  return info.attributes;
}

void console_init_device() {
  if (console_screen.device_ready) {
    return;
  }
  // The console's entry in the file table opens with nothing put back. Its print
  // column and width live in console_screen; its read device is chosen by the line
  // input, not here.
  FileEntry* entry = rt_file_entry(0);
  entry->open = true;
  entry->putback_count = 0;
  console_get_size(&console_screen.print_width, nullptr);
  // A program started with the cursor inside a line counts its zones from there.
  console_screen.print_column = console_current_column() - 1;
  console_screen.device_ready = true;
}
