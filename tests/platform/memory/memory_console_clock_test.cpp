// The in-memory console's virtual clock, idle waits, starvation, and the call counts
// with injected failures.
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "platform/memory/memory_console.h"

namespace {

constexpr ConsoleHandle IN = MemoryConsole::INPUT_HANDLE;
constexpr ConsoleHandle OUT = MemoryConsole::OUTPUT_HANDLE;

TEST(MemoryConsoleClock, SleepAndBeepAdvanceTheCountersTogether) {
  MemoryConsole console(80, 25);
  console.set_clock_ms(1000);
  console.sleep(25);
  ASSERT_TRUE(console.beep(1000, 250));
  EXPECT_EQ(console.clock_ms(), 1275u);
  ASSERT_EQ(console.beeps().size(), 1u);
  EXPECT_EQ(console.beeps()[0].frequency_hz, 1000u);
  EXPECT_EQ(console.beeps()[0].duration_ms, 250u);

  std::int64_t frequency = 0;
  std::int64_t ticks = 0;
  ASSERT_TRUE(console.query_performance_frequency(frequency));
  EXPECT_EQ(frequency, MemoryConsole::PERF_FREQUENCY);
  ASSERT_TRUE(console.query_performance_counter(ticks));
  EXPECT_EQ(ticks, 1275 * MemoryConsole::PERF_FREQUENCY / 1000);
  EXPECT_EQ(console.get_tick_count(), 1275u);

  console.set_clock_ms((std::uint64_t{1} << 32) + 5); // the tick count wraps
  EXPECT_EQ(console.get_tick_count(), 5u);
}

TEST(MemoryConsoleClock, WithoutAPerformanceCounterBothQueriesFail) {
  MemoryConsole console(80, 25);
  console.set_clock_ms(40);
  console.set_performance_counter(false);
  std::int64_t frequency = 1;
  std::int64_t ticks = 1;
  EXPECT_FALSE(console.query_performance_frequency(frequency));
  EXPECT_EQ(frequency, 0);
  EXPECT_FALSE(console.query_performance_counter(ticks));
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(console.get_tick_count(), 40u);
}

TEST(MemoryConsoleClock, IdleWaitReturnsAtOnceOnlyForInputOrAWake) {
  struct Case {
    const char* name;
    std::function<void(MemoryConsole&)> prepare;
    std::uint64_t waited_ms;
    int starvations;
  };
  const Case cases[] = {
      {"nothing to come", [](MemoryConsole&) {}, 100, 1},
      {"a key pending", [](MemoryConsole& c) { c.type_text("k"); }, 0, 0},
      {"woken before", [](MemoryConsole& c) { c.idle_wake(); }, 0, 0},
      {"a wake is used up by one wait",
       [](MemoryConsole& c) {
         c.idle_wake();
         c.idle_wait(100);
       },
       100, 1},
      {"redirected input with bytes left",
       [](MemoryConsole& c) {
         c.set_input_redirected(true);
         c.feed_stdin("1");
       },
       0, 0},
      {"redirected input ignores key records",
       [](MemoryConsole& c) {
         c.set_input_redirected(true);
         c.type_text("k");
       },
       100, 1},
      {"redirected input read to its end",
       [](MemoryConsole& c) {
         c.set_input_redirected(true);
         c.feed_stdin("1");
         char byte = 0;
         c.read_stdin(&byte, 1);
       },
       100, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(80, 25);
    c.prepare(console);
    int starvations = 0;
    console.set_starvation_handler([&starvations] { ++starvations; });
    const std::uint64_t before = console.clock_ms();
    console.idle_wait(100);
    EXPECT_EQ(console.clock_ms() - before, c.waited_ms);
    EXPECT_EQ(starvations, c.starvations);
  }
}

TEST(MemoryConsoleClock, WaitingForInputThatCannotComeCallsTheStarvationHandler) {
  MemoryConsole console(80, 25);
  console.set_starvation_handler([] { throw std::runtime_error("starved"); });
  InputRecord record;
  std::uint32_t count = 0;
  EXPECT_THROW(console.sleep(25), std::runtime_error);
  EXPECT_THROW(console.idle_wait(25), std::runtime_error);
  EXPECT_THROW(console.read_input(IN, &record, 1, count), std::runtime_error);

  // A busy poll of empty peeks gives up too, however long it keeps asking.
  EXPECT_THROW(
      for (;;) { console.peek_input(IN, &record, 1, count); }, std::runtime_error);

  console.type_text("k");
  EXPECT_NO_THROW(console.sleep(25)); // a key is pending
  EXPECT_EQ(console.clock_ms(), 25u);
}

TEST(MemoryConsoleClock, WithoutAStarvationHandlerAnEmptyReadReturnsNothing) {
  MemoryConsole console(80, 25);
  InputRecord record;
  std::uint32_t count = 3;
  EXPECT_TRUE(console.read_input(IN, &record, 1, count));
  EXPECT_EQ(count, 0u);
  console.sleep(10);
  console.idle_wait(5);
  EXPECT_EQ(console.clock_ms(), 15u);
}

// Everything a test can observe of a console without making a platform call.
std::string observed(const MemoryConsole& c) {
  std::string text;
  for (std::int16_t y = 0; y < c.height(); ++y) {
    text += c.row_text(y) + "|";
    for (std::int16_t x = 0; x < c.width(); ++x) {
      text += "0123456789ABCDEF"[c.cell(x, y).attributes & 0xF];
    }
    text += "|";
  }
  const ConsoleRect w = c.window();
  text += "cursor " + std::to_string(c.cursor().x) + "," + std::to_string(c.cursor().y) +
          " window " + std::to_string(w.left) + "," + std::to_string(w.top) + "," +
          std::to_string(w.right) + "," + std::to_string(w.bottom) + " raw " + c.raw_output() +
          " beeps " + std::to_string(c.beeps().size()) + " clock " + std::to_string(c.clock_ms()) +
          " records " + std::to_string(c.pending_records());
  return text;
}

TEST(MemoryConsoleFaults, InjectedFailuresFailLikeTheRealCallAndChangeNothing) {
  struct Case {
    ConsoleCall call;
    const char* name;
    // Makes the call, a different one each time (n counts the calls so far); gives
    // whether it succeeded and describes its outputs in out.
    std::function<bool(MemoryConsole&, int n, std::string& out)> attempt;
    std::string failed_out;
  };
  const auto ch = [](int n) { return static_cast<std::uint8_t>('a' + n); };
  const Case cases[] = {
      {ConsoleCall::fill_character, "fill_character",
       [&](MemoryConsole& c, int n, std::string& out) {
         std::uint32_t written = 9;
         const bool ok =
             c.fill_character(OUT, ch(n), 6, {static_cast<std::int16_t>(n), 0}, written);
         out = std::to_string(written);
         return ok;
       },
       "0"},
      {ConsoleCall::fill_attribute, "fill_attribute",
       [](MemoryConsole& c, int n, std::string& out) {
         std::uint32_t written = 9;
         const bool ok = c.fill_attribute(OUT, static_cast<std::uint16_t>(n + 1), 6,
                                          {static_cast<std::int16_t>(n), 0}, written);
         out = std::to_string(written);
         return ok;
       },
       "0"},
      {ConsoleCall::write_output, "write_output",
       [&](MemoryConsole& c, int n, std::string&) {
         const ConsoleCell cell{ch(n), 7};
         ConsoleRect region{static_cast<std::int16_t>(n), 1, static_cast<std::int16_t>(n), 1};
         return c.write_output(OUT, &cell, {1, 1}, {0, 0}, region);
       },
       ""},
      {ConsoleCall::scroll_buffer, "scroll_buffer",
       [&](MemoryConsole& c, int n, std::string&) {
         return c.scroll_buffer(OUT, {0, 1, 7, 1}, nullptr, {0, 0}, {ch(n), 7});
       },
       ""},
      {ConsoleCall::set_cursor_position, "set_cursor_position",
       [](MemoryConsole& c, int n, std::string&) {
         return c.set_cursor_position(OUT, {static_cast<std::int16_t>(n), 1});
       },
       ""},
      {ConsoleCall::set_window_info, "set_window_info",
       [](MemoryConsole& c, int n, std::string&) {
         const auto row = static_cast<std::int16_t>(n % 2);
         return c.set_window_info(OUT, true, {0, row, 7, row});
       },
       ""},
      {ConsoleCall::get_screen_buffer_info, "get_screen_buffer_info",
       [](MemoryConsole& c, int, std::string& out) {
         ConsoleBufferInfo info{};
         const bool ok = c.get_screen_buffer_info(OUT, info);
         out = std::to_string(info.size.x);
         return ok;
       },
       "0"},
      {ConsoleCall::get_console_mode, "get_console_mode",
       [](MemoryConsole& c, int, std::string& out) {
         std::uint32_t mode = 99;
         const bool ok = c.get_console_mode(IN, mode);
         out = std::to_string(mode);
         return ok;
       },
       "99"},
      {ConsoleCall::set_console_mode, "set_console_mode",
       [](MemoryConsole& c, int n, std::string& out) {
         const bool ok = c.set_console_mode(IN, n % 2 == 0 ? 0x17 : 0x07);
         std::uint32_t mode = 0;
         c.get_console_mode(IN, mode);
         out = std::to_string(mode);
         return ok;
       },
       "23"},
      {ConsoleCall::write_file, "write_file",
       [&](MemoryConsole& c, int n, std::string& out) {
         const char byte = static_cast<char>(ch(n));
         std::uint32_t written = 9;
         const bool ok = c.write_file(OUT, &byte, 1, written);
         out = std::to_string(written);
         return ok;
       },
       "0"},
      {ConsoleCall::beep, "beep",
       [](MemoryConsole& c, int, std::string&) { return c.beep(1000, 250); }, ""},
      {ConsoleCall::peek_input, "peek_input",
       [](MemoryConsole& c, int, std::string& out) {
         InputRecord record;
         std::uint32_t count = 9;
         const bool ok = c.peek_input(IN, &record, 1, count);
         out = std::to_string(count);
         return ok;
       },
       "0"},
      {ConsoleCall::read_input, "read_input",
       [](MemoryConsole& c, int, std::string& out) {
         InputRecord record;
         std::uint32_t count = 9;
         const bool ok = c.read_input(IN, &record, 1, count);
         out = std::to_string(count);
         return ok;
       },
       "0"},
      {ConsoleCall::read_stdin, "read_stdin",
       [](MemoryConsole& c, int, std::string& out) {
         char byte = 0;
         const std::size_t n = c.read_stdin(&byte, 1);
         out = std::string(n, byte);
         return n == 1;
       },
       ""},
      {ConsoleCall::map_virtual_key, "map_virtual_key",
       [](MemoryConsole& c, int, std::string& out) {
         const std::uint32_t mapped = c.map_virtual_key('A', MAP_VK_TO_CHAR);
         out = std::to_string(mapped);
         return mapped == 'A';
       },
       "0"},
      {ConsoleCall::set_ctrl_handler, "set_ctrl_handler",
       [](MemoryConsole& c, int, std::string&) {
         return c.set_ctrl_handler([](std::uint32_t) { return true; }, true);
       },
       ""},
      {ConsoleCall::query_performance_frequency, "query_performance_frequency",
       [](MemoryConsole& c, int, std::string& out) {
         std::int64_t frequency = -1;
         const bool ok = c.query_performance_frequency(frequency);
         out = std::to_string(frequency);
         return ok;
       },
       "0"},
      {ConsoleCall::query_performance_counter, "query_performance_counter",
       [](MemoryConsole& c, int, std::string& out) {
         std::int64_t ticks = -1;
         const bool ok = c.query_performance_counter(ticks);
         out = std::to_string(ticks);
         return ok;
       },
       "0"},
      {ConsoleCall::get_std_handle, "get_std_handle",
       [](MemoryConsole& c, int, std::string& out) {
         const ConsoleHandle handle = c.get_std_handle(StdStream::output);
         out = std::to_string(handle);
         return handle == OUT;
       },
       "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(8, 2);
    console.set_clock_ms(10);
    console.type_text("rrrr");
    console.feed_stdin("abcd");
    console.fail_call(c.call, 2, 1); // one success, two failures, then successes again
    std::string out;
    EXPECT_TRUE(c.attempt(console, 0, out));
    for (int n = 1; n <= 2; ++n) {
      const std::string before = observed(console);
      EXPECT_FALSE(c.attempt(console, n, out));
      EXPECT_EQ(out, c.failed_out);
      EXPECT_EQ(observed(console), before);
    }
    EXPECT_TRUE(c.attempt(console, 3, out));
    EXPECT_EQ(console.call_count(c.call), 4u);
  }
}

TEST(MemoryConsoleFaults, CallsThatCannotFailIgnoreInjectedFailures) {
  MemoryConsole console(80, 25);
  console.set_clock_ms(7);
  console.fail_call(ConsoleCall::sleep);
  console.fail_call(ConsoleCall::get_tick_count);
  console.sleep(5);
  EXPECT_EQ(console.get_tick_count(), 12u);
  EXPECT_EQ(console.call_count(ConsoleCall::sleep), 1u);
}

TEST(MemoryConsoleFaults, CallsAreCountedUntilReset) {
  MemoryConsole console(80, 25);
  ConsoleBufferInfo info{};
  console.get_screen_buffer_info(OUT, info);
  console.set_output_redirected(true);
  console.get_screen_buffer_info(OUT, info); // failures count as calls too
  console.sleep(1);
  EXPECT_EQ(console.call_count(ConsoleCall::get_screen_buffer_info), 2u);
  EXPECT_EQ(console.call_count(ConsoleCall::sleep), 1u);
  EXPECT_EQ(console.call_count(ConsoleCall::write_output), 0u);
  console.reset_call_counts();
  EXPECT_EQ(console.call_count(ConsoleCall::get_screen_buffer_info), 0u);
}

} // namespace
