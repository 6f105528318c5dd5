// The in-memory console's screen buffer: fills, cell writes, scrolling, the cursor,
// the window and redirected output.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/memory/memory_console.h"

namespace {

constexpr ConsoleHandle OUT = MemoryConsole::OUTPUT_HANDLE;

std::vector<std::string> rows(const MemoryConsole& console) {
  std::vector<std::string> text;
  for (std::int16_t y = 0; y < console.height(); ++y) {
    text.push_back(console.row_text(y));
  }
  return text;
}

// Writes each string as one buffer row from column 0.
void paint(MemoryConsole& console, const std::vector<std::string>& lines) {
  for (std::size_t y = 0; y < lines.size(); ++y) {
    std::vector<ConsoleCell> cells;
    for (char c : lines[y]) {
      cells.push_back({static_cast<std::uint8_t>(c), 7});
    }
    ConsoleRect region{0, static_cast<std::int16_t>(y), static_cast<std::int16_t>(cells.size() - 1),
                       static_cast<std::int16_t>(y)};
    ASSERT_TRUE(console.write_output(OUT, cells.data(),
                                     {static_cast<std::int16_t>(cells.size()), 1}, {0, 0}, region));
  }
}

TEST(MemoryConsoleScreen, FreshConsoleReportsItsBufferCursorAndModes) {
  MemoryConsole console(80, 25);
  ConsoleBufferInfo info{};
  ASSERT_TRUE(console.get_screen_buffer_info(OUT, info));
  EXPECT_EQ(info.size, (ConsoleCoord{80, 25}));
  EXPECT_EQ(info.cursor, (ConsoleCoord{0, 0}));
  EXPECT_EQ(info.attributes, 7);
  EXPECT_EQ(info.window, (ConsoleRect{0, 0, 79, 24}));

  ConsoleCursorInfo cursor{};
  cursor.size = 0;
  ASSERT_TRUE(console.get_cursor_info(OUT, cursor));
  EXPECT_EQ(cursor.size, 25u);
  EXPECT_TRUE(cursor.visible);

  std::uint32_t mode = 0;
  ASSERT_TRUE(console.get_console_mode(MemoryConsole::INPUT_HANDLE, mode));
  EXPECT_EQ(mode, 0x7u);
  EXPECT_TRUE(console.get_console_mode(OUT, mode));
  ASSERT_TRUE(console.set_console_mode(MemoryConsole::INPUT_HANDLE, 0x7 | MODE_PROCESSED_INPUT));

  EXPECT_EQ(console.row_text(24), std::string(80, ' '));
  EXPECT_EQ(console.cell(79, 24), (ConsoleCell{' ', 7}));
  EXPECT_TRUE(console.cell_known(79, 24));
}

TEST(MemoryConsoleScreen, FillsRunAcrossRowsAndStopAtTheBufferEnd) {
  struct Case {
    const char* name;
    bool characters; // fill_character, else fill_attribute
    ConsoleCoord first;
    std::uint32_t count;
    bool ok;
    std::uint32_t written;
    std::vector<std::string> rows; // characters, or '#' where the attribute became 0x1F
  };
  const Case cases[] = {
      {"within a row", true, {2, 0}, 3, true, 3, {"  xxx     ", "          ", "          "}},
      {"across rows", true, {8, 0}, 5, true, 5, {"        xx", "xxx       ", "          "}},
      {"past the end", true, {5, 2}, 100, true, 5, {"          ", "          ", "     xxxxx"}},
      {"largest count",
       true,
       {5, 2},
       0xFFFFFFFF,
       true,
       5,
       {"          ", "          ", "     xxxxx"}},
      {"last cell", true, {9, 2}, 1, true, 1, {"          ", "          ", "         x"}},
      {"nothing", true, {0, 0}, 0, true, 0, {"          ", "          ", "          "}},
      {"column past the edge",
       true,
       {10, 0},
       1,
       false,
       0,
       {"          ", "          ", "          "}},
      {"row past the end", true, {0, 3}, 1, false, 0, {"          ", "          ", "          "}},
      {"negative column", true, {-1, 0}, 1, false, 0, {"          ", "          ", "          "}},
      {"attributes across rows",
       false,
       {9, 0},
       12,
       true,
       12,
       {"         #", "##########", "#         "}},
      {"attributes past the end",
       false,
       {0, 2},
       11,
       true,
       10,
       {"          ", "          ", "##########"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(10, 3);
    std::uint32_t written = 99;
    const bool ok = c.characters ? console.fill_character(OUT, 'x', c.count, c.first, written)
                                 : console.fill_attribute(OUT, 0x1F, c.count, c.first, written);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(written, c.written);
    std::vector<std::string> seen;
    for (std::int16_t y = 0; y < 3; ++y) {
      std::string row;
      for (std::int16_t x = 0; x < 10; ++x) {
        const ConsoleCell cell = console.cell(x, y);
        row.push_back(c.characters ? static_cast<char>(cell.ch)
                                   : (cell.attributes == 0x1F ? '#' : ' '));
        // A fill changes only its own half of the cell.
        EXPECT_EQ(c.characters ? cell.attributes : cell.ch, c.characters ? 7 : ' ');
      }
      seen.push_back(row);
    }
    EXPECT_EQ(seen, c.rows);
  }
}

TEST(MemoryConsoleScreen, WritesAreClippedAndReportTheRegionWritten) {
  // A 4 by 2 block: "ABCD" over "EFGH".
  std::vector<ConsoleCell> block;
  for (char c : std::string("ABCDEFGH")) {
    block.push_back({static_cast<std::uint8_t>(c), 0x2E});
  }
  struct Case {
    const char* name;
    ConsoleCoord origin;
    ConsoleRect region;
    bool ok;
    ConsoleRect written;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"whole block", {0, 0}, {1, 0, 4, 1}, true, {1, 0, 4, 1}, {" ABCD ", " EFGH ", "      "}},
      {"region smaller than the block",
       {0, 0},
       {0, 1, 1, 1},
       true,
       {0, 1, 1, 1},
       {"      ", "AB    ", "      "}},
      {"from inside the block",
       {2, 1},
       {0, 0, 5, 2},
       true,
       {0, 0, 1, 0},
       {"GH    ", "      ", "      "}},
      {"clipped at the right edge",
       {0, 0},
       {4, 2, 7, 2},
       true,
       {4, 2, 5, 2},
       {"      ", "      ", "    AB"}},
      {"clipped at the left edge skips block cells",
       {0, 0},
       {-2, -1, 1, 0},
       true,
       {0, 0, 1, 0},
       {"GH    ", "      ", "      "}},
      {"wholly outside", {0, 0}, {6, 0, 9, 1}, false, {6, 0, 9, 1}, {"      ", "      ", "      "}},
      {"empty region", {0, 0}, {3, 0, 2, 0}, false, {3, 0, 2, 0}, {"      ", "      ", "      "}},
      {"origin outside the block",
       {4, 0},
       {0, 0, 3, 0},
       false,
       {0, 0, 3, 0},
       {"      ", "      ", "      "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(6, 3);
    ConsoleRect region = c.region;
    EXPECT_EQ(console.write_output(OUT, block.data(), {4, 2}, c.origin, region), c.ok);
    EXPECT_EQ(region, c.written);
    EXPECT_EQ(rows(console), c.rows);
    if (c.ok) {
      EXPECT_EQ(console.cell(c.written.left, c.written.top).attributes, 0x2E);
    }
    EXPECT_EQ(console.cursor(), (ConsoleCoord{0, 0})); // writes never move the cursor
  }
}

TEST(MemoryConsoleScreen, ScrollsMoveClippedRectanglesAndFillWhatTheyUncover) {
  const std::vector<std::string> start = {"abcdef", "ghijkl", "mnopqr", "stuvwx"};
  struct Case {
    const char* name;
    ConsoleRect source;
    bool has_clip;
    ConsoleRect clip;
    ConsoleCoord destination;
    bool ok;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"whole buffer up one",
       {0, 1, 5, 3},
       false,
       {},
       {0, 0},
       true,
       {"ghijkl", "mnopqr", "stuvwx", "......"}},
      {"whole buffer up two",
       {0, 2, 5, 3},
       false,
       {},
       {0, 0},
       true,
       {"mnopqr", "stuvwx", "......", "......"}},
      {"whole buffer up three leaves the middle",
       {0, 3, 5, 3},
       false,
       {},
       {0, 0},
       true,
       {"stuvwx", "ghijkl", "mnopqr", "......"}},
      {"whole buffer down one",
       {0, 0, 5, 2},
       false,
       {},
       {0, 1},
       true,
       {"......", "abcdef", "ghijkl", "mnopqr"}},
      {"part up, overlapping",
       {1, 1, 3, 3},
       false,
       {},
       {1, 0},
       true,
       {"ahijef", "gnopkl", "mtuvqr", "s...wx"}},
      {"part down, overlapping",
       {1, 0, 3, 2},
       false,
       {},
       {1, 1},
       true,
       {"a...ef", "gbcdkl", "mhijqr", "snopwx"}},
      {"sideways right",
       {0, 0, 3, 0},
       false,
       {},
       {2, 0},
       true,
       {"..abcd", "ghijkl", "mnopqr", "stuvwx"}},
      {"destination partly outside",
       {0, 0, 5, 1},
       false,
       {},
       {3, 2},
       true,
       {"......", "......", "mnoabc", "stughi"}},
      {"source partly outside keeps its offset",
       {-2, 2, 3, 5},
       false,
       {},
       {0, 0},
       true,
       {"abmnop", "ghstuv", "....qr", "....wx"}},
      {"clip limits what changes",
       {0, 1, 5, 3},
       true,
       {0, 0, 2, 3},
       {0, 0},
       true,
       {"ghidef", "mnojkl", "stupqr", "...vwx"}},
      {"clip partly outside the buffer",
       {0, 0, 5, 0},
       true,
       {-5, -5, 1, 10},
       {0, 2},
       true,
       {"..cdef", "ghijkl", "abopqr", "stuvwx"}},
      {"source wholly outside", {6, 0, 8, 3}, false, {}, {0, 0}, false, start},
      {"clip wholly outside", {0, 0, 5, 3}, true, {0, 4, 5, 6}, {0, 1}, false, start},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(6, 4);
    paint(console, start);
    const ConsoleCell fill{'.', 0x4F};
    EXPECT_EQ(
        console.scroll_buffer(OUT, c.source, c.has_clip ? &c.clip : nullptr, c.destination, fill),
        c.ok);
    EXPECT_EQ(rows(console), c.rows);
    for (std::int16_t y = 0; y < 4; ++y) {
      for (std::int16_t x = 0; x < 6; ++x) {
        const ConsoleCell cell = console.cell(x, y);
        EXPECT_EQ(cell.attributes, cell.ch == '.' ? 0x4F : 7) << "cell " << x << "," << y;
      }
    }
  }
}

// Scrolling a whole buffer turns its ring of rows; every later operation must still
// find each row where the buffer says it is.
TEST(MemoryConsoleScreen, RepeatedWholeBufferScrollsKeepRowsInOrder) {
  MemoryConsole console(6, 4);
  const ConsoleCell blank{' ', 7};
  for (int line = 1; line <= 9; ++line) {
    ASSERT_TRUE(console.scroll_buffer(OUT, {0, 1, 5, 3}, nullptr, {0, 0}, blank));
    std::string text = "line " + std::to_string(line);
    std::vector<ConsoleCell> cells;
    for (char ch : text) {
      cells.push_back({static_cast<std::uint8_t>(ch), 7});
    }
    ConsoleRect region{0, 3, 5, 3};
    ASSERT_TRUE(console.write_output(OUT, cells.data(), {6, 1}, {0, 0}, region));
  }
  EXPECT_EQ(rows(console), (std::vector<std::string>{"line 6", "line 7", "line 8", "line 9"}));

  // Down again by one, then a fill running across the wrapped rows.
  ASSERT_TRUE(console.scroll_buffer(OUT, {0, 0, 5, 2}, nullptr, {0, 1}, blank));
  std::uint32_t written = 0;
  ASSERT_TRUE(console.fill_character(OUT, '*', 8, {4, 1}, written));
  EXPECT_EQ(rows(console), (std::vector<std::string>{"      ", "line**", "******", "line 8"}));
}

TEST(MemoryConsoleScreen, WholeScrollOfATallBufferMovesEveryRow) {
  MemoryConsole console(80, 9001);
  std::uint32_t written = 0;
  ASSERT_TRUE(console.fill_character(OUT, 'a', 80, {0, 1}, written));
  ASSERT_TRUE(console.fill_character(OUT, 'z', 80, {0, 9000}, written));
  ASSERT_TRUE(console.scroll_buffer(OUT, {0, 1, 79, 9000}, nullptr, {0, 0}, {'-', 7}));
  EXPECT_EQ(console.row_text(0), std::string(80, 'a'));
  EXPECT_EQ(console.row_text(8999), std::string(80, 'z'));
  EXPECT_EQ(console.row_text(9000), std::string(80, '-'));
  EXPECT_EQ(console.row_text(1), std::string(80, ' '));
}

TEST(MemoryConsoleScreen, CursorPlacementFailsOutsideTheBufferAndTheWindowFollows) {
  struct Case {
    const char* name;
    ConsoleCoord cell;
    bool ok;
    ConsoleCoord cursor;
    ConsoleRect window;
  };
  // An 80 by 100 buffer whose window shows columns 10 to 69 of rows 10 to 34.
  const Case cases[] = {
      {"inside the window", {15, 20}, true, {15, 20}, {10, 10, 69, 34}},
      {"last cell of the buffer", {79, 99}, true, {79, 99}, {20, 75, 79, 99}},
      {"below the window", {10, 40}, true, {10, 40}, {10, 16, 69, 40}},
      {"above and left of the window", {2, 2}, true, {2, 2}, {2, 2, 61, 26}},
      {"right of the window", {75, 20}, true, {75, 20}, {16, 10, 75, 34}},
      {"column past the edge", {80, 20}, false, {11, 12}, {10, 10, 69, 34}},
      {"row past the end", {10, 100}, false, {11, 12}, {10, 10, 69, 34}},
      {"negative column", {-1, 12}, false, {11, 12}, {10, 10, 69, 34}},
      {"negative row", {11, -1}, false, {11, 12}, {10, 10, 69, 34}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(80, 100);
    console.set_window({10, 10, 69, 34});
    console.set_cursor({11, 12});
    EXPECT_EQ(console.set_cursor_position(OUT, c.cell), c.ok);
    EXPECT_EQ(console.cursor(), c.cursor);
    EXPECT_EQ(console.window(), c.window);
  }
}

TEST(MemoryConsoleScreen, WindowPlacementFailsWhenTheRectangleDoesNotFit) {
  struct Case {
    const char* name;
    bool absolute;
    ConsoleRect rect;
    bool ok;
    ConsoleRect window;
  };
  // An 80 by 50 buffer whose window shows rows 0 to 24.
  const Case cases[] = {
      {"absolute, fits", true, {0, 25, 79, 49}, true, {0, 25, 79, 49}},
      {"absolute, narrower", true, {10, 5, 39, 9}, true, {10, 5, 39, 9}},
      {"absolute, past the right edge", true, {1, 0, 80, 24}, false, {0, 0, 79, 24}},
      {"absolute, past the bottom", true, {0, 26, 79, 50}, false, {0, 0, 79, 24}},
      {"absolute, inverted", true, {0, 10, 79, 9}, false, {0, 0, 79, 24}},
      {"absolute, negative top", true, {0, -1, 79, 23}, false, {0, 0, 79, 24}},
      {"relative, one row down", false, {0, 1, 0, 1}, true, {0, 1, 79, 25}},
      {"relative, shrink from below", false, {0, 0, 0, -5}, true, {0, 0, 79, 19}},
      {"relative, off the top", false, {0, -1, 0, -1}, false, {0, 0, 79, 24}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(80, 50);
    console.set_window({0, 0, 79, 24});
    EXPECT_EQ(console.set_window_info(OUT, c.absolute, c.rect), c.ok);
    EXPECT_EQ(console.window(), c.window);
  }
}

TEST(MemoryConsoleScreen, CursorInfoAcceptsOnlySizesOfOneToHundred) {
  MemoryConsole console(80, 25);
  EXPECT_FALSE(console.set_cursor_info(OUT, {0, false}));
  EXPECT_FALSE(console.set_cursor_info(OUT, {101, false}));
  EXPECT_TRUE(console.cursor_visible());
  ASSERT_TRUE(console.set_cursor_info(OUT, {100, false}));
  EXPECT_FALSE(console.cursor_visible());
  ConsoleCursorInfo info{};
  ASSERT_TRUE(console.get_cursor_info(OUT, info));
  EXPECT_EQ(info.size, 100u);
}

TEST(MemoryConsoleScreen, RedirectedOutputTakesOnlyRawBytes) {
  MemoryConsole console(80, 25);
  console.set_output_redirected(true);
  ConsoleBufferInfo info{};
  ConsoleCursorInfo cursor{};
  std::uint32_t mode = 0;
  std::uint32_t written = 7;
  ConsoleCell cell{'x', 7};
  ConsoleRect region{0, 0, 0, 0};
  EXPECT_FALSE(console.get_screen_buffer_info(OUT, info));
  EXPECT_FALSE(console.get_console_mode(OUT, mode));
  EXPECT_FALSE(console.get_cursor_info(OUT, cursor));
  EXPECT_FALSE(console.set_cursor_info(OUT, {25, false}));
  EXPECT_FALSE(console.set_cursor_position(OUT, {1, 1}));
  EXPECT_FALSE(console.fill_character(OUT, 'x', 5, {0, 0}, written));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(console.fill_attribute(OUT, 0x1F, 5, {0, 0}, written));
  EXPECT_FALSE(console.write_output(OUT, &cell, {1, 1}, {0, 0}, region));
  EXPECT_FALSE(console.scroll_buffer(OUT, {0, 1, 79, 24}, nullptr, {0, 0}, cell));
  EXPECT_FALSE(console.set_window_info(OUT, true, {0, 0, 79, 24}));
  EXPECT_EQ(console.row_text(0), std::string(80, ' '));
  EXPECT_TRUE(console.get_console_mode(MemoryConsole::INPUT_HANDLE, mode));

  ASSERT_TRUE(console.write_file(OUT, "a\r\n\a", 4, written));
  EXPECT_EQ(written, 4u);
  ASSERT_TRUE(console.write_file(OUT, "b", 1, written));
  EXPECT_EQ(console.raw_output(), "a\r\n\ab");

  // The input handle is no screen buffer, redirected or not.
  EXPECT_FALSE(console.get_screen_buffer_info(MemoryConsole::INPUT_HANDLE, info));
  EXPECT_FALSE(console.write_file(MemoryConsole::INPUT_HANDLE, "c", 1, written));
  EXPECT_EQ(written, 0u);
}

std::vector<std::string> known_map(const MemoryConsole& console) {
  std::vector<std::string> known;
  for (std::int16_t y = 0; y < console.height(); ++y) {
    std::string row;
    for (std::int16_t x = 0; x < console.width(); ++x) {
      row.push_back(console.cell_known(x, y) ? 'K' : '?');
    }
    known.push_back(row);
  }
  return known;
}

TEST(MemoryConsoleScreen, WritesAndFillsMakeCellsKnownAndMovedCellsKeepTheirFlag) {
  MemoryConsole console(4, 3);
  console.set_cells_unknown();
  std::uint32_t written = 0;
  ASSERT_TRUE(console.fill_attribute(OUT, 7, 2, {3, 0}, written)); // (3,0) and (0,1)
  const ConsoleCell cell{'k', 7};
  ConsoleRect region{2, 2, 2, 2};
  ASSERT_TRUE(console.write_output(OUT, &cell, {1, 1}, {0, 0}, region)); // (2,2)
  // Moves the unknown (0,0) to (1,1), which becomes unknown too, and fills (0,0).
  ASSERT_TRUE(console.scroll_buffer(OUT, {0, 0, 0, 0}, nullptr, {1, 1}, {' ', 7}));
  EXPECT_EQ(known_map(console), (std::vector<std::string>{"K??K", "K???", "??K?"}));
  EXPECT_FALSE(console.cell_known(4, 0));
}

TEST(MemoryConsoleScreen, AWholeBufferScrollCarriesUnknownRowsUp) {
  // What the terminal showed before the program started scrolls up with the rest.
  MemoryConsole console(3, 4);
  console.set_cells_unknown();
  const ConsoleCell cells[3] = {{'a', 7}, {'b', 7}, {'c', 7}};
  ConsoleRect region{0, 3, 2, 3};
  ASSERT_TRUE(console.write_output(OUT, cells, {3, 1}, {0, 0}, region));
  ASSERT_TRUE(console.scroll_buffer(OUT, {0, 1, 2, 3}, nullptr, {0, 0}, {' ', 7}));
  EXPECT_EQ(known_map(console), (std::vector<std::string>{"???", "???", "KKK", "KKK"}));
  EXPECT_EQ(console.row_text(2), "abc");
}

TEST(MemoryConsoleScreen, ResizingKeepsTheCellsThatStillFit) {
  MemoryConsole console(4, 3);
  paint(console, {"abcd", "efgh", "ijkl"});
  console.set_cursor({3, 2});
  console.set_buffer_size(3, 2);
  EXPECT_EQ(rows(console), (std::vector<std::string>{"abc", "efg"}));
  EXPECT_EQ(console.window(), (ConsoleRect{0, 0, 2, 1}));
  EXPECT_EQ(console.cursor(), (ConsoleCoord{2, 1}));
  console.set_buffer_size(5, 3);
  EXPECT_EQ(rows(console), (std::vector<std::string>{"abc  ", "efg  ", "     "}));
  EXPECT_EQ(console.window_lines(), (std::vector<std::string>{"abc", "efg"}));
}

} // namespace
