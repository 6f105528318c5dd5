// A console without screen or keyboard whose clock the test sets: the performance
// counter (absent when frequency is 0) and the millisecond tick count.
#pragma once

#include <cstdint>

#include "platform/console_platform.h"

class FakeClock final : public ConsolePlatform {
public:
  std::int64_t frequency = 0;
  std::int64_t counter = 0;
  std::uint32_t ticks = 0;
  int frequency_queries = 0;

  bool query_performance_frequency(std::int64_t& result) override {
    ++frequency_queries;
    result = frequency;
    return frequency != 0;
  }
  bool query_performance_counter(std::int64_t& result) override {
    result = counter;
    return frequency != 0;
  }
  std::uint32_t get_tick_count() override { return ticks; }

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
};
