#include "platform/posix/terminal_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "platform/console_platform.h"
#include "platform/posix/terminal_io.h"

namespace {

int wake_pipe[2] = {-1, -1};
int control_pipe[2] = {-1, -1};
std::atomic<bool> resize_pending{false};
std::atomic<bool> repaint_pending{false};
// Set while SIGTSTP's handler has the process stopped: it takes the terminal back
// itself once the process continues.
volatile sig_atomic_t suspending = 0;

constexpr int crash_signals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

// The write end never blocks, so a signal handler cannot hang on a full pipe.
void make_pipe(int ends[2], bool blocking_read) {
  if (pipe(ends) != 0) {
    ends[0] = ends[1] = -1;
    return;
  }
  for (int i = 0; i < 2; ++i) {
    fcntl(ends[i], F_SETFD, FD_CLOEXEC);
    if (i == 1 || !blocking_read) {
      fcntl(ends[i], F_SETFL, fcntl(ends[i], F_GETFL) | O_NONBLOCK);
    }
  }
}

void write_byte(int fd, unsigned char byte) {
  if (fd >= 0) {
    const int saved_errno = errno;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    errno = saved_errno;
  }
}

void set_handler(int signo, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  sigaction(signo, &action, nullptr);
}

// Only when the process is in the terminal's foreground: a background process that
// set terminal modes would be stopped for it.
bool in_foreground() {
  const pid_t group = tcgetpgrp(STDIN_FILENO);
  const pid_t out_group = tcgetpgrp(STDOUT_FILENO);
  const pid_t own = getpgrp();
  return group == own || out_group == own;
}

void on_resize(int) {
  resize_pending = true;
  write_byte(wake_pipe[1], 1);
}

void take_back_terminal() {
  if (in_foreground()) {
    terminal_enter();
  }
  // The size may have changed while the process was stopped.
  resize_pending = true;
  repaint_pending = true;
  write_byte(wake_pipe[1], 1);
}

void on_continue(int) {
  if (!suspending) {
    take_back_terminal();
  }
}

void on_stop(int) {
  suspending = 1;
  terminal_leave();
  set_handler(SIGTSTP, SIG_DFL, 0);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(SIGTSTP);
  // Continued (or never stopped, in an orphaned process group).
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  set_handler(SIGTSTP, on_stop, SA_RESTART);
  suspending = 0;
  take_back_terminal();
}

// SA_RESETHAND and SA_NODEFER: once the terminal is restored, raising the signal
// again meets its default action at once.
void on_fatal(int signo) {
  terminal_release();
  raise(signo);
}

void on_close(int signo) {
  write_byte(control_pipe[1], signo == SIGHUP ? CONTROL_CLOSE : CONTROL_SHUTDOWN);
  write_byte(wake_pipe[1], 1);
}

} // namespace

void signals_install() {
  make_pipe(wake_pipe, false);
  make_pipe(control_pipe, true);
  set_handler(SIGWINCH, on_resize, SA_RESTART);
  set_handler(SIGCONT, on_continue, SA_RESTART);
  set_handler(SIGTSTP, on_stop, SA_RESTART);
  set_handler(SIGHUP, on_close, SA_RESTART);
  set_handler(SIGTERM, on_close, SA_RESTART);
  set_handler(SIGINT, on_fatal, SA_RESETHAND | SA_NODEFER);
  set_handler(SIGQUIT, on_fatal, SA_RESETHAND | SA_NODEFER);
  for (const int signo : crash_signals) {
    set_handler(signo, on_fatal, SA_RESETHAND | SA_NODEFER);
  }
}

int signals_wake_fd() {
  return wake_pipe[0];
}

void signals_wake() {
  write_byte(wake_pipe[1], 1);
}

bool signals_drain_wake() {
  bool any = false;
  unsigned char bytes[64];
  while (wake_pipe[0] >= 0 && read(wake_pipe[0], bytes, sizeof bytes) > 0) {
    any = true;
  }
  return any;
}

bool signals_take_resize() {
  return resize_pending.exchange(false);
}

bool signals_take_repaint() {
  return repaint_pending.exchange(false);
}

int signals_control_fd() {
  return control_pipe[0];
}

void signals_post_control(std::uint32_t control_type) {
  write_byte(control_pipe[1], static_cast<unsigned char>(control_type));
}

void signals_suspend() {
  raise(SIGTSTP);
}

void signals_end_process(int signo) {
  set_handler(signo, SIG_DFL, 0);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signo);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signo);
  _exit(128 + signo); // the default action of every signal used here ends the process
}
