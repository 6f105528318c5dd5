#include "tests/hardening/pty_session.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/terminal_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

int elapsed_ms(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

} // namespace

PtySession::PtySession(const Options& options) : width_(options.width), height_(options.height) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(width_);
  size.ws_row = static_cast<unsigned short>(height_);
  if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
    return;
  }
  tcgetattr(slave_, &before_);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  vt_ = vterm_new(height_, width_);
  vterm_set_utf8(vt_, 1);
  screen_ = vterm_obtain_screen(vt_);
  vterm_screen_reset(screen_, 1);
  // The emulator's replies (the cursor position the program asks for at start) go
  // back as input, as a terminal's do.
  vterm_output_set_callback(
      vt_,
      [](const char* bytes, std::size_t length, void* user) {
        static_cast<PtySession*>(user)->type(std::string(bytes, length));
      },
      this);
  last_output_ = Clock::now();

  pid_ = fork();
  if (pid_ == 0) {
    // The terminal becomes the program's controlling terminal, so resizes reach it.
    setsid();
    ioctl(slave_, TIOCSCTTY, 0);
    int input = slave_;
    if (!options.stdin_path.empty()) {
      input = open(options.stdin_path.c_str(), O_RDONLY);
    }
    dup2(input, STDIN_FILENO);
    dup2(slave_, STDOUT_FILENO);
    dup2(slave_, STDERR_FILENO);
    close(master_);
    setenv("LANG", "C.UTF-8", 1);
    setenv("TERM", "xterm-256color", 1);
    // A sanitized build holds up to 256 MiB of freed memory to catch late uses; a
    // smaller hold keeps its peak close to what the program itself needs.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS",
           (std::string(sanitizer != nullptr ? sanitizer : "") + ":quarantine_size_mb=16").c_str(),
           1);
    // CHASE_PROGRAM runs the scenarios against another build, such as the release one.
    const char* program = std::getenv("CHASE_PROGRAM");
    if (program == nullptr || *program == '\0') {
      program = CHASE_BINARY;
    }
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
}

PtySession::~PtySession() {
  kill_program();
  if (vt_ != nullptr) {
    vterm_free(vt_);
  }
  if (master_ >= 0) {
    close(master_);
  }
  if (slave_ >= 0) {
    close(slave_);
  }
}

void PtySession::type(const std::string& bytes) {
  input_ += bytes;
}

void PtySession::read_output() {
  char bytes[65536];
  for (;;) {
    const ssize_t n = read(master_, bytes, sizeof bytes);
    if (n <= 0) {
      return;
    }
    output_.append(bytes, static_cast<std::size_t>(n));
    vterm_input_write(vt_, bytes, static_cast<std::size_t>(n));
    last_output_ = Clock::now();
  }
}

void PtySession::write_input() {
  while (written_ < input_.size()) {
    const ssize_t n = write(master_, input_.data() + written_, input_.size() - written_);
    if (n <= 0) {
      return;
    }
    written_ += static_cast<std::size_t>(n);
  }
}

// The program's own peak, read while it runs: a forked child counts its parent's
// pages until it executes the program, so the figure the kernel gives at the end
// would include the test's own memory.
void PtySession::sample_memory() {
  if (exited_) {
    return;
  }
  std::FILE* status = std::fopen(("/proc/" + std::to_string(pid_) + "/status").c_str(), "r");
  if (status == nullptr) {
    return;
  }
  char line[256];
  bool program = false; // the child has executed the program
  while (std::fgets(line, sizeof line, status) != nullptr) {
    long kib = 0;
    if (std::strncmp(line, "Name:\tchase\n", 12) == 0) {
      program = true;
    } else if (program && std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
      peak_kib_ = std::max(peak_kib_, kib);
    }
  }
  std::fclose(status);
}

void PtySession::pump(int ms) {
  const Clock::time_point start = Clock::now();
  do {
    sample_memory();
    pollfd p{master_, static_cast<short>(POLLIN | (pending_input() > 0 ? POLLOUT : 0)), 0};
    poll(&p, 1, std::max(0, std::min(10, ms - elapsed_ms(start))));
    read_output();
    write_input();
  } while (elapsed_ms(start) < ms);
}

bool PtySession::wait_for_text(const std::string& text, int ms) {
  const Clock::time_point start = Clock::now();
  while (!screen_contains(text)) {
    if (elapsed_ms(start) >= ms) {
      return false;
    }
    pump(10);
  }
  return true;
}

void PtySession::wait_quiet(int quiet_ms, int ms) {
  const Clock::time_point start = Clock::now();
  while (elapsed_ms(start) < ms && (elapsed_ms(last_output_) < quiet_ms || pending_input() > 0)) {
    pump(10);
  }
}

void PtySession::resize(int width, int height) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(width);
  size.ws_row = static_cast<unsigned short>(height);
  read_output(); // what was printed for the old size is shown at the old size
  ioctl(master_, TIOCSWINSZ, &size);
  vterm_set_size(vt_, height, width);
  width_ = width;
  height_ = height;
}

bool PtySession::wait_exit(int ms) {
  const Clock::time_point start = Clock::now();
  while (!exited_) {
    const pid_t done = wait4(pid_, &status_, WNOHANG, &usage_);
    if (done == pid_) {
      exited_ = true;
      pump(50); // the last bytes the program wrote
      break;
    }
    if (elapsed_ms(start) >= ms) {
      return false;
    }
    pump(10);
  }
  return true;
}

void PtySession::kill_program() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    wait4(pid_, &status_, 0, &usage_);
    exited_ = true;
  }
}

void PtySession::signal(int signo) {
  if (pid_ > 0 && !exited_) {
    kill(pid_, signo);
  }
}

bool PtySession::exited_normally() const {
  return exited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

std::string PtySession::status_text() const {
  if (!exited_) {
    return "still running";
  }
  if (WIFSIGNALED(status_)) {
    return "killed by signal " + std::to_string(WTERMSIG(status_));
  }
  return "exit status " + std::to_string(WEXITSTATUS(status_));
}

bool PtySession::settings_restored() const {
  termios after{};
  return tcgetattr(slave_, &after) == 0 && same_settings(before_, after);
}

bool PtySession::modes_left() const {
  const std::size_t left = output_.rfind(TerminalRenderer::leave_modes());
  const std::size_t entered = output_.rfind(TerminalRenderer::enter_modes());
  return left != std::string::npos && (entered == std::string::npos || entered < left);
}

std::string PtySession::row(int y) const {
  std::string text;
  for (int x = 0; x < width_; ++x) {
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen_, VTermPos{y, x}, &cell);
    const std::uint32_t c = cell.chars[0];
    text += c == 0 ? ' ' : c < 0x80 ? static_cast<char>(c) : '?';
  }
  return text;
}

bool PtySession::screen_contains(const std::string& text) const {
  for (int y = 0; y < height_; ++y) {
    if (row(y).find(text) != std::string::npos) {
      return true;
    }
  }
  return false;
}
