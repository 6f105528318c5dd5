// The real terminal beneath the terminal backend: raw mode on and off, the bytes that
// set and undo the program's terminal modes, and writing to it.
//
// What restoring the terminal needs is kept in static storage, set once at start, so
// that a signal handler can restore it with async-signal-safe calls alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

struct TerminalSize {
  std::int16_t width = 0;
  std::int16_t height = 0;
  friend bool operator==(const TerminalSize&, const TerminalSize&) = default;
};

// The terminal's columns and rows; false when fd is not a terminal or reports no size.
bool terminal_size(int fd, TerminalSize& size);

// Writes every byte, across partial writes and interrupted calls; false when the
// terminal refuses (it was closed, for one). Async-signal-safe.
bool terminal_write(int fd, const char* bytes, std::size_t count);
bool terminal_write(int fd, std::string_view bytes);

// Records the terminals to take: input_fd and output_fd are -1 when that side is not a
// terminal; one terminal behind both is taken once. Saves their settings; the
// enter bytes go to the output terminal after raw mode is set, the leave bytes when
// it is given back. Call once, before any of the calls below.
void terminal_setup(int input_fd, int output_fd, std::string_view enter_bytes,
                    std::string_view leave_bytes);

// Raw mode on every terminal taken; nothing once released. Async-signal-safe.
void terminal_enter_raw();
// terminal_enter_raw, then the enter bytes. Async-signal-safe.
void terminal_enter();
// The saved settings back and the leave bytes written. Async-signal-safe.
void terminal_leave();
// terminal_leave for good: later enters do nothing. Async-signal-safe; the
// threads that write to the terminal hold terminal_lock() around this call.
void terminal_release();
bool terminal_released();

// Held by a thread while it writes an update or gives the terminal back, so that the
// bytes of the two never interleave.
std::mutex& terminal_lock();

// For tests: forgets every terminal taken (the settings are not restored).
void terminal_io_reset();
