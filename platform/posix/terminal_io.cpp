#include "platform/posix/terminal_io.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Room for the mode bytes of the renderer and of this backend, with plenty to spare.
constexpr std::size_t MODE_BYTES_CAP = 512;

struct TakenTerminal {
  int fd = -1;
  termios saved{};
  termios raw{};
};

struct ModeBytes {
  std::array<char, MODE_BYTES_CAP> bytes{};
  std::size_t count = 0;

  void set(std::string_view text) {
    count = text.size() < bytes.size() ? text.size() : bytes.size();
    std::memcpy(bytes.data(), text.data(), count);
  }
};

// At most two terminals: standard input's and, when it is another, standard output's.
std::array<TakenTerminal, 2> taken;
int output_terminal = -1;
ModeBytes enter_modes;
ModeBytes leave_modes;
std::atomic<bool> released{false};

bool same_terminal(int a, int b) {
  struct stat sa {};
  struct stat sb {};
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_rdev == sb.st_rdev;
}

void take(std::size_t slot, int fd, bool keep_signals) {
  TakenTerminal& t = taken[slot];
  if (tcgetattr(fd, &t.saved) != 0) {
    return;
  }
  t.fd = fd;
  t.raw = t.saved;
  // Raw mode, but reads still block until a byte arrives: waits use poll, and the
  // file status flags stay as the program found them.
  cfmakeraw(&t.raw);
  if (keep_signals) {
    t.raw.c_lflag |= ISIG;
  }
  t.raw.c_cc[VMIN] = 1;
  t.raw.c_cc[VTIME] = 0;
}

void give_back() {
  const int saved_errno = errno;
  if (output_terminal >= 0) {
    terminal_write(output_terminal, leave_modes.bytes.data(), leave_modes.count);
  }
  // TCSANOW: a terminal that was closed or stopped reading must not hold us here.
  for (const TakenTerminal& t : taken) {
    if (t.fd >= 0) {
      tcsetattr(t.fd, TCSANOW, &t.saved);
    }
  }
  errno = saved_errno;
}

} // namespace

bool terminal_size(int fd, TerminalSize& size) {
  winsize ws{};
  if (ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0) {
    return false;
  }
  // The console's coordinates are 16-bit.
  size.width = static_cast<std::int16_t>(ws.ws_col > 0x7FFF ? 0x7FFF : ws.ws_col);
  size.height = static_cast<std::int16_t>(ws.ws_row > 0x7FFF ? 0x7FFF : ws.ws_row);
  return true;
}

bool terminal_write(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = write(fd, bytes, count);
    if (n > 0) {
      bytes += n;
      count -= static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Someone else set the terminal non-blocking: wait until it takes bytes again.
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, 1000) <= 0) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

bool terminal_write(int fd, std::string_view bytes) {
  return terminal_write(fd, bytes.data(), bytes.size());
}

void terminal_setup(int input_fd, int output_fd, std::string_view enter_bytes,
                    std::string_view leave_bytes) {
  if (input_fd >= 0) {
    take(0, input_fd, false);
  }
  // A terminal that only shows the program is not read for keys: its interrupt and
  // quit keys must still reach the program as signals.
  if (output_fd >= 0 && (input_fd < 0 || !same_terminal(input_fd, output_fd))) {
    take(1, output_fd, true);
  }
  output_terminal = output_fd;
  enter_modes.set(enter_bytes);
  leave_modes.set(leave_bytes);
}

void terminal_enter_raw() {
  if (released.load()) {
    return;
  }
  const int saved_errno = errno;
  for (const TakenTerminal& t : taken) {
    if (t.fd >= 0) {
      tcsetattr(t.fd, TCSANOW, &t.raw);
    }
  }
  errno = saved_errno;
}

void terminal_enter() {
  if (released.load()) {
    return;
  }
  terminal_enter_raw();
  if (output_terminal >= 0) {
    const int saved_errno = errno;
    terminal_write(output_terminal, enter_modes.bytes.data(), enter_modes.count);
    errno = saved_errno;
  }
}

void terminal_leave() {
  if (!released.load()) {
    give_back();
  }
}

void terminal_release() {
  if (!released.exchange(true)) {
    give_back();
  }
}

bool terminal_released() {
  return released.load();
}

std::mutex& terminal_lock() {
  static std::mutex lock;
  return lock;
}

void terminal_io_reset() {
  taken = {};
  output_terminal = -1;
  enter_modes = {};
  leave_modes = {};
  released = false;
}
