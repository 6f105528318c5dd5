// The output side of the Windows console: handles, modes, the screen buffer and the
// raw byte stream.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_console.h"

namespace {

// The cells of one write_output call in the system's layout. Kept between calls so a
// print does not allocate; only the program's thread writes.
std::vector<CHAR_INFO> cell_block;

} // namespace

ConsoleHandle Win32Console::get_std_handle(StdStream which) {
  HANDLE handle = GetStdHandle(which == StdStream::input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
  if (handle == INVALID_HANDLE_VALUE) {
    return 0;
  }
  return reinterpret_cast<ConsoleHandle>(handle);
}

bool Win32Console::get_console_mode(ConsoleHandle handle, std::uint32_t& mode) {
  DWORD value = 0;
  if (!GetConsoleMode(win32_handle(handle), &value)) {
    return false;
  }
  mode = value;
  return true;
}

bool Win32Console::set_console_mode(ConsoleHandle handle, std::uint32_t mode) {
  return SetConsoleMode(win32_handle(handle), mode) != FALSE;
}

bool Win32Console::get_screen_buffer_info(ConsoleHandle handle, ConsoleBufferInfo& info) {
  CONSOLE_SCREEN_BUFFER_INFO system_info;
  if (!GetConsoleScreenBufferInfo(win32_handle(handle), &system_info)) {
    return false;
  }
  info.size = console_coord(system_info.dwSize);
  info.cursor = console_coord(system_info.dwCursorPosition);
  info.attributes = system_info.wAttributes;
  info.window = console_rect(system_info.srWindow);
  info.max_window = console_coord(system_info.dwMaximumWindowSize);
  return true;
}

bool Win32Console::set_cursor_position(ConsoleHandle handle, ConsoleCoord cell) {
  return SetConsoleCursorPosition(win32_handle(handle), win32_coord(cell)) != FALSE;
}

bool Win32Console::get_cursor_info(ConsoleHandle handle, ConsoleCursorInfo& info) {
  CONSOLE_CURSOR_INFO system_info;
  if (!GetConsoleCursorInfo(win32_handle(handle), &system_info)) {
    return false;
  }
  info.size = system_info.dwSize;
  info.visible = system_info.bVisible != FALSE;
  return true;
}

bool Win32Console::set_cursor_info(ConsoleHandle handle, const ConsoleCursorInfo& info) {
  const CONSOLE_CURSOR_INFO system_info{info.size, info.visible ? TRUE : FALSE};
  return SetConsoleCursorInfo(win32_handle(handle), &system_info) != FALSE;
}

bool Win32Console::fill_attribute(ConsoleHandle handle, std::uint16_t attributes,
                                  std::uint32_t count, ConsoleCoord first, std::uint32_t& written) {
  DWORD done = 0;
  const BOOL ok = FillConsoleOutputAttribute(win32_handle(handle), attributes, count,
                                             win32_coord(first), &done);
  written = ok ? done : 0;
  return ok != FALSE;
}

bool Win32Console::fill_character(ConsoleHandle handle, std::uint8_t ch, std::uint32_t count,
                                  ConsoleCoord first, std::uint32_t& written) {
  DWORD done = 0;
  const BOOL ok = FillConsoleOutputCharacterA(win32_handle(handle), static_cast<CHAR>(ch), count,
                                              win32_coord(first), &done);
  written = ok ? done : 0;
  return ok != FALSE;
}

bool Win32Console::scroll_buffer(ConsoleHandle handle, const ConsoleRect& source,
                                 const ConsoleRect* clip, ConsoleCoord destination,
                                 ConsoleCell fill) {
  const SMALL_RECT system_source = win32_rect(source);
  SMALL_RECT system_clip{};
  if (clip != nullptr) {
    system_clip = win32_rect(*clip);
  }
  const CHAR_INFO system_fill = win32_cell(fill);
  return ScrollConsoleScreenBufferA(win32_handle(handle), &system_source,
                                    clip != nullptr ? &system_clip : nullptr,
                                    win32_coord(destination), &system_fill) != FALSE;
}

bool Win32Console::write_output(ConsoleHandle handle, const ConsoleCell* cells,
                                ConsoleCoord cells_size, ConsoleCoord cells_origin,
                                ConsoleRect& region) {
  if (cells == nullptr || cells_origin.x < 0 || cells_origin.y < 0 ||
      cells_origin.x >= cells_size.x || cells_origin.y >= cells_size.y) {
    return false;
  }
  // Only the part of the caller's block that can reach the region is converted: it
  // starts at cells_origin and is no larger than the region. Handed over with the
  // origin (0,0), it gives the system the same cells for the same clipped region, and
  // a print costs no more than the cells it writes, whatever block it comes from.
  const int region_width = region.right - region.left + 1;
  const int region_height = region.bottom - region.top + 1;
  const int columns = std::max(1, std::min(cells_size.x - cells_origin.x, region_width));
  const int rows = std::max(1, std::min(cells_size.y - cells_origin.y, region_height));
  try {
    cell_block.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  } catch (const std::bad_alloc&) {
    return false; // a block larger than any console could show
  }
  for (int row = 0; row < rows; ++row) {
    const ConsoleCell* from =
        cells +
        static_cast<std::size_t>(cells_origin.y + row) * static_cast<std::size_t>(cells_size.x) +
        static_cast<std::size_t>(cells_origin.x);
    std::transform(from, from + columns,
                   cell_block.begin() + static_cast<std::ptrdiff_t>(row) * columns, win32_cell);
  }
  SMALL_RECT system_region = win32_rect(region);
  const COORD block_size{static_cast<SHORT>(columns), static_cast<SHORT>(rows)};
  if (!WriteConsoleOutputA(win32_handle(handle), cell_block.data(), block_size, COORD{0, 0},
                           &system_region)) {
    return false;
  }
  region = console_rect(system_region);
  return true;
}

bool Win32Console::set_window_info(ConsoleHandle handle, bool absolute, const ConsoleRect& window) {
  const SMALL_RECT system_window = win32_rect(window);
  return SetConsoleWindowInfo(win32_handle(handle), absolute ? TRUE : FALSE, &system_window) !=
         FALSE;
}

bool Win32Console::write_file(ConsoleHandle handle, const void* bytes, std::uint32_t count,
                              std::uint32_t& written) {
  DWORD done = 0;
  const BOOL ok = WriteFile(win32_handle(handle), bytes, count, &done, nullptr);
  written = ok ? done : 0;
  return ok != FALSE;
}

bool Win32Console::beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) {
  return Beep(frequency_hz, duration_ms) != FALSE;
}
