// The one seam between the runtime and a console: every call the runtime makes of a
// console, a keyboard, a clock or standard input goes through ConsolePlatform.
//
// The calls mirror those of a classic character-cell console: 0-based buffer
// coordinates in 16-bit fields, cells of one byte and a 16-bit attribute, input
// records carrying key events. Every call reports failure by returning false (or 0)
// and changes nothing else when it fails; nothing throws, prints or aborts.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque console handle; 0 means no handle.
using ConsoleHandle = std::uintptr_t;

enum class StdStream { input, output };

struct ConsoleCoord {
  std::int16_t x = 0;
  std::int16_t y = 0;
  friend bool operator==(const ConsoleCoord&, const ConsoleCoord&) = default;
};

// Inclusive rectangle.
struct ConsoleRect {
  std::int16_t left = 0;
  std::int16_t top = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;
  friend bool operator==(const ConsoleRect&, const ConsoleRect&) = default;
};

struct ConsoleCell {
  std::uint8_t ch = ' ';
  std::uint16_t attributes = 7;
  friend bool operator==(const ConsoleCell&, const ConsoleCell&) = default;
};

struct ConsoleBufferInfo {
  ConsoleCoord size;        // buffer columns and rows
  ConsoleCoord cursor;      // cursor cell
  std::uint16_t attributes; // attribute given to written text
  ConsoleRect window;       // buffer cells the window shows
  ConsoleCoord max_window;  // largest window the buffer allows
};

struct ConsoleCursorInfo {
  std::uint32_t size = 25; // percent of the cell the cursor fills
  bool visible = true;
};

// Input record event types.
constexpr std::uint16_t EVENT_KEY = 0x0001;
constexpr std::uint16_t EVENT_MOUSE = 0x0002;
constexpr std::uint16_t EVENT_WINDOW_BUFFER_SIZE = 0x0004;
constexpr std::uint16_t EVENT_MENU = 0x0008;
constexpr std::uint16_t EVENT_FOCUS = 0x0010;

// Control-key state bits of a key event.
constexpr std::uint32_t KEYSTATE_RIGHT_ALT = 0x0001;
constexpr std::uint32_t KEYSTATE_LEFT_ALT = 0x0002;
constexpr std::uint32_t KEYSTATE_RIGHT_CTRL = 0x0004;
constexpr std::uint32_t KEYSTATE_LEFT_CTRL = 0x0008;
constexpr std::uint32_t KEYSTATE_SHIFT = 0x0010;
constexpr std::uint32_t KEYSTATE_NUM_LOCK = 0x0020;
constexpr std::uint32_t KEYSTATE_SCROLL_LOCK = 0x0040;
constexpr std::uint32_t KEYSTATE_CAPS_LOCK = 0x0080;
constexpr std::uint32_t KEYSTATE_ENHANCED = 0x0100;

struct KeyEventRecord {
  bool key_down = false;
  std::uint16_t repeat_count = 0;
  std::uint16_t virtual_key = 0;
  std::uint16_t virtual_scan = 0;
  std::uint8_t ascii_char = 0; // the character, a byte of the console's code page
  std::uint32_t control_state = 0;
};

struct InputRecord {
  std::uint16_t event_type = 0;
  KeyEventRecord key;       // meaningful for EVENT_KEY
  ConsoleCoord buffer_size; // meaningful for EVENT_WINDOW_BUFFER_SIZE
};

// Console mode bit of the input handle: Ctrl+C and Ctrl+Break become control
// events instead of keys.
constexpr std::uint32_t MODE_PROCESSED_INPUT = 0x0001;

// Control event types passed to a control handler.
constexpr std::uint32_t CONTROL_C = 0;
constexpr std::uint32_t CONTROL_BREAK = 1;
constexpr std::uint32_t CONTROL_CLOSE = 2;
constexpr std::uint32_t CONTROL_LOGOFF = 5;
constexpr std::uint32_t CONTROL_SHUTDOWN = 6;

// Returns true when it handled the event; false leaves the default action
// (which, for Ctrl+C and Ctrl+Break, ends the process).
using ConsoleCtrlHandler = bool (*)(std::uint32_t control_type);

// map_virtual_key's one mapping: virtual-key code to its unshifted character.
constexpr std::uint32_t MAP_VK_TO_CHAR = 2;

class ConsolePlatform {
public:
  virtual ~ConsolePlatform() = default;

  // --- Handles and modes ---------------------------------------------------
  virtual ConsoleHandle get_std_handle(StdStream which) = 0;
  // False when the handle is not a console (redirected to a file or a pipe).
  virtual bool get_console_mode(ConsoleHandle handle, std::uint32_t& mode) = 0;
  virtual bool set_console_mode(ConsoleHandle handle, std::uint32_t mode) = 0;

  // --- Output --------------------------------------------------------------
  // False when the handle is not a console screen buffer.
  virtual bool get_screen_buffer_info(ConsoleHandle handle, ConsoleBufferInfo& info) = 0;
  // False when the cell lies outside the buffer.
  virtual bool set_cursor_position(ConsoleHandle handle, ConsoleCoord cell) = 0;
  virtual bool get_cursor_info(ConsoleHandle handle, ConsoleCursorInfo& info) = 0;
  virtual bool set_cursor_info(ConsoleHandle handle, const ConsoleCursorInfo& info) = 0;
  // Fill count cells from first onward, running on across rows and stopping at the
  // buffer's end; written is the number of cells set.
  virtual bool fill_attribute(ConsoleHandle handle, std::uint16_t attributes, std::uint32_t count,
                              ConsoleCoord first, std::uint32_t& written) = 0;
  virtual bool fill_character(ConsoleHandle handle, std::uint8_t ch, std::uint32_t count,
                              ConsoleCoord first, std::uint32_t& written) = 0;
  // Moves the source rectangle (clipped to the buffer, and to clip when given) so it
  // starts at destination; source cells not covered by the moved copy get fill.
  virtual bool scroll_buffer(ConsoleHandle handle, const ConsoleRect& source,
                             const ConsoleRect* clip, ConsoleCoord destination,
                             ConsoleCell fill) = 0;
  // Writes the block of cells (cells_size columns by rows, read from cells_origin)
  // into region, clipped to the buffer; region becomes the rectangle written. The
  // console cursor does not move.
  virtual bool write_output(ConsoleHandle handle, const ConsoleCell* cells, ConsoleCoord cells_size,
                            ConsoleCoord cells_origin, ConsoleRect& region) = 0;
  // Places the window; false when the rectangle does not fit the buffer.
  virtual bool set_window_info(ConsoleHandle handle, bool absolute, const ConsoleRect& window) = 0;
  // Raw bytes, used when output is not a console.
  virtual bool write_file(ConsoleHandle handle, const void* bytes, std::uint32_t count,
                          std::uint32_t& written) = 0;
  // Returns when the tone has ended.
  virtual bool beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) = 0;

  // --- Input ---------------------------------------------------------------
  // Never blocks; count is the number of records copied (0 when none is pending).
  virtual bool peek_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                          std::uint32_t& count) = 0;
  // Removes up to length pending records; blocks until one is pending.
  virtual bool read_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                          std::uint32_t& count) = 0;
  // Registers (add) or removes a control handler. The handler is called on a thread
  // of its own, never on the thread that runs the program.
  virtual bool set_ctrl_handler(ConsoleCtrlHandler handler, bool add) = 0;
  // With MAP_VK_TO_CHAR: the key's unshifted character in the low 16 bits, 0 if none.
  virtual std::uint32_t map_virtual_key(std::uint32_t code, std::uint32_t map_type) = 0;
  // Reads up to count raw bytes of standard input when it is not a console; blocks
  // until at least one byte arrives; returns 0 at the end of input or on failure.
  virtual std::size_t read_stdin(void* buffer, std::size_t count) = 0;

  // --- Waiting and time ----------------------------------------------------
  virtual void sleep(std::uint32_t ms) = 0;
  // Returns as soon as console input is pending or idle_wake has been called since
  // the last wait, at the latest after timeout_ms.
  virtual void idle_wait(std::uint32_t timeout_ms) = 0;
  // Ends the current or next idle_wait early. Safe from any thread and from a
  // signal handler.
  virtual void idle_wake() = 0;
  // False (and frequency 0) when there is no performance counter.
  virtual bool query_performance_frequency(std::int64_t& frequency) = 0;
  virtual bool query_performance_counter(std::int64_t& count) = 0;
  // Milliseconds, wrapping at 2^32.
  virtual std::uint32_t get_tick_count() = 0;
};

// The process-wide current backend. Until one is installed, calls go to a console
// that has neither a screen nor a keyboard (everything fails, as redirected
// streams do).
ConsolePlatform& platform();

// Installs the backend for all later calls; nullptr restores the default. The caller
// keeps ownership.
void platform_install(ConsolePlatform* backend);

// Chooses and installs this target's real backend (the terminal backend on POSIX,
// the native console on Windows). Called once, by main.
void platform_install_default();
