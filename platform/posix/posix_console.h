// The terminal backend: the console platform on a POSIX terminal.
//
// The in-memory console holds the truth (buffer, window, cursor, attribute, input
// records); every screen call goes to it. The terminal is brought in line with it by
// the renderer whenever the program is about to wait, and the key decoder turns the
// terminal's bytes into its input records. A side that is not a terminal is left as
// it is: output that is not a terminal gets raw bytes and never an escape sequence,
// input that is not a terminal is read as raw bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/memory/memory_console.h"
#include "platform/posix/terminal_keys.h"
#include "platform/posix/terminal_renderer.h"

class PosixConsole final : public ConsolePlatform {
public:
  // Takes the process's standard input and output: raw mode and the program's modes
  // on whichever is a terminal, the size and cursor position of the output terminal
  // (the cursor asked of the terminal, waiting at most CURSOR_QUERY_MS), the signal
  // handlers and the control thread. Create one per process.
  PosixConsole();
  PosixConsole(const PosixConsole&) = delete;
  PosixConsole& operator=(const PosixConsole&) = delete;

  static constexpr int CURSOR_QUERY_MS = 500;

  // Brings the terminal up to date with the final picture and gives it back exactly
  // as it was found. For the end of the process.
  void shut_down();

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

private:
  void query_cursor();
  // Reads what the terminal has sent, decodes it and queues the records; picks up
  // resizes and resumes. Never blocks.
  void pump();
  void read_terminal(DecodedInput& decoded);
  void queue_records(const DecodedInput& decoded);
  void apply_resize();
  // Sends the terminal the difference between it and the console's window.
  void update();
  // Waits until the terminal has bytes or signals_wake was called, at most
  // timeout_ms (-1: no limit), and no longer than the decoder may hold an ESC.
  void wait(int timeout_ms);
  bool processed_input();

  bool input_terminal_;
  bool output_terminal_;
  bool utf8_;
  MemoryConsole memory_;
  TerminalRenderer renderer_;
  TerminalKeyDecoder decoder_;
  int input_fd_;               // -1 once the terminal has hung up
  std::uint64_t last_read_ms_; // when the decoder was last told about the terminal
  std::string update_bytes_;
  bool screen_changed_ = true; // the console's picture may differ from the terminal's
};
