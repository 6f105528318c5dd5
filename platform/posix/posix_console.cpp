#include "platform/posix/posix_console.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <string_view>
#include <unistd.h>

#include "platform/posix/terminal_control.h"
#include "platform/posix/terminal_io.h"
#include "platform/posix/terminal_signals.h"

namespace {

constexpr std::string_view CANCEL = "\x18"; // ends a sequence cut short
// Ends a synchronized update that a signal cut short.
constexpr std::string_view SYNC_END = "\x1b[?2026l";
constexpr std::string_view WIN32_INPUT_ON = "\x1b[?9001h";
constexpr std::string_view WIN32_INPUT_OFF = "\x1b[?9001l";
constexpr std::string_view CURSOR_QUERY = "\x1b[6n";
constexpr TerminalSize FALLBACK_SIZE{80, 25};
constexpr std::uint16_t VK_CANCEL = 0x03; // Ctrl+Break

std::uint64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec);
}

std::uint64_t monotonic_ms() {
  return monotonic_ns() / 1'000'000u;
}

// The user's locale decides the character set; the program itself keeps running in
// the "C" locale.
bool locale_is_utf8() {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  const std::string previous = current != nullptr ? current : "C";
  bool utf8 = false;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    const char* codeset = nl_langinfo(CODESET);
    utf8 = codeset != nullptr &&
           (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
  }
  std::setlocale(LC_CTYPE, previous.c_str());
  return utf8;
}

TerminalSize start_size(bool output_terminal) {
  TerminalSize size;
  return output_terminal && terminal_size(STDOUT_FILENO, size) ? size : FALLBACK_SIZE;
}

bool ctrl_held(const KeyEventRecord& key) {
  return (key.control_state & (KEYSTATE_LEFT_CTRL | KEYSTATE_RIGHT_CTRL)) != 0;
}

void sleep_ms(std::uint32_t ms) {
  timespec rest{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

} // namespace

PosixConsole::PosixConsole()
    : input_terminal_(isatty(STDIN_FILENO) == 1), output_terminal_(isatty(STDOUT_FILENO) == 1),
      utf8_(locale_is_utf8()),
      memory_(start_size(output_terminal_).width, start_size(output_terminal_).height),
      renderer_(utf8_), decoder_(utf8_), input_fd_(input_terminal_ ? STDIN_FILENO : -1),
      last_read_ms_(monotonic_ms()) {
  memory_.set_output_redirected(!output_terminal_);
  memory_.set_input_redirected(!input_terminal_);
  std::string enter;
  std::string leave;
  if (output_terminal_) {
    enter = TerminalRenderer::enter_modes();
    leave = std::string(CANCEL) + std::string(SYNC_END) + TerminalRenderer::leave_modes();
    if (input_terminal_) {
      enter += WIN32_INPUT_ON;
      leave += WIN32_INPUT_OFF;
    }
  }
  terminal_setup(input_fd_, output_terminal_ ? STDOUT_FILENO : -1, enter, leave);
  signals_install();
  control_start();
  terminal_enter_raw();
  if (output_terminal_) {
    // The screen is left as it is: what it shows is unknown until the program
    // writes over it.
    memory_.set_cells_unknown();
    query_cursor();
  }
  // The program's modes only after the cursor query: a terminal in win32-input-mode
  // might encode its reply as key records.
  terminal_enter();
  if (output_terminal_) {
    renderer_.start(memory_.width(), memory_.height(), memory_.cursor());
  }
}

// The reply arrives among whatever the user types meanwhile: those keys are kept.
// A reply that comes after the wait is swallowed by the decoder later.
void PosixConsole::query_cursor() {
  const bool output_readable = (fcntl(STDOUT_FILENO, F_GETFL) & O_ACCMODE) == O_RDWR;
  const int reply_fd = input_terminal_ ? STDIN_FILENO : output_readable ? STDOUT_FILENO : -1;
  if (reply_fd < 0 || !terminal_write(STDOUT_FILENO, CURSOR_QUERY)) {
    return;
  }
  decoder_.expect_cursor_report();
  DecodedInput decoded;
  const std::uint64_t deadline = monotonic_ms() + CURSOR_QUERY_MS;
  while (decoded.cursor_reports.empty()) {
    const std::uint64_t now = monotonic_ms();
    if (now >= deadline) {
      break;
    }
    pollfd p{reply_fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(deadline - now));
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    char bytes[256];
    const ssize_t n = ready > 0 ? read(reply_fd, bytes, sizeof bytes) : 0;
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    decoder_.feed(std::string_view(bytes, static_cast<std::size_t>(n)), decoded);
  }
  last_read_ms_ = monotonic_ms();
  if (!decoded.cursor_reports.empty()) {
    const CursorReport& report = decoded.cursor_reports.front();
    const auto clamp = [](int value, int limit) {
      return static_cast<std::int16_t>(value < 1 ? 0 : value > limit ? limit - 1 : value - 1);
    };
    memory_.set_cursor(
        {clamp(report.column, memory_.width()), clamp(report.row, memory_.height())});
  }
  queue_records(decoded);
}

void PosixConsole::shut_down() {
  update();
  const std::lock_guard guard(terminal_lock());
  terminal_release();
}

// Records wait in memory until the program takes them; past this many the terminal's
// bytes stay in the terminal until it does, so a long paste cannot fill memory.
constexpr std::size_t RECORDS_HELD_MAX = 4096;

void PosixConsole::pump() {
  if (input_fd_ >= 0 && memory_.pending_records() < RECORDS_HELD_MAX) {
    DecodedInput decoded;
    read_terminal(decoded);
    queue_records(decoded);
  }
  if (signals_take_resize()) {
    apply_resize();
  }
  if (signals_take_repaint()) {
    renderer_.invalidate();
    screen_changed_ = true;
  }
}

// Silence is measured between looks that found nothing: bytes found now arrived at
// some moment since the last look, so that time counts as no silence at all. The
// escape timeout thus never depends on how the bytes were split across reads.
void PosixConsole::read_terminal(DecodedInput& decoded) {
  char bytes[4096];
  for (;;) {
    pollfd p{input_fd_, POLLIN, 0};
    const int ready = poll(&p, 1, 0);
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    const std::uint64_t now = monotonic_ms();
    if (ready <= 0) {
      const std::uint64_t silence = now - last_read_ms_;
      decoder_.elapse(silence > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(silence),
                      decoded);
      last_read_ms_ = now;
      return;
    }
    const ssize_t n = read(input_fd_, bytes, sizeof bytes);
    if (n > 0) {
      decoder_.feed(std::string_view(bytes, static_cast<std::size_t>(n)), decoded);
      last_read_ms_ = now;
      if (decoded.records.size() >= RECORDS_HELD_MAX) {
        return; // the rest waits in the terminal
      }
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      // End of input or an error: the terminal has gone, as when its window is
      // closed. It is not polled again, so nothing spins until the process ends.
      input_fd_ = -1;
      signals_post_control(CONTROL_CLOSE);
      return;
    }
  }
}

// With processed input, Ctrl+C and Ctrl+Break (the terminal's interrupt and quit
// keys, which raw mode delivers as bytes 3 and 0x1C) are control events, not keys.
// Ctrl+Z suspends the program as the terminal's suspend key would.
void PosixConsole::queue_records(const DecodedInput& decoded) {
  if (!input_terminal_) {
    return;
  }
  const bool processed = processed_input();
  for (const InputRecord& record : decoded.records) {
    if (record.event_type == EVENT_KEY) {
      const KeyEventRecord& key = record.key;
      if (processed &&
          (key.virtual_key == VK_CANCEL || (key.ascii_char == 0x1C && ctrl_held(key)))) {
        if (key.key_down) {
          signals_post_control(CONTROL_BREAK);
        }
        continue;
      }
      if (processed && key.ascii_char == 3 && ctrl_held(key)) {
        if (key.key_down) {
          signals_post_control(CONTROL_C);
        }
        continue;
      }
      if (key.ascii_char == 0x1A && ctrl_held(key)) {
        if (key.key_down) {
          update();
          signals_suspend();
        }
        continue;
      }
    }
    memory_.queue_record(record);
  }
}

void PosixConsole::apply_resize() {
  TerminalSize size;
  if (!output_terminal_ || !terminal_size(STDOUT_FILENO, size) ||
      (size.width == memory_.width() && size.height == memory_.height())) {
    return;
  }
  memory_.set_buffer_size(size.width, size.height);
  memory_.set_window({0, 0, static_cast<std::int16_t>(size.width - 1),
                      static_cast<std::int16_t>(size.height - 1)});
  renderer_.resize(size.width, size.height);
  screen_changed_ = true;
  if (input_terminal_) {
    InputRecord record;
    record.event_type = EVENT_WINDOW_BUFFER_SIZE;
    record.buffer_size = {size.width, size.height};
    memory_.queue_record(record);
  }
}

// The renderer puts a large update inside a synchronized update itself.
void PosixConsole::update() {
  if (!output_terminal_ || !screen_changed_) {
    return;
  }
  screen_changed_ = false;
  update_bytes_.clear();
  renderer_.update(memory_, update_bytes_);
  if (update_bytes_.empty()) {
    return;
  }
  const std::lock_guard guard(terminal_lock());
  if (!terminal_released()) {
    terminal_write(STDOUT_FILENO, update_bytes_);
  }
}

void PosixConsole::wait(int timeout_ms) {
  const int held = decoder_.timeout_ms();
  if (held >= 0 && (timeout_ms < 0 || held < timeout_ms)) {
    timeout_ms = held;
  }
  pollfd fds[2] = {{signals_wake_fd(), POLLIN, 0}, {input_fd_, POLLIN, 0}};
  poll(fds, 2, timeout_ms);
  signals_drain_wake();
}

bool PosixConsole::processed_input() {
  std::uint32_t mode = 0;
  return memory_.get_console_mode(MemoryConsole::INPUT_HANDLE, mode) &&
         (mode & MODE_PROCESSED_INPUT) != 0;
}

// --- Input -------------------------------------------------------------------

bool PosixConsole::peek_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                              std::uint32_t& count) {
  pump();
  const bool ok = memory_.peek_input(handle, records, length, count);
  if (!ok || count == 0) {
    update();
  }
  return ok;
}

bool PosixConsole::read_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                              std::uint32_t& count) {
  if (!input_terminal_) {
    count = 0;
    return false;
  }
  for (;;) {
    pump();
    if (memory_.pending_records() > 0) {
      return memory_.read_input(handle, records, length, count);
    }
    update();
    wait(-1);
  }
}

bool PosixConsole::set_ctrl_handler(ConsoleCtrlHandler handler, bool add) {
  return control_set_handler(handler, add);
}

std::uint32_t PosixConsole::map_virtual_key(std::uint32_t code, std::uint32_t map_type) {
  return memory_.map_virtual_key(code, map_type);
}

std::size_t PosixConsole::read_stdin(void* buffer, std::size_t count) {
  update();
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer, count);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard input came non-blocking from whoever started the program: no byte
      // yet is not the end of input.
      pollfd p{STDIN_FILENO, POLLIN, 0};
      poll(&p, 1, -1);
      continue;
    }
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

// --- Waiting and time --------------------------------------------------------

void PosixConsole::sleep(std::uint32_t ms) {
  update();
  sleep_ms(ms);
}

void PosixConsole::idle_wait(std::uint32_t timeout_ms) {
  pump();
  if (memory_.pending_records() > 0) {
    return;
  }
  update();
  wait(timeout_ms > INT32_MAX ? INT32_MAX : static_cast<int>(timeout_ms));
  pump();
}

void PosixConsole::idle_wake() {
  signals_wake();
}

bool PosixConsole::query_performance_frequency(std::int64_t& frequency) {
  frequency = 1'000'000'000;
  return true;
}

bool PosixConsole::query_performance_counter(std::int64_t& count) {
  count = static_cast<std::int64_t>(monotonic_ns());
  return true;
}

std::uint32_t PosixConsole::get_tick_count() {
  return static_cast<std::uint32_t>(monotonic_ms());
}

// --- Output ------------------------------------------------------------------

bool PosixConsole::write_file(ConsoleHandle handle, const void* bytes, std::uint32_t count,
                              std::uint32_t& written) {
  if (output_terminal_ || handle != MemoryConsole::OUTPUT_HANDLE) {
    return memory_.write_file(handle, bytes, count, written);
  }
  const bool ok = terminal_write(STDOUT_FILENO, static_cast<const char*>(bytes), count);
  written = ok ? count : 0;
  return ok;
}

bool PosixConsole::beep(std::uint32_t, std::uint32_t duration_ms) {
  update();
  if (output_terminal_) {
    const std::lock_guard guard(terminal_lock());
    if (!terminal_released()) {
      terminal_write(STDOUT_FILENO, "\a");
    }
  }
  sleep_ms(duration_ms); // the call returns when the tone would have ended
  return true;
}
