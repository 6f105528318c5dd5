// A console with neither a screen nor a keyboard: every call fails as it fails on
// redirected streams, and there is no performance counter. The current backend until
// one is installed, and a base for test doubles that supply only what they need.
#pragma once

#include "platform/console_platform.h"

class DetachedConsole : public ConsolePlatform {
public:
  ConsoleHandle get_std_handle(StdStream) override { return 0; }
  bool get_console_mode(ConsoleHandle, std::uint32_t&) override { return false; }
  bool set_console_mode(ConsoleHandle, std::uint32_t) override { return false; }
  bool get_screen_buffer_info(ConsoleHandle, ConsoleBufferInfo&) override { return false; }
  bool set_cursor_position(ConsoleHandle, ConsoleCoord) override { return false; }
  bool get_cursor_info(ConsoleHandle, ConsoleCursorInfo&) override { return false; }
  bool set_cursor_info(ConsoleHandle, const ConsoleCursorInfo&) override { return false; }
  bool fill_attribute(ConsoleHandle, std::uint16_t, std::uint32_t, ConsoleCoord,
                      std::uint32_t& written) override {
    written = 0;
    return false;
  }
  bool fill_character(ConsoleHandle, std::uint8_t, std::uint32_t, ConsoleCoord,
                      std::uint32_t& written) override {
    written = 0;
    return false;
  }
  bool scroll_buffer(ConsoleHandle, const ConsoleRect&, const ConsoleRect*, ConsoleCoord,
                     ConsoleCell) override {
    return false;
  }
  bool write_output(ConsoleHandle, const ConsoleCell*, ConsoleCoord, ConsoleCoord,
                    ConsoleRect&) override {
    return false;
  }
  bool set_window_info(ConsoleHandle, bool, const ConsoleRect&) override { return false; }
  bool write_file(ConsoleHandle, const void*, std::uint32_t, std::uint32_t& written) override {
    written = 0;
    return false;
  }
  bool beep(std::uint32_t, std::uint32_t) override { return false; }
  bool peek_input(ConsoleHandle, InputRecord*, std::uint32_t, std::uint32_t& count) override {
    count = 0;
    return false;
  }
  bool read_input(ConsoleHandle, InputRecord*, std::uint32_t, std::uint32_t& count) override {
    count = 0;
    return false;
  }
  bool set_ctrl_handler(ConsoleCtrlHandler, bool) override { return false; }
  std::uint32_t map_virtual_key(std::uint32_t, std::uint32_t) override { return 0; }
  std::size_t read_stdin(void*, std::size_t) override { return 0; }
  void sleep(std::uint32_t) override {}
  void idle_wait(std::uint32_t) override {}
  void idle_wake() override {}
  bool query_performance_frequency(std::int64_t& frequency) override {
    frequency = 0;
    return false;
  }
  bool query_performance_counter(std::int64_t& count) override {
    count = 0;
    return false;
  }
  std::uint32_t get_tick_count() override { return 0; }
};
