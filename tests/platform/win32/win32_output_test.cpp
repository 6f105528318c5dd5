#include <string>
#include <utility>
#include <vector>

#include "win32_fixture.h"

namespace {

std::string spaces(std::size_t count) {
  return std::string(count, ' ');
}

using RowText = std::pair<SHORT, std::string>;

TEST_F(Win32ConsoleTest, WriteOutputClipsAndTakesCellsFromTheBlockOrigin) {
  struct Case {
    const char* name;
    std::vector<std::string> block; // the caller's cells, one string per block row
    ConsoleCoord origin;
    ConsoleRect region;
    bool ok;
    ConsoleRect written;
    std::vector<RowText> rows;
  };
  const Case cases[] = {
      {"one row", {"Hello"}, {0, 0}, {5, 3, 9, 3}, true, {5, 3, 9, 3}, {{3, "     Hello"}}},
      {"clipped at the right edge",
       {"ABCDEFGH"},
       {0, 0},
       {76, 0, 83, 0},
       true,
       {76, 0, 79, 0},
       {{0, spaces(76) + "ABCD"}}},
      {"clipped at the bottom edge",
       {"top", "low"},
       {0, 0},
       {0, 24, 2, 25},
       true,
       {0, 24, 2, 24},
       {{24, "top"}}},
      {"region wider than the block",
       {"XY"},
       {0, 0},
       {0, 1, 9, 1},
       true,
       {0, 1, 1, 1},
       {{1, "XY"}}},
      {"inner origin of a larger block",
       {"abcd", "efgh", "ijkl"},
       {1, 1},
       {2, 4, 4, 5},
       true,
       {2, 4, 4, 5},
       {{4, "  fgh"}, {5, "  jkl"}}},
      {"inner origin, region past the block's end",
       {"abcd", "efgh", "ijkl"},
       {2, 2},
       {0, 6, 9, 9},
       true,
       {0, 6, 1, 6},
       {{6, "kl"}, {7, ""}}},
      {"origin beyond the block", {"abc"}, {3, 0}, {0, 8, 2, 8}, false, {0, 8, 2, 8}, {{8, ""}}},
      {"negative origin", {"abc"}, {-1, 0}, {0, 8, 2, 8}, false, {0, 8, 2, 8}, {{8, ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    blank();
    const auto columns = static_cast<std::int16_t>(c.block.front().size());
    const auto rows = static_cast<std::int16_t>(c.block.size());
    std::vector<ConsoleCell> cells;
    for (const std::string& line : c.block) {
      for (char ch : line) {
        cells.push_back({static_cast<std::uint8_t>(ch), 0x1e});
      }
    }
    ConsoleRect region = c.region;
    EXPECT_EQ(console_.write_output(screen(), cells.data(), {columns, rows}, c.origin, region),
              c.ok);
    EXPECT_EQ(region, c.written);
    for (const RowText& row : c.rows) {
      EXPECT_EQ(row_text(row.first), row.second) << "row " << row.first;
    }
    if (c.ok) {
      EXPECT_EQ(attribute_at(c.written.left, c.written.top), 0x1e);
    }
  }
}

TEST_F(Win32ConsoleTest, FillsRunOnAcrossRowsAndStopAtTheBufferEnd) {
  struct Case {
    const char* name;
    ConsoleCoord first;
    std::uint32_t count;
    std::uint32_t written;
    std::vector<RowText> rows;
  };
  const Case cases[] = {
      {"within a row", {3, 2}, 4, 4, {{2, "   ####"}, {3, ""}}},
      {"across a row end", {78, 0}, 5, 5, {{0, spaces(78) + "##"}, {1, "###"}}},
      {"past the buffer end", {77, 24}, 10, 3, {{24, spaces(77) + "###"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    blank();
    std::uint32_t written = 0;
    EXPECT_TRUE(console_.fill_character(screen(), '#', c.count, c.first, written));
    EXPECT_EQ(written, c.written);
    EXPECT_TRUE(console_.fill_attribute(screen(), 0x4f, c.count, c.first, written));
    EXPECT_EQ(written, c.written);
    for (const RowText& row : c.rows) {
      EXPECT_EQ(row_text(row.first), row.second) << "row " << row.first;
    }
    EXPECT_EQ(attribute_at(c.first.x, c.first.y), 0x4f);
  }
}

TEST_F(Win32ConsoleTest, ScrollMovesTheSourceAndFillsWhatItUncovers) {
  struct Case {
    const char* name;
    bool clipped;
    ConsoleRect clip;
    std::vector<std::string> rows; // rows 0 to 4 afterwards
  };
  const std::string dots(80, '.');
  const Case cases[] = {
      {"no clip", false, {}, {"line1", "line2", "line3", "line4", dots}},
      {"clip above the uncovered row",
       true,
       {0, 0, 79, 2},
       {"line1", "line2", "line3", "line3", "line4"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    blank();
    for (SHORT row = 0; row < 5; ++row) {
      put_text(0, row, "line" + std::to_string(row));
    }
    const ConsoleRect source{0, 1, 79, 4};
    EXPECT_TRUE(console_.scroll_buffer(screen(), source, c.clipped ? &c.clip : nullptr, {0, 0},
                                       {'.', 0x2f}));
    for (SHORT row = 0; row < 5; ++row) {
      EXPECT_EQ(row_text(row), c.rows[static_cast<std::size_t>(row)]) << "row " << row;
    }
  }
}

TEST_F(Win32ConsoleTest, BufferInfoFollowsTheCursorAndRefusesCellsOutsideTheBuffer) {
  SetConsoleTextAttribute(screen_, 0x17);
  ASSERT_TRUE(console_.set_cursor_position(screen(), {12, 7}));
  EXPECT_FALSE(console_.set_cursor_position(screen(), {80, 0}));
  EXPECT_FALSE(console_.set_cursor_position(screen(), {0, -1}));

  ConsoleBufferInfo info{};
  ASSERT_TRUE(console_.get_screen_buffer_info(screen(), info));
  EXPECT_EQ(info.size, (ConsoleCoord{WIDTH, HEIGHT}));
  EXPECT_EQ(info.cursor, (ConsoleCoord{12, 7}));
  EXPECT_EQ(info.attributes, 0x17);
  EXPECT_EQ(info.window, (ConsoleRect{0, 0, WIDTH - 1, HEIGHT - 1}));
}

TEST_F(Win32ConsoleTest, CursorInfoKeepsSizeAndVisibility) {
  const ConsoleCursorInfo hidden{40, false};
  ASSERT_TRUE(console_.set_cursor_info(screen(), hidden));
  ConsoleCursorInfo read{};
  ASSERT_TRUE(console_.get_cursor_info(screen(), read));
  EXPECT_EQ(read.size, 40u);
  EXPECT_FALSE(read.visible);

  ASSERT_TRUE(console_.set_cursor_info(screen(), {40, true}));
  ASSERT_TRUE(console_.get_cursor_info(screen(), read));
  EXPECT_TRUE(read.visible);
}

TEST_F(Win32ConsoleTest, WindowMustFitTheBuffer) {
  EXPECT_TRUE(console_.set_window_info(screen(), true, {0, 0, WIDTH - 1, HEIGHT - 1}));
  EXPECT_FALSE(console_.set_window_info(screen(), true, {0, 0, WIDTH, HEIGHT - 1}));
}

// The raw stream carries control characters unchanged, and a handle that is not a
// console reports no console mode and no screen buffer.
TEST_F(Win32ConsoleTest, RawWritesReachAPipeUnchanged) {
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  const auto pipe = reinterpret_cast<ConsoleHandle>(write_end);

  const std::string bytes{"A\r\nB\x07\t\0z", 8};
  std::uint32_t written = 0;
  EXPECT_TRUE(
      console_.write_file(pipe, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written));
  EXPECT_EQ(written, bytes.size());
  std::uint32_t mode = 0;
  EXPECT_FALSE(console_.get_console_mode(pipe, mode));
  ConsoleBufferInfo info{};
  EXPECT_FALSE(console_.get_screen_buffer_info(pipe, info));

  std::string received(bytes.size(), '?');
  DWORD got = 0;
  ASSERT_TRUE(
      ReadFile(read_end, received.data(), static_cast<DWORD>(received.size()), &got, nullptr));
  EXPECT_EQ(received.substr(0, got), bytes);
  CloseHandle(read_end);
  CloseHandle(write_end);
}

TEST_F(Win32ConsoleTest, StandardHandlesAndInputMode) {
  EXPECT_EQ(console_.get_std_handle(StdStream::input), input());

  std::uint32_t mode = 0;
  ASSERT_TRUE(console_.get_console_mode(input(), mode));
  ASSERT_TRUE(console_.set_console_mode(input(), mode | MODE_PROCESSED_INPUT));
  std::uint32_t changed = 0;
  ASSERT_TRUE(console_.get_console_mode(input(), changed));
  EXPECT_EQ(changed & MODE_PROCESSED_INPUT, MODE_PROCESSED_INPUT);

  const HANDLE saved_output = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
  EXPECT_EQ(console_.get_std_handle(StdStream::output), 0u);
  SetStdHandle(STD_OUTPUT_HANDLE, saved_output);
}

} // namespace
