// A console kept in memory: a screen buffer of cells, a window into it, a cursor,
// console modes, an input record queue, scripted standard input and a virtual clock.
// It behaves as a real console does for every call of the platform interface, so
// the runtime can be run and observed without a terminal. Tests install one; the
// terminal backend keeps its truth in one.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_platform.h"

// Keys the input helpers can press, beyond the printable characters.
enum class ConsoleKey {
  enter,
  escape,
  backspace,
  tab,
  space,
  up,
  down,
  left,
  right,
  home,
  end,
  page_up,
  page_down,
  insert,
  del,
  f1,
  f2,
  f3,
  f4,
  f5,
  f6,
  f7,
  f8,
  f9,
  f10,
  f11,
  f12,
  numpad0,
  numpad1,
  numpad2,
  numpad3,
  numpad4,
  numpad5,
  numpad6,
  numpad7,
  numpad8,
  numpad9,
  shift,
  control,
  alt,
  caps_lock,
};

// The platform calls, for counting and for fault injection.
enum class ConsoleCall {
  get_std_handle,
  get_console_mode,
  set_console_mode,
  get_screen_buffer_info,
  set_cursor_position,
  get_cursor_info,
  set_cursor_info,
  fill_attribute,
  fill_character,
  scroll_buffer,
  write_output,
  set_window_info,
  write_file,
  beep,
  peek_input,
  read_input,
  set_ctrl_handler,
  map_virtual_key,
  read_stdin,
  sleep,
  idle_wait,
  query_performance_frequency,
  query_performance_counter,
  get_tick_count,
  count_ // number of calls; not a call
};

class MemoryConsole : public ConsolePlatform {
public:
  static constexpr ConsoleHandle INPUT_HANDLE = 0x10;
  static constexpr ConsoleHandle OUTPUT_HANDLE = 0x20;
  static constexpr std::int64_t PERF_FREQUENCY = 10'000'000; // ticks per second

  // A buffer of width by height cells, all spaces in attribute 7, the window showing
  // all of it, the cursor visible at (0, 0).
  MemoryConsole(std::int16_t width, std::int16_t height);

  // --- Set-up ----------------------------------------------------------------
  // Resizes the buffer, keeping the cells that still fit; the window is clipped to it.
  void set_buffer_size(std::int16_t width, std::int16_t height);
  void set_window(ConsoleRect window);
  void set_output_redirected(bool redirected); // output not a console: raw bytes only
  void set_input_redirected(bool redirected);  // input not a console: read_stdin only
  void set_attribute(std::uint16_t attributes);
  void set_cursor(ConsoleCoord cell);
  void set_cursor_visible(bool visible);
  void set_performance_counter(bool available);
  // Virtual clock, in milliseconds since its origin.
  void set_clock_ms(std::uint64_t ms);
  std::uint64_t clock_ms() const;

  // --- Input script ----------------------------------------------------------
  // Each character as a US-layout key press: key-down then key-up records with the
  // virtual-key code, scan code, character and Shift state a console delivers.
  void type_text(std::string_view text);
  // A named key with KEYSTATE_* modifiers, as key-down then key-up.
  void press_key(ConsoleKey key, std::uint32_t modifiers = 0);
  // Only the key-down (or only the key-up) record of a named key.
  void key_down(ConsoleKey key, std::uint32_t modifiers = 0, std::uint16_t repeat = 1);
  void key_up(ConsoleKey key, std::uint32_t modifiers = 0);
  // The US-layout key that types ch, pressed with KEYSTATE_* modifiers held (Ctrl or
  // Alt combinations of letters, digits and punctuation). Like press_key it queues no
  // records for the modifier keys themselves.
  void press_char(char ch, std::uint32_t modifiers = 0);
  void queue_record(const InputRecord& record);
  std::size_t pending_records() const;
  // Bytes that read_stdin delivers when input is redirected, then the end of input.
  void feed_stdin(std::string_view bytes);
  // Raises a control event: the registered handlers are called on a thread of their
  // own, newest first, until one returns true; returns once they have run.
  void raise_control_event(std::uint32_t control_type);
  // Called, instead of waiting for ever, when a sleep, an idle wait or a read finds no
  // input pending and none can come (the script is exhausted), and when a busy poll
  // has peeked at an empty queue a million times with no time passing. Tests make it
  // fail loudly; when it returns, the call goes on as if the wait had ended.
  void set_starvation_handler(std::function<void()> handler);

  // --- Observation -----------------------------------------------------------
  std::int16_t width() const;
  std::int16_t height() const;
  ConsoleRect window() const;
  ConsoleCoord cursor() const;
  bool cursor_visible() const;
  std::uint16_t attribute() const;
  ConsoleCell cell(std::int16_t x, std::int16_t y) const;
  // Whether the cell has been written or filled since set_cells_unknown (a scroll moves
  // the flags with the cells and makes the cells it fills known): the terminal backend
  // never blanks cells of the real terminal that the program has not touched. Every
  // cell is known on a fresh console.
  bool cell_known(std::int16_t x, std::int16_t y) const;
  void set_cells_unknown();
  // The width() cells of buffer row y (0 to height() - 1), and their known flags, or
  // nullptr for the flags when every cell is known: for readers that scan whole rows.
  const ConsoleCell* row_cells(std::int16_t y) const;
  const std::uint8_t* row_known(std::int16_t y) const;
  // A buffer row's characters, trailing spaces kept.
  std::string row_text(std::int16_t y) const;
  // Row (1-based) of the window, trailing spaces removed.
  std::string window_row(int row) const;
  // Every window row, trailing spaces removed.
  std::vector<std::string> window_lines() const;
  // The bytes written with write_file.
  const std::string& raw_output() const;
  struct Beep {
    std::uint32_t frequency_hz;
    std::uint32_t duration_ms;
  };
  const std::vector<Beep>& beeps() const;
  std::uint64_t call_count(ConsoleCall call) const;
  void reset_call_counts();
  // The next `times` calls of this kind fail (after skipping `after` successful
  // ones) as the real call fails: false, nothing changed.
  void fail_call(ConsoleCall call, std::uint32_t times = 1, std::uint32_t after = 0);

  // --- ConsolePlatform -------------------------------------------------------
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
  struct Fault {
    std::uint32_t skip = 0; // calls still to pass before failing
    std::uint32_t fail = 0; // calls still to fail
  };

  // Counts the call and tells whether it is to fail now.
  bool injected_failure(ConsoleCall call);
  bool is_console_input(ConsoleHandle handle) const;
  bool is_console_output(ConsoleHandle handle) const;
  bool in_buffer(ConsoleCoord cell) const;
  ConsoleCell& at(int x, int y);
  const ConsoleCell& at(int x, int y) const;
  void mark_known(int y, int x_first, int x_last);
  // Gives the cells from x_first to x_last of row y the known flags given.
  void copy_known(int y, int x_first, int x_last, const std::uint8_t* flags);
  void set_cells(int y, int x_first, int x_last, ConsoleCell fill);
  std::uint32_t fill_run(ConsoleCoord first, std::uint32_t count, bool characters,
                         ConsoleCell value);
  bool scroll_whole_rows(const ConsoleRect& moved, int dy, ConsoleCell fill);
  void queue_key(bool down, std::uint16_t vk, std::uint16_t scan, std::uint8_t ch,
                 std::uint32_t state, std::uint16_t repeat = 1);
  void queue_named_key(bool down, ConsoleKey key, std::uint32_t modifiers, std::uint16_t repeat);
  bool input_pending() const;
  void advance_clock(std::uint64_t ms);
  void starve();

  // The screen buffer is a ring of rows: buffer row y is stored at ring row
  // (row_base_ + y) % height_, so scrolling the whole buffer only moves row_base_.
  std::int16_t width_;
  std::int16_t height_;
  int row_base_ = 0;
  std::vector<ConsoleCell> cells_;
  std::vector<std::uint8_t> known_;
  std::vector<std::uint8_t> scratch_known_;
  std::size_t unknown_cells_ = 0;
  std::vector<ConsoleCell> scratch_; // a moved rectangle's copy, kept to avoid allocations

  ConsoleRect window_;
  ConsoleCoord cursor_;
  ConsoleCursorInfo cursor_info_;
  std::uint16_t attribute_ = 7;
  std::uint32_t input_mode_;
  std::uint32_t output_mode_;
  bool output_redirected_ = false;
  bool input_redirected_ = false;
  bool performance_counter_ = true;

  std::deque<InputRecord> records_;
  std::string stdin_bytes_;
  std::size_t stdin_read_ = 0;
  std::uint64_t empty_peeks_ = 0;
  std::vector<ConsoleCtrlHandler> ctrl_handlers_;
  std::function<void()> starvation_handler_;

  std::uint64_t clock_ms_ = 0;
  std::atomic<bool> wake_requested_{false};

  std::string raw_output_;
  std::vector<Beep> beeps_;
  std::array<std::uint64_t, static_cast<std::size_t>(ConsoleCall::count_)> call_counts_{};
  std::array<Fault, static_cast<std::size_t>(ConsoleCall::count_)> faults_{};
};
