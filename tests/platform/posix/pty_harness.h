// A program run in a pseudo-terminal, with libvterm as the terminal's screen.
//
// The pty's session is led by a small job-control shell (the wrapper): it starts the
// program in a process group of its own in the terminal's foreground, and reports
// on a pipe how the program stopped or ended and whether it left the terminal's
// settings (termios, file status flags) as they were before it started.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>
#include <vterm.h>

struct PtyOptions {
  int columns = 80;
  int rows = 25;
  std::string stdout_file;    // when set, the program's standard output goes there
  std::string stdin_file;     // when set, the program's standard input comes from there
  bool utf8 = true;           // the program's locale is UTF-8
  bool answer_queries = true; // false: the terminal's answers are held back (withheld())
};

// What the wrapper reports after the program stopped or ended.
struct PtyReport {
  std::string how; // "exited", "signaled", "stopped"
  int value = -1;  // exit code or signal number
  bool same_modes = false;
  long cpu_ms = -1; // the program's CPU time, once it has ended
};

namespace pty_detail {

inline bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

inline void say(int fd, const char* line) {
  [[maybe_unused]] const ssize_t n = write(fd, line, std::strlen(line));
}

// The wrapper: runs in the child of forkpty, the session leader of the pty.
[[noreturn]] inline void run_wrapper(const std::function<void(int)>& program,
                                     const PtyOptions& options, int report_fd, int command_fd) {
  signal(SIGHUP, SIG_IGN);
  signal(SIGTTOU, SIG_IGN);
  termios before{};
  tcgetattr(STDIN_FILENO, &before);
  const int flags_before = fcntl(STDIN_FILENO, F_GETFL);
  const pid_t pid = fork();
  if (pid == 0) {
    // Into the foreground before the program can touch the terminal (as a shell
    // does, on both sides of the fork): a background process that sets terminal
    // modes is stopped. SIGTTOU is still ignored here.
    setpgid(0, 0);
    tcsetpgrp(STDIN_FILENO, getpid());
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    signal(SIGHUP, SIG_DFL);
    signal(SIGTTOU, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    close(command_fd);
    if (!options.stdin_file.empty()) {
      const int fd = open(options.stdin_file.c_str(), O_RDONLY);
      dup2(fd, STDIN_FILENO);
      close(fd);
    }
    if (!options.stdout_file.empty()) {
      const int fd = open(options.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, STDOUT_FILENO);
      close(fd);
    }
    setenv("LC_ALL", options.utf8 ? "C.UTF-8" : "C", 1);
    program(report_fd);
    std::exit(0);
  }
  setpgid(pid, pid);
  tcsetpgrp(STDIN_FILENO, pid);
  char started[32];
  std::snprintf(started, sizeof started, "started %d\n", static_cast<int>(pid));
  say(report_fd, started);
  for (;;) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, WUNTRACED, &usage) != pid) {
      _exit(1);
    }
    termios after{};
    tcgetattr(STDIN_FILENO, &after);
    const bool same = same_settings(before, after) && fcntl(STDIN_FILENO, F_GETFL) == flags_before;
    char line[128];
    if (WIFSTOPPED(status)) {
      std::snprintf(line, sizeof line, "stopped %d %d -1\n", WSTOPSIG(status), same ? 1 : 0);
      say(report_fd, line);
      char command = 0;
      if (read(command_fd, &command, 1) != 1) {
        _exit(1);
      }
      tcsetpgrp(STDIN_FILENO, pid);
      kill(-pid, SIGCONT);
      continue;
    }
    const long cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000L;
    std::snprintf(line, sizeof line, "%s %d %d %ld\n", WIFEXITED(status) ? "exited" : "signaled",
                  WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status), same ? 1 : 0, cpu_ms);
    say(report_fd, line);
    _exit(0);
  }
}

} // namespace pty_detail

class PtySession {
public:
  // Starts the program (called with the report pipe's write end) in a new terminal.
  explicit PtySession(const std::function<void(int report_fd)>& program,
                      const PtyOptions& options = {})
      : options_(options) {
    int report[2];
    int command[2];
    if (pipe(report) != 0 || pipe(command) != 0) {
      return;
    }
    termios settings{};
    cfmakeraw(&settings);
    // A terminal as a shell leaves it: canonical mode, echo, signals, output
    // processing.
    settings.c_iflag = ICRNL | IXON | IUTF8;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    settings.c_cflag = CS8 | CREAD;
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    settings.c_cc[VINTR] = 3;
    settings.c_cc[VQUIT] = 0x1C;
    settings.c_cc[VERASE] = 0x7F;
    settings.c_cc[VKILL] = 0x15;
    settings.c_cc[VEOF] = 4;
    settings.c_cc[VSUSP] = 0x1A;
    settings.c_cc[VMIN] = 1;
    winsize size{static_cast<unsigned short>(options.rows),
                 static_cast<unsigned short>(options.columns), 0, 0};
    pid_ = forkpty(&master_, nullptr, &settings, &size);
    if (pid_ == 0) {
      close(report[0]);
      close(command[1]);
      pty_detail::run_wrapper(program, options, report[1], command[0]);
    }
    close(report[1]);
    close(command[0]);
    report_fd_ = report[0];
    command_fd_ = command[1];
    vt_ = vterm_new(options.rows, options.columns);
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, &PtySession::answer, this);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_reset(screen_, 1);
  }

  // Ends the program if it still runs, and lets the wrapper reap it.
  ~PtySession() {
    read_reports();
    if (program_ > 0) {
      kill(-program_, SIGKILL);
    }
    if (master_ >= 0) {
      close(master_);
    }
    if (pid_ > 0) {
      waitpid(pid_, nullptr, 0);
    }
    close(report_fd_);
    close(command_fd_);
    vterm_free(vt_);
  }

  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  bool started() const { return pid_ > 0 && master_ >= 0; }
  // The test's side of the terminal.
  int master() const { return master_; }

  // Text shown on the terminal before the program started.
  void show(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }

  void type(const std::string& bytes) {
    [[maybe_unused]] const ssize_t n = write(master_, bytes.data(), bytes.size());
  }

  // Closes the terminal, as closing its window does.
  void hang_up() {
    close(master_);
    master_ = -1;
  }

  // Lets the stopped program continue.
  void resume() { [[maybe_unused]] const ssize_t n = write(command_fd_, "c", 1); }

  // Moves the program's wrapper to a known place: the screen wiped, as the shell
  // does with it while the program is suspended.
  void wipe_screen() { vterm_screen_reset(screen_, 1); }

  // Processes terminal output and reports until done() holds or timeout_ms pass.
  bool wait_until(const std::function<bool()>& done, int timeout_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) {
        return false;
      }
      pollfd fds[2] = {{master_, POLLIN, 0}, {report_fd_, POLLIN, 0}};
      if (poll(fds, 2, static_cast<int>(left)) <= 0) {
        continue;
      }
      char bytes[4096];
      if (master_ >= 0 && (fds[0].revents & POLLIN) != 0) {
        const ssize_t n = read(master_, bytes, sizeof bytes);
        if (n > 0) {
          output_.append(bytes, static_cast<std::size_t>(n));
          vterm_input_write(vt_, bytes, static_cast<std::size_t>(n));
        } else {
          drained_ = true; // no process has the terminal open any more
        }
      } else if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
        // No process has the terminal open any more; only the report pipe can tell
        // more.
        drained_ = true;
        if ((fds[1].revents & POLLIN) == 0) {
          poll(&fds[1], 1, static_cast<int>(left));
        }
      }
      if ((fds[1].revents & POLLIN) != 0 || (fds[0].revents & POLLHUP) != 0) {
        read_reports();
      }
    }
    return true;
  }

  // Takes in the terminal's output until none has come for quiet_ms: the program has
  // finished its update and waits.
  void settle(int quiet_ms = 200) {
    for (std::size_t seen = output_.size() + 1; seen != output_.size();) {
      seen = output_.size();
      wait_until([&] { return output_.size() != seen; }, quiet_ms);
    }
  }

  bool wait_for_text(int row, const std::string& text, int timeout_ms = 5000) {
    return wait_until([&] { return this->row(row).find(text) != std::string::npos; }, timeout_ms);
  }

  // Lines the program wrote to its report pipe.
  bool wait_for_line(const std::string& line, int timeout_ms = 5000) {
    return wait_until(
        [&] {
          for (const std::string& l : lines_) {
            if (l == line) {
              return true;
            }
          }
          return false;
        },
        timeout_ms);
  }

  // The wrapper's next report: how the program stopped or ended.
  PtyReport wait_for_report(int timeout_ms = 5000) {
    PtyReport report;
    wait_until([&] { return reports_taken_ < reports_.size(); }, timeout_ms);
    if (reports_taken_ < reports_.size()) {
      report = reports_[reports_taken_++];
    }
    // Once the program has ended, everything it wrote is in the terminal already:
    // take it all in, up to the end the last process's exit gives the terminal.
    if (report.how == "exited" || report.how == "signaled") {
      wait_until([&] { return master_ < 0 || drained_; }, 1000);
    }
    return report;
  }

  // A screen row (1-based), trailing blanks removed.
  std::string row(int row) const {
    std::string text;
    for (int col = 0; col < options_.columns; ++col) {
      VTermScreenCell cell{};
      vterm_screen_get_cell(screen_, VTermPos{row - 1, col}, &cell);
      const std::uint32_t c = cell.chars[0] == 0 ? ' ' : cell.chars[0];
      append_utf8(text, c);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }

  // The terminal's cursor, 1-based (row, column).
  std::pair<int, int> cursor() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return {pos.row + 1, pos.col + 1};
  }

  // Every byte the program sent to the terminal.
  const std::string& output() const { return output_; }
  const std::vector<std::string>& lines() const { return lines_; }
  // The answers the terminal held back.
  const std::string& withheld() const { return withheld_; }

private:
  static void answer(const char* bytes, std::size_t count, void* self) {
    auto* session = static_cast<PtySession*>(self);
    if (!session->options_.answer_queries) {
      session->withheld_.append(bytes, count);
    } else if (session->master_ >= 0) {
      [[maybe_unused]] const ssize_t n = write(session->master_, bytes, count);
    }
  }

  static void append_utf8(std::string& text, std::uint32_t c) {
    if (c < 0x80) {
      text.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      text.push_back(static_cast<char>(0xC0 | (c >> 6)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      text.push_back(static_cast<char>(0xE0 | (c >> 12)));
      text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      text.push_back(static_cast<char>(0xF0 | (c >> 18)));
      text.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }

  void read_reports() {
    for (pollfd p{report_fd_, POLLIN, 0}; poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;) {
      char bytes[512];
      const ssize_t n = read(report_fd_, bytes, sizeof bytes);
      if (n <= 0) {
        break;
      }
      pending_.append(bytes, static_cast<std::size_t>(n));
    }
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      const std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      int started = 0;
      if (std::sscanf(line.c_str(), "started %d", &started) == 1) {
        program_ = started;
        continue;
      }
      char how[16] = {};
      PtyReport report;
      int same = 0;
      if (std::sscanf(line.c_str(), "%15s %d %d %ld", how, &report.value, &same, &report.cpu_ms) ==
              4 &&
          (std::strcmp(how, "exited") == 0 || std::strcmp(how, "signaled") == 0 ||
           std::strcmp(how, "stopped") == 0)) {
        report.how = how;
        report.same_modes = same != 0;
        reports_.push_back(report);
      } else {
        lines_.push_back(line);
      }
    }
  }

  PtyOptions options_;
  pid_t pid_ = -1;     // the wrapper
  pid_t program_ = -1; // the program, leader of its process group
  int master_ = -1;
  int report_fd_ = -1;
  int command_fd_ = -1;
  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  std::string output_;
  std::string pending_;
  std::string withheld_;
  std::vector<std::string> lines_;
  std::vector<PtyReport> reports_;
  std::size_t reports_taken_ = 0;
  bool drained_ = false;
};

// The last setting of a DEC private mode in the bytes ('h' set, 'l' reset), or 0 when
// the bytes never set it.
inline char last_mode_setting(const std::string& bytes, const std::string& mode) {
  const std::string set = "\x1b[?" + mode + "h";
  const std::string reset = "\x1b[?" + mode + "l";
  const std::size_t s = bytes.rfind(set);
  const std::size_t r = bytes.rfind(reset);
  if (s == std::string::npos && r == std::string::npos) {
    return 0;
  }
  if (r == std::string::npos) {
    return 'h';
  }
  if (s == std::string::npos) {
    return 'l';
  }
  return s > r ? 'h' : 'l';
}
