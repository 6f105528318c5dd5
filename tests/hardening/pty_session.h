// The chase program run in a pseudo-terminal, as a user runs it: keys written to the
// terminal, its output fed to an independent terminal emulator (libvterm), resizes
// made as a terminal window makes them, and the terminal's settings compared before
// and after the program ran.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <vterm.h>

class PtySession {
public:
  struct Options {
    int width = 80;
    int height = 25;
    // When set, standard input is this file instead of the terminal.
    std::string stdin_path;
  };

  explicit PtySession(const Options& options);
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Queues bytes to type; they go out as the terminal takes them.
  void type(const std::string& bytes);
  // Writes what can be written and reads what the program printed, for ms.
  void pump(int ms);
  // Pumps until the screen shows the text (true) or ms have passed (false).
  bool wait_for_text(const std::string& text, int ms);
  // Pumps until the program prints nothing for quiet_ms, at most ms.
  void wait_quiet(int quiet_ms, int ms);
  // Resizes the terminal; the kernel tells the program with SIGWINCH.
  void resize(int width, int height);
  // Pumps until the program ends (true) or ms have passed (false).
  bool wait_exit(int ms);
  // Kills a program that is still running.
  void kill_program();
  // Sends the program a signal, as another process or the terminal does.
  void signal(int signo);

  bool exited_normally() const; // exit status 0
  std::string status_text() const;
  // The highest resident memory seen while the program ran (after it started).
  long peak_rss_kib() const { return peak_kib_; }
  // The terminal's settings now equal those it had before the program started.
  bool settings_restored() const;
  // The terminal's modes were left as the program found them (auto-wrap on, default
  // colours, cursor shown): the last mode sequence is the leaving one.
  bool modes_left() const;
  bool screen_contains(const std::string& text) const;
  std::string row(int y) const;
  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t pending_input() const { return input_.size() - written_; }

private:
  void read_output();
  void write_input();
  void sample_memory();

  int master_ = -1;
  int slave_ = -1;
  int pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
  rusage usage_{};
  long peak_kib_ = 0;
  termios before_{};
  int width_;
  int height_;
  std::string input_;
  std::size_t written_ = 0;
  std::string output_;
  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  std::chrono::steady_clock::time_point last_output_;
};
