// Blanking the view area or the whole screen.
#include "console/console_clear.h"

#include <algorithm>
#include <limits>

#include "console/console_screen.h"

void console_clear(std::uint32_t mode) {
  console_init_device();
  if (console_is_screen() && mode != CLEAR_SKIP) {
    const ConsoleRect& screen = console_screen.screen_rect;
    std::int32_t top = screen.top;
    std::int32_t bottom = screen.bottom;
    if (mode == CLEAR_DEFAULT || mode == CLEAR_VIEW) {
      console_view_rows(&top, &bottom);
      console_to_buffer(nullptr, &top, nullptr, &bottom);
    }
    console_fill_rows(console_get_handle(0), screen.left, top, screen.right, bottom);
  }
  // Zones count from the left edge again, even when nothing was blanked.
  console_screen.print_column = 0;
}

void console_fill_rows(ConsoleHandle handle, std::int32_t left, std::int32_t top,
                       std::int32_t right, std::int32_t bottom) {
  const std::uint16_t attribute = console_attribute(handle);
  const std::int32_t width = right - left + 1;
  // An empty rectangle leaves even the cursor alone.
  if (width <= 0 || bottom < top) {
    return;
  }
  // Rows outside the 16-bit coordinate range hold no cells; skipping them keeps a
  // wild rectangle from costing billions of calls that would all fail.
  const std::int32_t lowest =
      std::min<std::int32_t>(bottom, std::numeric_limits<std::int16_t>::max());
  const std::int32_t highest = std::max<std::int32_t>(top, 0);
  for (std::int32_t row = lowest; row >= highest; --row) {
    const ConsoleCoord first{static_cast<std::int16_t>(left), static_cast<std::int16_t>(row)};
    std::uint32_t written = 0;
    platform().fill_attribute(handle, attribute, static_cast<std::uint32_t>(width), first, written);
    platform().fill_character(handle, ' ', static_cast<std::uint32_t>(width), first, written);
  }
  console_set_cursor(handle, top, left, -1);
}
