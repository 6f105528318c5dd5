// The terminal backend in a pseudo-terminal, each figure beside a yardstick: start-up
// to the first prompt (a minimal program printing one line), key-to-screen latency
// (a raw echo loop) and the CPU the game uses while it waits for a key.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/console_platform.h"
#include "tests/platform/posix/pty_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* PROMPT = "Difficulty (1-10):";

[[noreturn]] void run_binary(const char* path, int report_fd) {
  const std::string line = "pid " + std::to_string(getpid()) + "\n";
  [[maybe_unused]] const ssize_t n = write(report_fd, line.data(), line.size());
  close(report_fd);
  execl(path, path, static_cast<char*>(nullptr));
  _exit(127);
}

// The latency yardstick: raw mode, and every byte typed straight back.
[[noreturn]] void raw_echo(int report_fd) {
  close(report_fd);
  termios settings{};
  tcgetattr(STDIN_FILENO, &settings);
  cfmakeraw(&settings);
  tcsetattr(STDIN_FILENO, TCSANOW, &settings);
  [[maybe_unused]] ssize_t n = write(STDOUT_FILENO, "ready", 5);
  char byte = 0;
  while (read(STDIN_FILENO, &byte, 1) == 1) {
    n = write(STDOUT_FILENO, &byte, 1);
  }
  _exit(0);
}

// The terminal backend alone, waiting for keys as the game does (polling, then an
// idle wait) and showing each key typed in the top-left cell.
[[noreturn]] void backend_echo(int report_fd) {
  const std::string line = "pid " + std::to_string(getpid()) + "\n";
  [[maybe_unused]] const ssize_t n = write(report_fd, line.data(), line.size());
  close(report_fd);
  platform_install_default();
  ConsolePlatform& p = platform();
  const ConsoleHandle input = p.get_std_handle(StdStream::input);
  const ConsoleHandle output = p.get_std_handle(StdStream::output);
  ConsoleCell cell{'>', 7};
  for (;;) {
    ConsoleRect region{0, 0, 0, 0};
    p.write_output(output, &cell, {1, 1}, {0, 0}, region);
    InputRecord record;
    std::uint32_t count = 0;
    while (p.peek_input(input, &record, 1, count) && count == 0) {
      p.idle_wait(1000);
    }
    p.read_input(input, &record, 1, count);
    if (count == 1 && record.event_type == EVENT_KEY && record.key.key_down) {
      cell.ch = record.key.ascii_char;
    }
  }
}

bool screen_shows(const PtySession& pty, const std::string& text) {
  for (int row = 1; row <= 25; ++row) {
    if (pty.row(row).find(text) != std::string::npos) {
      return true;
    }
  }
  return false;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void start_up(benchmark::State& state, const char* path) {
  for (auto _ : state) {
    const auto start = Clock::now();
    PtySession pty([path](int report_fd) { run_binary(path, report_fd); });
    if (!pty.wait_until([&] { return screen_shows(pty, PROMPT); })) {
      state.SkipWithError("no prompt");
      return;
    }
    state.SetIterationTime(seconds_since(start));
  }
}

// Left and right in turn, so every key changes the screen. Timed from the key to the
// first byte of the screen's answer; the median (counter median_us) is the figure
// that a loaded machine disturbs least.
void key_to_screen(benchmark::State& state, PtySession& pty) {
  bool left = true;
  std::vector<double> times;
  for (auto _ : state) {
    const std::size_t before = pty.output().size();
    const auto start = Clock::now();
    pty.type(left ? "g" : "h");
    left = !left;
    if (!pty.wait_until([&] { return pty.output().size() > before; }, 1000)) {
      state.SkipWithError("a key changed nothing on the screen");
      return;
    }
    times.push_back(seconds_since(start));
    state.SetIterationTime(times.back());
  }
  std::sort(times.begin(), times.end());
  state.counters["median_us"] = times.empty() ? 0 : times[times.size() / 2] * 1e6;
}

long cpu_ticks(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t end = text.rfind(')');
  if (end == std::string::npos) {
    return -1;
  }
  std::istringstream fields(text.substr(end + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) {
    fields >> skip; // state to cmajflt
  }
  long user = 0;
  long system = 0;
  fields >> user >> system;
  return user + system;
}

// The CPU the program (which reported its pid) uses in 5 seconds without a key.
void cpu_while_waiting(benchmark::State& state, PtySession& pty) {
  pid_t pid = -1;
  for (const std::string& line : pty.lines()) {
    std::sscanf(line.c_str(), "pid %d", &pid);
  }
  double percent = 0;
  for (auto _ : state) {
    const long before = cpu_ticks(pid);
    const auto start = Clock::now();
    pty.wait_until([] { return false; }, 5000);
    const double elapsed = seconds_since(start);
    const long used = cpu_ticks(pid) - before;
    percent =
        100.0 * static_cast<double>(used) / static_cast<double>(sysconf(_SC_CLK_TCK)) / elapsed;
    state.SetIterationTime(elapsed);
  }
  state.counters["cpu_percent"] = percent;
}

bool backend_ready(PtySession& pty) {
  return pty.wait_until([&] { return pty.row(1).find('>') != std::string::npos; }) &&
         !pty.lines().empty();
}

void BM_KeyToScreen_Backend(benchmark::State& state) {
  PtySession pty(backend_echo);
  if (!backend_ready(pty)) {
    state.SkipWithError("the backend never showed its cell");
    return;
  }
  key_to_screen(state, pty);
}
BENCHMARK(BM_KeyToScreen_Backend)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_CpuWhileWaitingForAKey_Backend(benchmark::State& state) {
  PtySession pty(backend_echo);
  if (!backend_ready(pty)) {
    state.SkipWithError("the backend never showed its cell");
    return;
  }
  cpu_while_waiting(state, pty);
}
BENCHMARK(BM_CpuWhileWaitingForAKey_Backend)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

#ifdef CHASE_BINARY

// The game on its board (difficulty 1: few gaps, so a few moves rarely end it).
bool chase_on_board(PtySession& pty) {
  if (!pty.wait_until([&] { return screen_shows(pty, PROMPT); })) {
    return false;
  }
  pty.type("1\r");
  return pty.wait_until([&] { return pty.row(21).find('K') != std::string::npos; });
}

void BM_StartUpToFirstPrompt_Chase(benchmark::State& state) {
  start_up(state, CHASE_BINARY);
}
BENCHMARK(BM_StartUpToFirstPrompt_Chase)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_KeyToScreen_Chase(benchmark::State& state) {
  PtySession pty([](int report_fd) { run_binary(CHASE_BINARY, report_fd); });
  if (!chase_on_board(pty)) {
    state.SkipWithError("the board never appeared");
    return;
  }
  key_to_screen(state, pty);
  if (screen_shows(pty, "dog")) {
    state.SkipWithError("the game ended during the run");
  }
}
BENCHMARK(BM_KeyToScreen_Chase)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_CpuWhileWaitingForAKey_Chase(benchmark::State& state) {
  PtySession pty([](int report_fd) { run_binary(CHASE_BINARY, report_fd); });
  if (!chase_on_board(pty)) {
    state.SkipWithError("the board never appeared");
    return;
  }
  cpu_while_waiting(state, pty);
}
BENCHMARK(BM_CpuWhileWaitingForAKey_Chase)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

#endif

void BM_StartUpToFirstLine_OneLineProgram(benchmark::State& state) {
  start_up(state, ONE_LINE_PROGRAM);
}
BENCHMARK(BM_StartUpToFirstLine_OneLineProgram)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_KeyToScreen_RawEcho(benchmark::State& state) {
  PtySession pty(raw_echo);
  if (!pty.wait_until([&] { return pty.output().find("ready") != std::string::npos; })) {
    state.SkipWithError("the echo program never started");
    return;
  }
  key_to_screen(state, pty);
}
BENCHMARK(BM_KeyToScreen_RawEcho)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

} // namespace
