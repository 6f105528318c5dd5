// The native Windows console: every platform call goes straight to the console API
// of kernel32 and user32, so the runtime drives a real console (conhost, Windows
// Terminal) exactly as it drives the in-memory one. The object holds no state: the
// console is the system's, and the idle-wait event and the control-handler chain
// are process-wide.
#pragma once

#include "platform/console_platform.h"

class Win32Console final : public ConsolePlatform {
public:
  ConsoleHandle get_std_handle(StdStream which) override;
  bool get_console_mode(ConsoleHandle handle, std::uint32_t& mode) override;
  bool set_console_mode(ConsoleHandle handle, std::uint32_t mode) override;

  bool get_screen_buffer_info(ConsoleHandle handle, ConsoleBufferInfo& info) override;
  bool set_cursor_position(ConsoleHandle handle, ConsoleCoord cell) override;
  bool get_cursor_info(ConsoleHandle handle, ConsoleCursorInfo& info) override;
  bool set_cursor_info(ConsoleHandle handle, const ConsoleCursorInfo& info) override;
  bool fill_attribute(ConsoleHandle handle, std::uint16_t attributes, std::uint32_t count,
                      ConsoleCoord first, std::uint32_t& written) override;
  bool fill_character(ConsoleHandle handle, std::uint8_t ch, std::uint32_t count,
                      ConsoleCoord first, std::uint32_t& written) override;
  bool scroll_buffer(ConsoleHandle handle, const ConsoleRect& source, const ConsoleRect* clip,
                     ConsoleCoord destination, ConsoleCell fill) override;
  bool write_output(ConsoleHandle handle, const ConsoleCell* cells, ConsoleCoord cells_size,
                    ConsoleCoord cells_origin, ConsoleRect& region) override;
  bool set_window_info(ConsoleHandle handle, bool absolute, const ConsoleRect& window) override;
  bool write_file(ConsoleHandle handle, const void* bytes, std::uint32_t count,
                  std::uint32_t& written) override;
  bool beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override;

  bool peek_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                  std::uint32_t& count) override;
  bool read_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                  std::uint32_t& count) override;
  bool set_ctrl_handler(ConsoleCtrlHandler handler, bool add) override;
  std::uint32_t map_virtual_key(std::uint32_t code, std::uint32_t map_type) override;
  std::size_t read_stdin(void* buffer, std::size_t count) override;

  void sleep(std::uint32_t ms) override;
  void idle_wait(std::uint32_t timeout_ms) override;
  void idle_wake() override;
  bool query_performance_frequency(std::int64_t& frequency) override;
  bool query_performance_counter(std::int64_t& count) override;
  std::uint32_t get_tick_count() override;
};

// At most this many control handlers are registered at once (the runtime uses one).
constexpr int WIN32_CTRL_HANDLER_MAX = 8;

// What the system calls on a control event: the registered handlers, newest first,
// until one returns true; then any idle_wait is woken. Returns whether one handled
// the event. Tests call it to run the chain without raising a real control event.
bool win32_ctrl_dispatch(std::uint32_t control_type);
