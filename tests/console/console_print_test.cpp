// The output engine against the in-memory console: what lands in the cells, where
// the cursor ends, how the view scrolls and the window follows, and which calls the
// console sees.
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "console/console_clear.h"
#include "tests/console/console_fixture.h"

namespace {

using Rows = std::vector<std::pair<int, std::string>>; // window row (1-based), text

class PrintTest : public ScreenTest {
protected:
  void expect_rows(const Rows& rows) {
    for (const auto& [row, text] : rows) {
      EXPECT_EQ(console().window_row(row), text) << "window row " << row;
    }
  }
};

TEST_F(PrintTest, LaysTextOutWithControlCharacters) {
  struct Case {
    const char* name;
    ScreenCursor start;
    std::string prefill; // row 1's text before the print
    std::string text;
    Rows rows;
    ScreenCursor cursor;
  };
  const std::string zs(20, 'z');
  const Case cases[] = {
      {"wraps at the last column",
       {1, 78},
       "",
       "ABCDE",
       {{1, std::string(77, ' ') + "ABC"}, {2, "DE"}},
       {2, 3}},
      {"a full row moves to the next",
       {10, 1},
       "",
       std::string(80, 'x'),
       {{10, std::string(80, 'x')}, {11, ""}},
       {11, 1}},
      {"TAB at column 1 writes 8 spaces",
       {1, 1},
       zs,
       "\t",
       {{1, "        " + zs.substr(8)}},
       {1, 9}},
      {"TAB at column 8 writes 1 space",
       {1, 8},
       zs,
       "\t",
       {{1, "zzzzzzz " + zs.substr(8)}},
       {1, 9}},
      {"TAB at column 9 writes 8 spaces",
       {1, 9},
       zs,
       "\t",
       {{1, "zzzzzzzz        " + zs.substr(16)}},
       {1, 17}},
      {"TAB counts the text before it", {1, 1}, "", "ab\tc", {{1, "ab      c"}}, {1, 10}},
      {"TAB near the edge wraps", {1, 77}, "", "\tY", {{1, ""}, {2, "Y"}}, {2, 2}},
      {"BS at column 1 stays", {1, 1}, zs, "\b", {{1, zs}}, {1, 1}},
      {"BS then a letter overwrites", {1, 1}, "", "\bA", {{1, "A"}}, {1, 2}},
      {"BS moves back without erasing", {1, 1}, "", "AB\b", {{1, "AB"}}, {1, 2}},
      {"BS lets the next letter overwrite", {1, 1}, "", "AB\bC", {{1, "AC"}}, {1, 3}},
      {"CR returns to column 1", {1, 1}, "", "abc\rX", {{1, "Xbc"}}, {1, 2}},
      {"LF starts the next row at column 1",
       {1, 5},
       "",
       "ab\ncd",
       {{1, "    ab"}, {2, "cd"}},
       {2, 3}},
      {"CR LF after a wrapped row adds its own row",
       {1, 1},
       "",
       std::string(80, 'x') + "\r\nY",
       {{1, std::string(80, 'x')}, {2, ""}, {3, "Y"}},
       {3, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    put_text(0, 0, c.prefill);
    console().set_cursor(ConsoleCoord{static_cast<std::int16_t>(c.start.column - 1),
                                      static_cast<std::int16_t>(c.start.row - 1)});
    print(c.text);
    expect_rows(c.rows);
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_FALSE(console_screen.pending_wrap);
  }
}

TEST_F(PrintTest, EveryOtherByteIsWrittenAsACell) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != 7 && b != 8 && b != 9 && b != 10 && b != 13) {
      bytes.push_back(static_cast<char>(b));
    }
  }
  console().set_attribute(0x2F);
  print(bytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const ConsoleCell cell =
        console().cell(static_cast<std::int16_t>(i % 80), static_cast<std::int16_t>(i / 80));
    ASSERT_EQ(cell, (ConsoleCell{static_cast<std::uint8_t>(bytes[i]), 0x2F})) << "byte " << i;
  }
  EXPECT_EQ(cursor(), (ScreenCursor{4, static_cast<int>(bytes.size() % 80) + 1}));
  EXPECT_TRUE(console().beeps().empty());
}

TEST_F(PrintTest, ScrollsAtTheBottomOfTheView) {
  struct Case {
    const char* name;
    std::string text;
    Rows rows;
    ScreenCursor cursor;
    bool pending_wrap;
    std::uint64_t scroll_calls;
  };
  const std::string row_of_x(80, 'x');
  const Case cases[] = {
      {"a full bottom row owes its line feed",
       row_of_x,
       {{1, "row 0"}, {25, row_of_x}},
       {25, 80},
       true,
       0},
      {"CR after a full bottom row scrolls",
       row_of_x + "\r",
       {{1, "row 1"}, {24, row_of_x}, {25, ""}},
       {25, 1},
       false,
       1},
      {"three line feeds scroll three rows at once",
       "\n\n\n",
       {{1, "row 3"}, {22, "row 24"}, {23, ""}, {25, ""}},
       {25, 1},
       false,
       1},
      {"more line feeds than rows stay",
       std::string(15, '\n'),
       {{1, "row 15"}, {10, "row 24"}, {11, ""}, {15, ""}, {25, ""}},
       {25, 1},
       false,
       1},
      {"text past the bottom row scrolls before it is written",
       std::string(85, 'x'),
       {{1, "row 1"}, {24, row_of_x}, {25, "xxxxx"}},
       {25, 6},
       false,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    label_rows();
    console().set_cursor(ConsoleCoord{0, 24});
    print(c.text);
    expect_rows(c.rows);
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.pending_wrap, c.pending_wrap);
    EXPECT_EQ(console().call_count(ConsoleCall::scroll_buffer), c.scroll_calls);
  }
}

// The game's two closing lines at the bottom of an 80 by 25 window.
TEST_F(PrintTest, GameEndingAtTheBottomOfTheWindow) {
  struct Case {
    const char* name;
    std::int16_t buffer_height;
    int window_top;           // buffer row shown as window row 1 afterwards
    std::string buffer_row_0; // what is left in the buffer's first row
    std::uint16_t last_row_attribute;
    std::uint64_t window_moves; // by the second line
  };
  const Case cases[] = {
      // The buffer's rows move up; the uncovered row is blanked in the current attribute.
      {"the buffer is the window", 25, 0, "row 1", 0x1E, 0},
      // The view and the window move down; the row taken in keeps its cells.
      {"the buffer is taller", 50, 1, "row 0", 7, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    use_console(80, c.buffer_height);
    console().set_window(ConsoleRect{0, 0, 79, 24});
    for (std::int16_t y = 0; y < 25; ++y) {
      put_text(0, y, "row " + std::to_string(y));
    }
    console().set_attribute(0x1E);
    console_locate(24, 1, CURSOR_KEEP, 0, 0);
    print("You got that dog!\r\n");
    EXPECT_EQ(console().window_row(24), "You got that dog!");
    EXPECT_EQ(cursor(), (ScreenCursor{25, 1}));
    console().reset_call_counts();
    print("Now get to class!\r\n");
    EXPECT_EQ(console().call_count(ConsoleCall::set_window_info), c.window_moves);

    std::vector<std::string> expected;
    for (int y = 1; y <= 22; ++y) {
      expected.push_back("row " + std::to_string(y));
    }
    expected.insert(expected.end(), {"You got that dog!", "Now get to class!", ""});
    EXPECT_EQ(console().window_lines(), expected);
    EXPECT_EQ(cursor(), (ScreenCursor{25, 1}));
    EXPECT_EQ(console().window(), (ConsoleRect{0, static_cast<std::int16_t>(c.window_top), 79,
                                               static_cast<std::int16_t>(c.window_top + 24)}));
    EXPECT_EQ(buffer_row(0), c.buffer_row_0);
    EXPECT_EQ(console().cell(0, static_cast<std::int16_t>(c.window_top + 24)).attributes,
              c.last_row_attribute);
    // Screen row 1 is the window's top row from now on.
    console_locate(1, 1, CURSOR_KEEP, 0, 0);
    EXPECT_EQ(console().cursor(), (ConsoleCoord{0, static_cast<std::int16_t>(c.window_top)}));
  }
}

TEST_F(PrintTest, ViewSlidesDownTheBufferThenScrollsIt) {
  use_console(80, 27);
  console().set_window(ConsoleRect{0, 0, 79, 24});
  label_rows();
  console().set_cursor(ConsoleCoord{0, 24});
  print("\n\n\n\n"); // two rows are left below the window, two more must scroll
  EXPECT_EQ(console().window(), (ConsoleRect{0, 2, 79, 26}));
  EXPECT_EQ(console().window_row(1), "row 4");
  EXPECT_EQ(console().window_row(23), "row 26");
  EXPECT_EQ(console().window_row(24), "");
  EXPECT_EQ(console().window_row(25), "");
  EXPECT_EQ(buffer_row(0), "row 2");
  EXPECT_EQ(cursor(), (ScreenCursor{25, 1}));
}

TEST_F(PrintTest, OwedLineFeedIsPaidOrCancelled) {
  struct Case {
    const char* name;
    void (*follow)();
    std::string row_1;
    std::string row_24;
    std::string row_25;
    ScreenCursor cursor;
    bool pending_wrap;
  };
  const std::string row_of_x(80, 'x');
  const Case cases[] = {
      {"the next print scrolls first", [] { print("X"); }, "row 1", row_of_x, "X", {25, 2}, false},
      {"an empty print that must act pays it",
       [] { print("", CONSOLE_PRINT_ALWAYS); },
       "row 1",
       row_of_x,
       "",
       {25, 1},
       false},
      {"an empty print otherwise does nothing",
       [] { print(""); },
       "row 0",
       "row 23",
       row_of_x,
       {25, 80},
       true},
      {"a cursor placement cancels it",
       [] {
         console_locate(0, 0, CURSOR_KEEP, 0, 0);
         print("X");
       },
       "row 0",
       "row 23",
       std::string(79, 'x') + "X",
       {25, 80},
       true},
      {"a clear cancels it",
       [] {
         console_clear(CLEAR_DEFAULT);
         print("X");
       },
       "X",
       "",
       "",
       {1, 2},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    label_rows();
    console().set_cursor(ConsoleCoord{0, 24});
    print(row_of_x);
    ASSERT_TRUE(console_screen.pending_wrap);
    ASSERT_EQ(cursor(), (ScreenCursor{25, 80}));
    c.follow();
    EXPECT_EQ(console().window_row(1), c.row_1);
    EXPECT_EQ(console().window_row(24), c.row_24);
    EXPECT_EQ(console().window_row(25), c.row_25);
    EXPECT_EQ(cursor(), c.cursor);
    EXPECT_EQ(console_screen.pending_wrap, c.pending_wrap);
  }
}

TEST_F(PrintTest, EmptyPrintTouchesNothingUnlessItMustAct) {
  console().set_cursor(ConsoleCoord{4, 3});
  console().reset_call_counts();
  print("");
  std::uint64_t calls = 0;
  for (int call = 0; call < static_cast<int>(ConsoleCall::count_); ++call) {
    calls += console().call_count(static_cast<ConsoleCall>(call));
  }
  EXPECT_EQ(calls, 0u);
  print("", CONSOLE_PRINT_ALWAYS);
  EXPECT_EQ(console().call_count(ConsoleCall::set_cursor_position), 1u);
  EXPECT_EQ(cursor(), (ScreenCursor{4, 5}));
}

// A view of rows 5 to 10 inside the 25-row window.
TEST_F(PrintTest, PartialViewScrollsOnlyItsOwnRows) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> view; // window rows 5 to 10 afterwards
  };
  const Case cases[] = {
      {"one row", "\n", {"row 5", "row 6", "row 7", "row 8", "row 9", ""}},
      {"more rows than stay", "\n\n\n\n", {"row 8", "row 9", "", "", "", ""}},
      {"the whole view", "\n\n\n\n\n\n\n", {"", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    console_screen.view_top = 4;
    console_screen.view_bottom = 9;
    label_rows();
    console().set_cursor(ConsoleCoord{0, 9});
    print(c.text);
    std::vector<std::string> expected(25);
    for (int y = 0; y < 25; ++y) {
      expected[y] = y >= 4 && y <= 9 ? c.view[y - 4] : "row " + std::to_string(y);
    }
    EXPECT_EQ(console().window_lines(), expected);
    EXPECT_EQ(cursor(), (ScreenCursor{10, 1}));
    EXPECT_EQ(console().window(), (ConsoleRect{0, 0, 79, 24}));
  }
}

TEST_F(PrintTest, FailedCellWriteDropsOnlyItsRun) {
  struct Case {
    const char* name;
    std::uint32_t successful_writes_first;
    std::string text;
    Rows rows;
    ScreenCursor cursor;
  };
  const Case cases[] = {
      {"a whole wrapped run",
       0,
       std::string(200, 'x') + "\r\ndef",
       {{1, ""}, {2, "def"}, {3, ""}},
       {2, 4}},
      {"the second piece of a wrapped run",
       1,
       std::string(100, 'x') + "\r\nyz",
       {{1, std::string(80, 'x')}, {2, ""}, {3, "yz"}},
       {3, 3}},
      // The carriage return starts from where the text really stopped.
      {"a run before a carriage return", 0, "abc\rX", {{1, "X"}}, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    console().fail_call(ConsoleCall::write_output, 1, c.successful_writes_first);
    print(c.text);
    expect_rows(c.rows);
    EXPECT_EQ(cursor(), c.cursor);
  }
}

TEST_F(PrintTest, OneCursorSetAndOneWritePerRowPiece) {
  struct Case {
    const char* name;
    int start_column;
    std::string text;
    std::uint64_t writes;
  };
  const Case cases[] = {
      {"one row", 1, std::string(80, 'a'), 1},
      {"three rows", 1, std::string(200, 'a'), 3},
      {"from mid-row", 41, std::string(80, 'a'), 2},
      // The 1024-byte chunk ends inside row 13 and splits that row in two writes.
      {"longer than a chunk", 1, std::string(1100, 'a'), 15},
      {"controls between runs", 1, "ab\r\ncd\tef\bg" + std::string(200, 'x'), 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    console().set_cursor(ConsoleCoord{static_cast<std::int16_t>(c.start_column - 1), 0});
    print(c.text);
    EXPECT_EQ(console().call_count(ConsoleCall::write_output), c.writes);
    EXPECT_EQ(console().call_count(ConsoleCall::set_cursor_position), 1u);
  }
}

// Records the window's first row at the moment the tone sounds.
class BeepWitness : public MemoryConsole {
public:
  using MemoryConsole::MemoryConsole;
  bool beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) override {
    row_at_beep = window_row(1);
    return MemoryConsole::beep(frequency_hz, duration_ms);
  }
  std::string row_at_beep = "no beep";
};

TEST_F(PrintTest, BellSoundsBeforeTheTextGatheredAheadOfIt) {
  BeepWitness witness(80, 25);
  platform_install(&witness);
  print("ab\ac");
  ASSERT_EQ(witness.beeps().size(), 1u);
  EXPECT_EQ(witness.beeps()[0].frequency_hz, 1000u);
  EXPECT_EQ(witness.beeps()[0].duration_ms, 250u);
  EXPECT_EQ(witness.row_at_beep, "");
  EXPECT_EQ(witness.window_row(1), "abc");
  EXPECT_EQ(witness.cursor(), (ConsoleCoord{3, 0}));
}

TEST_F(PrintTest, UnreadableBufferInfoStartsAtTheViewsTopLeft) {
  console_is_screen(); // the screen is captured while the console can be read
  console().set_attribute(0x1E);
  console().set_cursor(ConsoleCoord{9, 9});
  console().fail_call(ConsoleCall::get_screen_buffer_info);
  print("Z");
  EXPECT_EQ(console().cell(0, 0), (ConsoleCell{'Z', 7}));
  EXPECT_EQ(console().cursor(), (ConsoleCoord{1, 0}));
}

TEST_F(PrintTest, OutputThatIsNotAConsoleGetsTheBytesUnchanged) {
  console().set_output_redirected(true);
  const std::string bytes("a\a\b\t\r\n\0\x0b\x0c\xff z", 12);
  print(bytes);
  EXPECT_EQ(console().raw_output(), bytes);
  EXPECT_TRUE(console().beeps().empty());
  EXPECT_EQ(console().call_count(ConsoleCall::write_output), 0u);
  EXPECT_EQ(console().call_count(ConsoleCall::set_cursor_position), 0u);
}

TEST_F(PrintTest, OneRowOrOneColumnConsoleGetsRawBytes) {
  struct Case {
    const char* name;
    std::int16_t width, height;
    ConsoleRect window;
  };
  const Case cases[] = {
      {"a window one row high", 80, 25, {0, 7, 79, 7}},
      {"a buffer one column wide", 1, 25, {0, 0, 0, 24}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    use_console(c.width, c.height);
    console().set_window(c.window);
    print("ab\r\n");
    EXPECT_EQ(console().raw_output(), "ab\r\n");
    EXPECT_EQ(console().call_count(ConsoleCall::write_output), 0u);
  }
}

TEST_F(PrintTest, AWindowGrownFromOneRowIsAScreenAgain) {
  console().set_window({0, 0, 79, 0});
  print("ab");
  console().set_window({0, 0, 79, 24});
  print("cd");
  EXPECT_EQ(console().raw_output(), "ab");
  EXPECT_EQ(screen_row(1), "cd");
}

TEST_F(PrintTest, FailedRawWriteEndsOnlyThatPrint) {
  console().set_output_redirected(true);
  console().fail_call(ConsoleCall::write_file);
  print("lost");
  print("kept");
  EXPECT_EQ(console().raw_output(), "kept");
  EXPECT_EQ(console().call_count(ConsoleCall::write_file), 2u);
}

} // namespace
