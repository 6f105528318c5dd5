// The handle, mode and screen calls of the terminal backend: the in-memory console
// answers them all; the terminal catches up at the next update. Every call that may
// change the picture marks it changed, so updates with nothing to do cost nothing.
#include "platform/posix/posix_console.h"

ConsoleHandle PosixConsole::get_std_handle(StdStream which) {
  return memory_.get_std_handle(which);
}

bool PosixConsole::get_console_mode(ConsoleHandle handle, std::uint32_t& mode) {
  return memory_.get_console_mode(handle, mode);
}

bool PosixConsole::set_console_mode(ConsoleHandle handle, std::uint32_t mode) {
  return memory_.set_console_mode(handle, mode);
}

bool PosixConsole::get_screen_buffer_info(ConsoleHandle handle, ConsoleBufferInfo& info) {
  return memory_.get_screen_buffer_info(handle, info);
}

bool PosixConsole::set_cursor_position(ConsoleHandle handle, ConsoleCoord cell) {
  screen_changed_ = true;
  return memory_.set_cursor_position(handle, cell);
}

bool PosixConsole::get_cursor_info(ConsoleHandle handle, ConsoleCursorInfo& info) {
  return memory_.get_cursor_info(handle, info);
}

bool PosixConsole::set_cursor_info(ConsoleHandle handle, const ConsoleCursorInfo& info) {
  screen_changed_ = true;
  return memory_.set_cursor_info(handle, info);
}

bool PosixConsole::fill_attribute(ConsoleHandle handle, std::uint16_t attributes,
                                  std::uint32_t count, ConsoleCoord first, std::uint32_t& written) {
  screen_changed_ = true;
  return memory_.fill_attribute(handle, attributes, count, first, written);
}

bool PosixConsole::fill_character(ConsoleHandle handle, std::uint8_t ch, std::uint32_t count,
                                  ConsoleCoord first, std::uint32_t& written) {
  screen_changed_ = true;
  return memory_.fill_character(handle, ch, count, first, written);
}

bool PosixConsole::scroll_buffer(ConsoleHandle handle, const ConsoleRect& source,
                                 const ConsoleRect* clip, ConsoleCoord destination,
                                 ConsoleCell fill) {
  screen_changed_ = true;
  return memory_.scroll_buffer(handle, source, clip, destination, fill);
}

bool PosixConsole::write_output(ConsoleHandle handle, const ConsoleCell* cells,
                                ConsoleCoord cells_size, ConsoleCoord cells_origin,
                                ConsoleRect& region) {
  screen_changed_ = true;
  return memory_.write_output(handle, cells, cells_size, cells_origin, region);
}

bool PosixConsole::set_window_info(ConsoleHandle handle, bool absolute, const ConsoleRect& window) {
  screen_changed_ = true;
  return memory_.set_window_info(handle, absolute, window);
}
