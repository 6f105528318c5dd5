#include "platform/posix/terminal_control.h"

#include <cerrno>
#include <csignal>
#include <iterator>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/posix/terminal_io.h"
#include "platform/posix/terminal_signals.h"

namespace {

std::mutex& handlers_lock() {
  static std::mutex lock;
  return lock;
}

std::vector<ConsoleCtrlHandler>& handlers() {
  static auto* list = new std::vector<ConsoleCtrlHandler>; // lives until the process ends
  return *list;
}

bool call_handlers(std::uint32_t control_type) {
  std::vector<ConsoleCtrlHandler> newest_first;
  {
    const std::lock_guard guard(handlers_lock());
    newest_first.assign(handlers().rbegin(), handlers().rend());
  }
  for (const ConsoleCtrlHandler handler : newest_first) {
    if (handler(control_type)) {
      return true;
    }
  }
  return false;
}

[[noreturn]] void end_process(int signo) {
  {
    const std::lock_guard guard(terminal_lock());
    terminal_release();
  }
  signals_end_process(signo);
}

void handle(std::uint32_t control_type) {
  const bool handled = call_handlers(control_type);
  switch (control_type) {
  case CONTROL_CLOSE:
    end_process(SIGHUP);
  case CONTROL_SHUTDOWN:
    end_process(SIGTERM);
  case CONTROL_C:
    if (!handled) {
      end_process(SIGINT);
    }
    break;
  case CONTROL_BREAK:
    if (!handled) {
      end_process(SIGQUIT);
    }
    break;
  default:
    break;
  }
}

void control_loop() {
  for (;;) {
    unsigned char control_type = 0;
    const ssize_t n = read(signals_control_fd(), &control_type, 1);
    if (n == 1) {
      handle(control_type);
    } else if (n == 0 || errno != EINTR) {
      return;
    }
  }
}

} // namespace

void control_start() {
  // Signals go to the program's thread; this one only waits for events.
  sigset_t all;
  sigfillset(&all);
  sigset_t previous;
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  std::thread(control_loop).detach();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool control_set_handler(ConsoleCtrlHandler handler, bool add) {
  const std::lock_guard guard(handlers_lock());
  std::vector<ConsoleCtrlHandler>& list = handlers();
  if (add) {
    list.push_back(handler);
    return true;
  }
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (*it == handler) {
      list.erase(std::next(it).base());
      return true;
    }
  }
  return false;
}
