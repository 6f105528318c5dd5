// Geometry, coordinates, cursor placement and the console device's start, against
// the in-memory console.
#include <gtest/gtest.h>

#include "runtime/rt_context.h"
#include "runtime/rt_files.h"
#include "tests/console/console_fixture.h"

namespace {

using ConsoleScreenTest = ScreenTest;

TEST_F(ConsoleScreenTest, FirstHandleRequestAddsProcessedInput) {
  console().set_console_mode(MemoryConsole::INPUT_HANDLE, 0x0006);
  EXPECT_EQ(console_get_handle(0), MemoryConsole::OUTPUT_HANDLE);
  EXPECT_EQ(console_get_handle(1), MemoryConsole::INPUT_HANDLE);
  std::uint32_t mode = 0;
  ASSERT_TRUE(console().get_console_mode(MemoryConsole::INPUT_HANDLE, mode));
  EXPECT_EQ(mode, 0x0007u);
  EXPECT_EQ(console().call_count(ConsoleCall::get_std_handle), 2u);
}

TEST_F(ConsoleScreenTest, RedirectedInputModeIsLeftAlone) {
  console().set_input_redirected(true);
  console_get_handle(0);
  EXPECT_EQ(console().call_count(ConsoleCall::set_console_mode), 0u);
}

TEST_F(ConsoleScreenTest, SizeAndExtentFollowTheCapturedWindow) {
  struct Case {
    const char* name;
    std::int16_t buffer_width, buffer_height;
    ConsoleRect window;
    bool redirected;
    bool is_screen;
    std::int32_t width, height;           // console_get_size
    std::int32_t left, top, ext_w, ext_h; // console_screen_extent
  };
  const Case cases[] = {
      {"the usual window", 80, 25, {0, 0, 79, 24}, false, true, 80, 25, 0, 0, 80, 25},
      {"a window down a tall buffer",
       80,
       9001,
       {0, 100, 79, 124},
       false,
       true,
       80,
       25,
       0,
       100,
       80,
       25},
      {"a window narrower than its buffer",
       120,
       50,
       {0, 0, 79, 29},
       false,
       true,
       120,
       30,
       0,
       0,
       120,
       30},
      {"output redirected", 80, 25, {0, 0, 79, 24}, true, false, 80, 25, 0, 0, 0, 0},
      {"a window one row high", 80, 25, {0, 5, 79, 5}, false, false, 80, 25, 0, 0, 0, 0},
      {"a buffer one column wide", 1, 25, {0, 0, 0, 24}, false, false, 80, 25, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    use_console(c.buffer_width, c.buffer_height);
    console().set_window(c.window);
    console().set_output_redirected(c.redirected);
    EXPECT_EQ(console_is_screen(), c.is_screen);
    std::int32_t width = -1, height = -1;
    console_get_size(&width, &height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    std::int32_t left = -1, top = -1, ext_w = -1, ext_h = -1;
    console_screen_extent(&left, &top, &ext_w, &ext_h);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(top, c.top);
    EXPECT_EQ(ext_w, c.ext_w);
    EXPECT_EQ(ext_h, c.ext_h);
    console_get_size(nullptr, nullptr);
    console_screen_extent(nullptr, nullptr, nullptr, nullptr);
  }
}

TEST_F(ConsoleScreenTest, ScreenCoordinatesCountFromTheWindowTop) {
  use_console(80, 200);
  console().set_window(ConsoleRect{0, 100, 79, 124});
  std::int32_t x1 = 1, y1 = 1, x2 = 80, y2 = 25;
  console_to_buffer(&x1, &y1, &x2, &y2);
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(y1, 100);
  EXPECT_EQ(x2, 79);
  EXPECT_EQ(y2, 124);
  console_from_buffer(&x1, &y1, nullptr, nullptr);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(y1, 1);

  console_locate(1, 1, CURSOR_KEEP, 0, 0);
  EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 100}));
  std::int32_t column = 0, row = 0;
  console_get_cursor(&column, &row);
  EXPECT_EQ(column, 1);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(console_current_row(), 1);
  EXPECT_EQ(console_current_column(), 1);
}

TEST_F(ConsoleScreenTest, ScrolledWindowIsNoticedOnlyAfterThePrint) {
  use_console(80, 200);
  console().set_window(ConsoleRect{0, 0, 79, 24});
  console_is_screen();
  console().set_window(ConsoleRect{0, 10, 79, 34}); // the user scrolls the window
  console().set_cursor(ConsoleCoord{0, 15});
  EXPECT_EQ(console_current_row(), 16);
  print("x");
  EXPECT_EQ(console_current_row(), 6);
  console_locate(1, 1, CURSOR_KEEP, 0, 0);
  EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 10}));
}

TEST_F(ConsoleScreenTest, ConversionsLeaveValuesWhenNotAConsole) {
  console().set_output_redirected(true);
  std::int32_t x = 7, y = 9;
  console_to_buffer(&x, &y, nullptr, nullptr);
  console_from_buffer(&x, nullptr, nullptr, &y);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 9);
}

TEST_F(ConsoleScreenTest, ViewAreaIsFixedAtItsFirstQuery) {
  use_console(80, 50);
  console().set_window(ConsoleRect{0, 0, 79, 24});
  std::int32_t first = 0, last = 0;
  console_view_rows(&first, &last);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 25);
  console().set_window(ConsoleRect{0, 0, 79, 39});
  console_capture_screen();
  console_view_rows(&first, &last);
  EXPECT_EQ(last, 25);
  EXPECT_EQ(console_locate_strict(30, 1, CURSOR_KEEP, nullptr), RT_ERROR_ARGUMENT);
}

TEST_F(ConsoleScreenTest, LocateValidatesRowAndColumn) {
  struct Case {
    const char* name;
    std::int32_t row, column;
    bool valid;
    ScreenCursor cursor;       // afterwards, from (10, 5)
    std::int32_t print_column; // afterwards, from 4
  };
  const Case cases[] = {
      {"both given", 3, 7, true, {3, 7}, 6},
      {"row only keeps the column", 5, 0, true, {5, 5}, 4},
      {"column only keeps the row", 0, 80, true, {10, 80}, 79},
      {"neither moves", 0, 0, true, {10, 5}, 4},
      {"the last cell", 25, 80, true, {25, 80}, 79},
      {"row below the view", 26, 1, false, {10, 5}, 4},
      {"column past the edge", 1, 81, false, {10, 5}, 4},
      {"negative row", -1, 1, false, {10, 5}, 4},
      {"negative column", 1, -1, false, {10, 5}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool strict : {true, false}) {
      SCOPED_TRACE(strict ? "strict" : "forgiving");
      restart();
      console_locate(10, 5, CURSOR_KEEP, 0, 0);
      console_screen.pending_wrap = true;
      rt_set_error(4);
      std::uint32_t state = 0xDEAD;
      if (strict) {
        EXPECT_EQ(console_locate_strict(c.row, c.column, CURSOR_KEEP, &state),
                  c.valid ? RT_OK : RT_ERROR_ARGUMENT);
        EXPECT_EQ(rt_get_error(), c.valid ? RT_OK : RT_ERROR_ARGUMENT);
        EXPECT_EQ(console_screen.pending_wrap, !c.valid);
        if (!c.valid) {
          EXPECT_EQ(state, 0u);
        }
      } else {
        state = console_locate(c.row, c.column, CURSOR_KEEP, 0, 0);
        EXPECT_EQ(rt_get_error(), RT_OK);
        EXPECT_FALSE(console_screen.pending_wrap);
      }
      if (c.valid || !strict) {
        const std::uint32_t position = static_cast<std::uint32_t>(c.cursor.column) |
                                       static_cast<std::uint32_t>(c.cursor.row) << 8;
        EXPECT_EQ(state, position | CURSOR_STATE_VISIBLE);
      }
      EXPECT_EQ(cursor(), c.cursor);
      EXPECT_EQ(console_screen.print_column, c.print_column);
    }
  }
}

TEST_F(ConsoleScreenTest, PackedStateReportsVisibilityBeforeTheCall) {
  console_locate(2, 3, CURSOR_KEEP, 0, 0);
  EXPECT_EQ(console_locate(0, 0, 0, 0, 0), 0x10203u); // hides; was visible
  EXPECT_FALSE(console().cursor_visible());
  EXPECT_EQ(console_locate(0, 0, CURSOR_KEEP, 0, 0), 0x0203u);
  EXPECT_FALSE(console().cursor_visible());
  EXPECT_EQ(console_locate(0, 0, 1, 0, 0), 0x0203u); // shows; was hidden
  EXPECT_TRUE(console().cursor_visible());
  EXPECT_EQ(console_locate(0, 0, 5, 0, 0), 0x10203u);
  // A bad position still honours the visibility request.
  EXPECT_EQ(console_locate(99, 1, 0, 0, 0), 0x10203u);
  EXPECT_FALSE(console().cursor_visible());
}

TEST_F(ConsoleScreenTest, PackedStateKeepsTheLowEightBits) {
  use_console(300, 300);
  EXPECT_EQ(console_locate(260, 259, CURSOR_KEEP, 0, 0), CURSOR_STATE_VISIBLE | 0x0403u);
  EXPECT_EQ(console().cursor(), (ConsoleCoord{258, 259}));
}

TEST_F(ConsoleScreenTest, SetCursorKeepsWhatIsNegative) {
  console().set_cursor(ConsoleCoord{6, 4});
  console_screen.pending_wrap = true;
  console_set_cursor(MemoryConsole::OUTPUT_HANDLE, -1, 2, -1);
  EXPECT_EQ(console().cursor(), (ConsoleCoord{2, 4}));
  EXPECT_FALSE(console_screen.pending_wrap);
  console_set_cursor(MemoryConsole::OUTPUT_HANDLE, 8, -5, 0);
  EXPECT_EQ(console().cursor(), (ConsoleCoord{2, 8}));
  EXPECT_FALSE(console().cursor_visible());
}

TEST_F(ConsoleScreenTest, PlacementWhenNotAConsoleStillSetsThePrintColumn) {
  console().set_output_redirected(true);
  std::int32_t width = 0, height = 0;
  console_get_size(&width, &height);
  EXPECT_EQ(width, 80);
  EXPECT_EQ(height, 25);
  EXPECT_EQ(console_locate_strict(25, 80, CURSOR_KEEP, nullptr), RT_OK);
  EXPECT_EQ(console_screen.print_column, 79);
  EXPECT_EQ(console_locate_strict(26, 1, CURSOR_KEEP, nullptr), RT_ERROR_ARGUMENT);
  std::int32_t column = -1, row = -1;
  console_get_cursor(&column, &row);
  EXPECT_EQ(column, 0);
  EXPECT_EQ(row, 0);
  EXPECT_TRUE(console().raw_output().empty());
}

TEST_F(ConsoleScreenTest, AttributeFallsBackToSeven) {
  console().set_attribute(0x4E);
  EXPECT_EQ(console_attribute(MemoryConsole::OUTPUT_HANDLE), 0x4E);
  console().set_output_redirected(true);
  EXPECT_EQ(console_attribute(MemoryConsole::OUTPUT_HANDLE), 7);
}

TEST_F(ConsoleScreenTest, DeviceStartsOnceFromTheCursorColumn) {
  use_console(100, 25);
  console().set_cursor(ConsoleCoord{19, 3});
  console_init_device();
  EXPECT_TRUE(console_screen.device_ready);
  EXPECT_TRUE(rt_file_entry(0)->open);
  EXPECT_EQ(console_screen.print_width, 100);
  EXPECT_EQ(console_screen.print_column, 19);
  console_screen.print_column = 3;
  console_init_device();
  EXPECT_EQ(console_screen.print_column, 3);
}

} // namespace
