// Print items, separators, zones and the print column, against the in-memory console.
#include <gtest/gtest.h>
#include <string>

#include "console/print_items.h"
#include "runtime/rt_context.h"
#include "tests/console/console_fixture.h"

namespace {

using PrintItemsTest = ScreenTest;

TEST_F(PrintItemsTest, ItemsAndTheirSeparators) {
  struct Case {
    const char* name;
    void (*item)();
    std::string row_21;
    ScreenCursor cursor;
    std::int32_t print_column;
  };
  const Case cases[] = {
      {"a marker with its newline",
       [] { print_string(0, "K", 17); },
       std::string(19, 'z') + "K",
       {22, 1},
       0},
      {"a text alone", [] { print_string(0, " ", 16); }, std::string(19, 'z'), {21, 21}, 20},
      {"the newline alone", [] { print_newline(0, 17); }, std::string(19, 'z'), {22, 1}, 0},
      {"flag 4 ends the line too",
       [] { print_string(0, "ab", 4); },
       std::string(19, 'z') + "ab",
       {22, 1},
       0},
      {"newline wins over padding",
       [] { print_string(0, "ab", PRINT_NEWLINE | PRINT_PAD); },
       std::string(19, 'z') + "ab",
       {22, 1},
       0},
      {"padding alone",
       [] { print_string(0, "ab", PRINT_PAD | 16); },
       std::string(19, 'z') + "ab",
       {21, 29},
       28},
      {"other bits do nothing",
       [] { print_string(0, "ab", 8 | 16 | 32); },
       std::string(19, 'z') + "ab",
       {21, 22},
       21},
      {"an empty text prints only its separator",
       [] { print_string(0, "", 17); },
       std::string(19, 'z'),
       {22, 1},
       0},
      {"a null text prints only its separator",
       [] { print_cstring(0, nullptr, 17); },
       std::string(19, 'z'),
       {22, 1},
       0},
      {"a null text without separator prints nothing",
       [] { print_cstring(0, nullptr, 16); },
       std::string(19, 'z'),
       {21, 20},
       19},
      {"a terminated text",
       [] { print_cstring(0, "abc", 0); },
       std::string(19, 'z') + "abc",
       {21, 23},
       22},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    put_text(0, 20, std::string(19, 'z'));
    console_locate(21, 20, CURSOR_KEEP, 0, 0);
    c.item();
    EXPECT_EQ(console().window_row(21), c.row_21);
    EXPECT_EQ(console().window_row(22), "");
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.print_column, c.print_column);
    EXPECT_EQ(rt_get_error(), RT_OK);
  }
}

// On an 80-column console; zones start at columns 15, 29, 43, 57 and 71.
TEST_F(PrintItemsTest, ZonePaddingReachesTheNextZone) {
  struct Case {
    std::int32_t column; // print column before (0-based)
    ScreenCursor cursor; // afterwards
    std::int32_t print_column;
  };
  const Case cases[] = {
      {0, {10, 15}, 14},  {13, {10, 15}, 14}, {14, {10, 29}, 28}, {28, {10, 43}, 42},
      {55, {10, 57}, 56}, {56, {11, 1}, 0},   {70, {11, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("print column " + std::to_string(c.column));
    restart();
    put_text(0, 9, std::string(80, 'z'));
    console_locate(10, c.column + 1, CURSOR_KEEP, 0, 0);
    ASSERT_EQ(console_screen.print_column, c.column);
    print_zone_pad(0);
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.print_column, c.print_column);
    std::string row(80, 'z');
    if (c.cursor.row == 10) {
      row.replace(c.column, c.cursor.column - 1 - c.column, c.cursor.column - 1 - c.column, ' ');
    }
    EXPECT_EQ(console().window_row(10), row);
  }
}

// The last zone must leave 14 columns; the comparison is unsigned, so a console
// narrower than one zone never cancels the padding.
TEST_F(PrintItemsTest, ZonesOnNarrowConsoles) {
  struct Case {
    std::int16_t width;
    std::int32_t column;
    ScreenCursor cursor;
    std::int32_t print_column;
  };
  const Case cases[] = {
      {10, 0, {2, 5}, 4}, // 14 spaces, wrapped once
      {20, 0, {2, 1}, 0}, // the zone at 15 is cancelled: a new line
      {20, 5, {2, 1}, 0},
      {30, 0, {1, 15}, 14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("width " + std::to_string(c.width) + ", column " + std::to_string(c.column));
    restart();
    use_console(c.width, 25);
    console_locate(1, c.column + 1, CURSOR_KEEP, 0, 0);
    print_zone_pad(0);
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.print_column, c.print_column);
  }
}

TEST_F(PrintItemsTest, PrintColumnCountsBytesSinceTheLastLineEnd) {
  struct Case {
    const char* name;
    std::string text;
    std::int32_t print_column;
    ScreenCursor cursor;
  };
  const Case cases[] = {
      {"two letters after CR LF", "ab\r\ncd", 2, {2, 3}},
      {"85 bytes wrap at the width", std::string(85, 'x'), 5, {2, 6}},
      {"a TAB counts as one byte", "\t", 1, {1, 9}},
      {"a BS counts as one byte", "ab\b", 3, {1, 2}},
      {"a lone CR", "abc\r", 0, {1, 1}},
      {"a lone LF", "abc\n", 0, {2, 1}},
      {"a wrapped row then CR LF", std::string(80, 'x') + "\r\n", 0, {3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    console_locate(1, 1, CURSOR_KEEP, 0, 0);
    print_string(0, c.text, 16);
    EXPECT_EQ(console_screen.print_column, c.print_column);
    EXPECT_EQ(cursor(), c.cursor);
  }
}

TEST_F(PrintItemsTest, FileThatIsNoTargetOrNotOpenFails) {
  for (const std::int32_t file : {3, 254, -1, 255, -2, 100000}) {
    SCOPED_TRACE("file " + std::to_string(file));
    restart();
    print_string(file, "x", PRINT_NEWLINE);
    EXPECT_EQ(rt_get_error(), RT_ERROR_ARGUMENT);
    rt_set_error(RT_OK);
    print_newline(file, PRINT_PAD);
    EXPECT_EQ(rt_get_error(), RT_ERROR_ARGUMENT);
    EXPECT_EQ(print_bytes(file, "y", 1), RT_ERROR_ARGUMENT);
    EXPECT_EQ(console().window_row(1), "");
    EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 0}));
    // The console was started all the same, and still prints.
    EXPECT_TRUE(console_screen.device_ready);
    EXPECT_EQ(print_bytes(0, "ok", 2), RT_OK);
    EXPECT_EQ(rt_get_error(), RT_OK);
    EXPECT_EQ(console().window_row(1), "ok");
  }
}

TEST_F(PrintItemsTest, NotAConsoleGetsTheItemsAsBytes) {
  console().set_output_redirected(true);
  print_string(0, "Hi", 17);
  print_cstring(0, "?\t", 16);
  EXPECT_EQ(console().raw_output(), "Hi\r\n?\t");
  EXPECT_EQ(rt_get_error(), RT_OK);
}

} // namespace
