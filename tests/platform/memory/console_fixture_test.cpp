// The shared fixture: what every suite relies on when it derives from ConsoleTest.
#include <gtest/gtest.h>
#include <string>

#include "platform/console_platform.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"
#include "tests/support/console_test.h"

namespace {

class ConsoleFixtureTest : public ConsoleTest {};

TEST_F(ConsoleFixtureTest, InstallsAFresh80By25ConsoleAsThePlatform) {
  EXPECT_EQ(&platform(), &console());
  ConsoleBufferInfo info{};
  ASSERT_TRUE(platform().get_screen_buffer_info(MemoryConsole::OUTPUT_HANDLE, info));
  EXPECT_EQ(info.size, (ConsoleCoord{80, 25}));
  EXPECT_EQ(screen(), screen_with({}));
  EXPECT_EQ(cursor(), (ScreenCursor{1, 1}));
}

TEST_F(ConsoleFixtureTest, WaitingForInputTheScriptNeverSuppliesFailsAtOnce) {
  EXPECT_THROW(platform().sleep(25), ConsoleStarved);
  EXPECT_THROW(platform().idle_wait(25), ConsoleStarved);
  try {
    InputRecord record;
    std::uint32_t count = 0;
    platform().read_input(platform().get_std_handle(StdStream::input), &record, 1, count);
    FAIL() << "read_input returned with nothing to read";
  } catch (const ConsoleStarved& starved) {
    EXPECT_NE(std::string(starved.what()).find("never supplies"), std::string::npos);
  }
  console().type_text("x");
  EXPECT_NO_THROW(platform().sleep(25));
}

TEST_F(ConsoleFixtureTest, AReplacedConsoleIsInstalledAndStarvesAsWell) {
  use_console(40, 10);
  EXPECT_EQ(&platform(), &console());
  EXPECT_EQ(console().width(), 40);
  const ConsoleCell cells[2] = {{'o', 7}, {'k', 7}};
  ConsoleRect region{3, 9, 4, 9};
  ASSERT_TRUE(platform().write_output(MemoryConsole::OUTPUT_HANDLE, cells, {2, 1}, {0, 0}, region));
  ASSERT_TRUE(platform().set_cursor_position(MemoryConsole::OUTPUT_HANDLE, {5, 9}));
  std::vector<std::string> expected = screen_with({});
  expected[9] = "   ok";
  EXPECT_EQ(screen(), expected);
  EXPECT_EQ(screen_row(10), "   ok");
  EXPECT_EQ(cursor(), (ScreenCursor{10, 6}));
  EXPECT_THROW(platform().sleep(25), ConsoleStarved);
}

TEST_F(ConsoleFixtureTest, CursorCountsFromTheWindowsTopRow) {
  use_console(80, 100);
  console().set_window({0, 50, 79, 74});
  console().set_cursor({9, 52});
  EXPECT_EQ(cursor(), (ScreenCursor{3, 10}));
  EXPECT_EQ(screen().size(), 25u);
}

TEST_F(ConsoleFixtureTest, SetUpResetsTheRuntimeRecords) {
  rt_set_error(RT_ERROR_TRANSFER);
  timer_seconds(); // decides the timer source
  TearDown();
  EXPECT_NE(&platform(), &console()); // the detached default again
  SetUp();
  EXPECT_EQ(rt_get_error(), RT_OK);
  EXPECT_EQ(timer_state.timer_source, TIMER_UNKNOWN);
}

} // namespace
