// Clearing the view area or the screen, against the in-memory console.
#include <gtest/gtest.h>

#include "console/console_clear.h"
#include "tests/console/console_fixture.h"

namespace {

using ClearTest = ScreenTest;

// A 40-row window over a 50-row buffer, made taller after the view was fixed at
// the first 25 rows.
TEST_F(ClearTest, ModesChooseTheRowsToBlank) {
  struct Case {
    const char* name;
    std::uint32_t mode;
    int blank_rows; // window rows 1 to this are blank afterwards
    ScreenCursor cursor;
  };
  const Case cases[] = {
      {"no mode given blanks the view", CLEAR_DEFAULT, 25, {1, 1}},
      {"view", CLEAR_VIEW, 25, {1, 1}},
      {"screen", CLEAR_SCREEN, 40, {1, 1}},
      {"an unlisted mode blanks the screen", 7, 40, {1, 1}},
      {"skip", CLEAR_SKIP, 0, {12, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    use_console(80, 50);
    console().set_window(ConsoleRect{0, 0, 79, 24});
    console_view_rows(nullptr, nullptr);
    console().set_window(ConsoleRect{0, 0, 79, 39});
    console_capture_screen();
    label_rows();
    console().set_cursor(ConsoleCoord{3, 11});
    console().set_attribute(0x1E);
    console().set_cursor_visible(false);
    console_screen.print_column = 9;
    console_clear(c.mode);
    EXPECT_FALSE(console().cursor_visible());
    for (int row = 1; row <= 40; ++row) {
      const std::string expected = row <= c.blank_rows ? "" : "row " + std::to_string(row - 1);
      EXPECT_EQ(console().window_row(row), expected) << "window row " << row;
    }
    if (c.blank_rows > 0) {
      EXPECT_EQ(console().cell(79, static_cast<std::int16_t>(c.blank_rows - 1)),
                (ConsoleCell{' ', 0x1E}));
    }
    EXPECT_EQ(buffer_row(40), "row 40");
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.print_column, 0);
  }
}

TEST_F(ClearTest, BlanksFromTheWindowTopAfterTheWindowMovedDown) {
  use_console(80, 50);
  console().set_window(ConsoleRect{0, 0, 79, 24});
  label_rows();
  console().set_cursor(ConsoleCoord{0, 24});
  print("\n\n"); // the view and the window move two rows down the buffer
  console_clear(CLEAR_DEFAULT);
  EXPECT_EQ(buffer_row(0), "row 0");
  EXPECT_EQ(buffer_row(1), "row 1");
  for (std::int16_t y = 2; y <= 26; ++y) {
    EXPECT_EQ(buffer_row(y), "") << "buffer row " << y;
  }
  EXPECT_EQ(buffer_row(27), "row 27");
  EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 2}));
}

TEST_F(ClearTest, NotAConsoleOnlyResetsThePrintColumn) {
  console().set_output_redirected(true);
  console_screen.print_column = 12;
  console_clear(CLEAR_DEFAULT);
  EXPECT_EQ(console_screen.print_column, 0);
  EXPECT_TRUE(console().raw_output().empty());
  EXPECT_EQ(console().call_count(ConsoleCall::fill_character), 0u);
}

TEST_F(ClearTest, EmptyRectangleLeavesEvenTheCursor) {
  label_rows();
  console().set_cursor(ConsoleCoord{5, 5});
  console_fill_rows(MemoryConsole::OUTPUT_HANDLE, 0, 3, 79, 2); // no rows
  console_fill_rows(MemoryConsole::OUTPUT_HANDLE, 4, 3, 3, 9);  // no columns
  EXPECT_EQ(console().cursor(), (ConsoleCoord{5, 5}));
  EXPECT_EQ(console().call_count(ConsoleCall::fill_character), 0u);
  console_fill_rows(MemoryConsole::OUTPUT_HANDLE, 2, 3, 4, 4);
  EXPECT_EQ(buffer_row(3), "ro");
  EXPECT_EQ(buffer_row(4), "ro");
  EXPECT_EQ(buffer_row(5), "row 5");
  EXPECT_EQ(console().cursor(), (ConsoleCoord{2, 3}));
}

} // namespace
