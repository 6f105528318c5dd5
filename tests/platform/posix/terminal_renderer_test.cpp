// The renderer against libvterm: after every update the emulator's screen, cursor and
// cursor visibility must be the console's window.
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

#include "platform/posix/terminal_renderer.h"
#include "tests/platform/posix/game_screen.h"
#include "tests/platform/posix/vterm_oracle.h"

namespace {

constexpr ConsoleHandle OUT = MemoryConsole::OUTPUT_HANDLE;

class TerminalRendererTest : public ::testing::Test {
protected:
  // A terminal of this size that already shows `shown` (bytes a shell left), and a
  // console of the same size whose cells are all unknown, as at start-up.
  void use(int width, int height, bool utf8 = true, const std::string& shown = "") {
    utf8_ = utf8;
    term_ = std::make_unique<VTermOracle>(width, height, utf8);
    term_->feed(shown);
    console_ = std::make_unique<MemoryConsole>(static_cast<std::int16_t>(width),
                                               static_cast<std::int16_t>(height));
    console_->set_cells_unknown();
    renderer_ = std::make_unique<TerminalRenderer>(utf8);
    const VTermPos at = term_->cursor();
    renderer_->start(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height),
                     {static_cast<std::int16_t>(at.col), static_cast<std::int16_t>(at.row)});
    term_->feed(TerminalRenderer::enter_modes());
  }

  const std::string& render() {
    bytes_.clear();
    renderer_->update(*console_, bytes_);
    term_->feed(bytes_);
    return bytes_;
  }

  void resize(int width, int height) {
    console_->set_buffer_size(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height));
    console_->set_window(
        {0, 0, static_cast<std::int16_t>(width - 1), static_cast<std::int16_t>(height - 1)});
    term_->resize(width, height);
    renderer_->resize(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height));
  }

  ::testing::AssertionResult matches() const { return matches_console(*term_, *console_, utf8_); }

  MemoryConsole& console() { return *console_; }
  VTermOracle& term() { return *term_; }
  TerminalRenderer& renderer() { return *renderer_; }

private:
  bool utf8_ = true;
  std::unique_ptr<VTermOracle> term_;
  std::unique_ptr<MemoryConsole> console_;
  std::unique_ptr<TerminalRenderer> renderer_;
  std::string bytes_;
};

TEST_F(TerminalRendererTest, GameScreenThroughBoardTurnsFieldScrollsAndEnding) {
  using namespace game_screen;
  use(80, 25);
  std::mt19937 random(7);
  Field field = new_field(random, 6);
  Markers markers;
  draw_board(console(), field, markers);
  render();
  ASSERT_TRUE(matches());
  for (int step = 0; step < 30; ++step) {
    SCOPED_TRACE("turn " + std::to_string(step));
    turn(console(), markers, step % 7 < 4 ? 1 : -1);
    render();
    ASSERT_TRUE(matches());
    if (step % 5 == 4) {
      scroll_field(field, random, 6);
      markers.dog_row = markers.dog_row + 2 > 19 ? 5 : markers.dog_row + 2;
      draw_board(console(), field, markers);
      render();
      ASSERT_TRUE(matches());
    }
  }
  // The dog escapes: it is drawn on row 1, then the ending lines scroll the window.
  erase_markers(console(), markers);
  markers.dog_row = 1;
  draw_markers(console(), markers);
  render();
  const std::string top_row = term().row_text(0, 80);
  locate(console(), 24, 1);
  print(console(), "The dog got away with it!\r\n");
  print(console(), "The teacher's gonna be mad!\r\n");
  print(console(), "? ");
  render();
  ASSERT_TRUE(matches());
  EXPECT_EQ(console().window_row(23), "The dog got away with it!");
  // The row scrolled off the top went into the terminal's scrollback.
  ASSERT_EQ(term().scrollback().size(), 1u);
  EXPECT_EQ(term().scrollback()[0], top_row);
}

TEST_F(TerminalRendererTest, LinesPrintedAtTheBottomScrollIntoTheScrollback) {
  use(20, 4);
  game_screen::clear(console());
  render();
  std::vector<std::string> scrolled_off;
  for (int line = 1; line <= 9; ++line) {
    SCOPED_TRACE("line " + std::to_string(line));
    const std::string text = "line " + std::to_string(line);
    game_screen::print(console(), text + "\r\n");
    // Lines 1 to 3 fill the window; each one after that pushes the top line out.
    if (line >= 4) {
      std::string top = "line " + std::to_string(line - 3);
      scrolled_off.push_back(top + std::string(20 - top.size(), ' '));
    }
    render();
    ASSERT_TRUE(matches());
    EXPECT_EQ(term().scrollback(), scrolled_off);
  }
}

TEST_F(TerminalRendererTest, LongRandomSequencesOfConsoleOperations) {
  struct Size {
    int width;
    int height;
    bool utf8;
  };
  const Size sizes[] = {{1, 1, true},  {1, 1, false}, {2, 3, true},   {13, 1, true},
                        {1, 9, false}, {7, 5, true},  {80, 25, true}, {33, 12, false}};
  for (const Size& size : sizes) {
    SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) +
                 (size.utf8 ? " utf8" : " ascii"));
    use(size.width, size.height, size.utf8, "$ previous output\r\n\x1b[31;44m\x1b[?25l$ ");
    std::mt19937 random(static_cast<unsigned>(size.width * 31 + size.height));
    const auto pick = [&random](int limit) {
      return static_cast<int>(random() % static_cast<unsigned>(limit));
    };
    int width = size.width;
    int height = size.height;
    const auto coord = [&] {
      return ConsoleCoord{static_cast<std::int16_t>(pick(width)),
                          static_cast<std::int16_t>(pick(height))};
    };
    const auto attribute = [&] {
      return static_cast<std::uint16_t>(pick(3) != 0 ? 7 : pick(0x10000));
    };
    const auto byte = [&] {
      const int kind = pick(4);
      return static_cast<std::uint8_t>(kind == 0 ? ' ' : kind == 1 ? 'a' + pick(3) : pick(256));
    };
    for (int step = 0; step < 600; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const int ops = 1 + pick(3);
      for (int op = 0; op < ops; ++op) {
        std::uint32_t written = 0;
        switch (pick(12)) {
        case 0:
        case 1:
        case 2: {
          const ConsoleCoord at = coord();
          const auto w = static_cast<std::int16_t>(1 + pick(width));
          const auto h = static_cast<std::int16_t>(1 + pick(std::min(height, 3)));
          std::vector<ConsoleCell> cells(static_cast<std::size_t>(w * h));
          const std::uint16_t attr = attribute();
          for (auto& cell : cells) {
            cell = {byte(), pick(8) == 0 ? attribute() : attr};
          }
          ConsoleRect region{at.x, at.y, static_cast<std::int16_t>(at.x + w - 1),
                             static_cast<std::int16_t>(at.y + h - 1)};
          console().write_output(OUT, cells.data(), {w, h}, {0, 0}, region);
          break;
        }
        case 3:
          console().fill_character(
              OUT, byte(), static_cast<std::uint32_t>(pick(width * height + 1)), coord(), written);
          break;
        case 4:
          console().fill_attribute(OUT, attribute(),
                                   static_cast<std::uint32_t>(pick(width * height + 1)), coord(),
                                   written);
          break;
        case 5: {
          // The scroll a print makes at the bottom: the whole buffer up one row.
          const ConsoleRect all{0, 1, static_cast<std::int16_t>(width - 1),
                                static_cast<std::int16_t>(height - 1)};
          console().scroll_buffer(OUT, all, nullptr, {0, 0}, {' ', attribute()});
          break;
        }
        case 6: {
          const ConsoleCoord a = coord();
          const ConsoleCoord b = coord();
          const ConsoleRect source{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                                   std::max(a.y, b.y)};
          console().scroll_buffer(OUT, source, nullptr, coord(), {byte(), attribute()});
          break;
        }
        case 7:
        case 8:
          console().set_cursor_position(OUT, coord());
          break;
        case 9: {
          ConsoleCursorInfo info;
          info.visible = pick(3) != 0;
          console().set_cursor_info(OUT, info);
          break;
        }
        case 10:
          if (pick(4) == 0) {
            width = 1 + pick(size.width + 4);
            height = 1 + pick(size.height + 4);
            resize(width, height);
          }
          break;
        default:
          if (pick(3) == 0) {
            // A window smaller than the buffer: the terminal shows it from its corner.
            const ConsoleCoord a = coord();
            const ConsoleCoord b = coord();
            console().set_window(
                {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
          } else {
            console().set_window({0, 0, static_cast<std::int16_t>(width - 1),
                                  static_cast<std::int16_t>(height - 1)});
          }
          break;
        }
      }
      render();
      ASSERT_TRUE(matches());
    }
  }
}

TEST_F(TerminalRendererTest, CellsTheProgramHasNotWrittenKeepWhatTheTerminalShowed) {
  const std::string shown = "$ make\r\nbuilt 3 files\r\n$ ./chase";
  struct Case {
    const char* name;
    void (*act)(MemoryConsole&);
  };
  const Case cases[] = {
      {"a word in the middle",
       [](MemoryConsole& c) {
         const ConsoleCell cells[] = {{'H', 7}, {'i', 0x1E}};
         ConsoleRect region{4, 1, 5, 1};
         c.write_output(OUT, cells, {2, 1}, {0, 0}, region);
       }},
      {"a blank row between the shell's lines",
       [](MemoryConsole& c) {
         std::uint32_t written = 0;
         c.fill_character(OUT, ' ', 20, {0, 1}, written);
       }},
      {"blanks up to the end of the shell's last line",
       [](MemoryConsole& c) {
         std::uint32_t written = 0;
         c.fill_character(OUT, ' ', 11, {9, 2}, written);
       }},
      {"every cell blank but one",
       [](MemoryConsole& c) {
         std::uint32_t written = 0;
         c.fill_character(OUT, ' ', 20 * 5 - 1, {1, 0}, written);
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    use(20, 5, true, shown);
    VTermOracle before(20, 5, true);
    before.feed(shown);
    test.act(console());
    console().set_cursor_info(OUT, ConsoleCursorInfo{25, false});
    render();
    ASSERT_TRUE(matches());
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 20; ++x) {
        if (console().cell_known(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y))) {
          continue;
        }
        EXPECT_EQ(term().ch(x, y), before.ch(x, y)) << "cell (" << x << ", " << y << ")";
      }
    }
  }
}

TEST_F(TerminalRendererTest, AScrollCarriesTheShellsLinesUpIntoTheScrollback) {
  // The prompt is answered on the bottom row, so its line end scrolls the whole
  // window: the shell's lines above must move up, not be blanked.
  const std::string shown = "$ make\r\nbuilt 3 files\r\n$ ls\r\nREADME\r\n";
  use(20, 5, true, shown);
  const ConsoleCell cells[] = {{'5', 7}};
  ConsoleRect region{0, 4, 0, 4};
  ASSERT_TRUE(console().write_output(OUT, cells, {1, 1}, {0, 0}, region));
  render();
  ASSERT_TRUE(console().scroll_buffer(OUT, {0, 1, 19, 4}, nullptr, {0, 0}, {' ', 7}));
  console().set_cursor_position(OUT, {0, 4});
  render();
  ASSERT_TRUE(matches());
  EXPECT_EQ(term().row_text(0, 20), "built 3 files       ");
  EXPECT_EQ(term().row_text(1, 20), "$ ls                ");
  EXPECT_EQ(term().row_text(2, 20), "README              ");
  EXPECT_EQ(term().row_text(3, 20), "5                   ");
  ASSERT_FALSE(term().scrollback().empty());
  EXPECT_EQ(term().scrollback().back().substr(0, 6), "$ make");
}

TEST_F(TerminalRendererTest, ResizeAndLostContentsRepaintEveryKnownCell) {
  struct Case {
    const char* name;
    int width;
    int height;
    bool lose_contents; // the terminal forgot what it showed (a suspend and resume)
  };
  const Case cases[] = {{"smaller", 30, 10, false},
                        {"larger", 100, 40, false},
                        {"contents lost", 80, 25, true},
                        {"one cell", 1, 1, false}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    use(80, 25);
    std::mt19937 random(3);
    game_screen::draw_board(console(), game_screen::new_field(random, 4), {});
    render();
    if (test.lose_contents) {
      term().feed("\x1b"
                  "c"); // full reset: blank screen, default modes
      term().feed(TerminalRenderer::enter_modes());
      renderer().invalidate();
    } else {
      resize(test.width, test.height);
    }
    render();
    EXPECT_TRUE(matches());
    // Nothing changed since: the next update has nothing to send.
    EXPECT_EQ(render(), "");
  }
}

TEST_F(TerminalRendererTest, LargeUpdatesGoInsideSynchronizedUpdate) {
  struct Case {
    const char* name;
    int rows_of_text;
    bool synchronized;
  };
  const Case cases[] = {{"one word", 0, false}, {"a full screen of text", 25, true}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    use(80, 25);
    game_screen::clear(console());
    render();
    game_screen::print(console(), "word");
    for (int row = 1; row <= test.rows_of_text; ++row) {
      std::string text;
      for (int x = 0; x < 80; ++x) {
        text += static_cast<char>('!' + (x * 7 + row * 3) % 90);
      }
      game_screen::locate(console(), row, 1);
      game_screen::print(console(), text);
    }
    const std::string& bytes = render();
    EXPECT_TRUE(matches());
    EXPECT_EQ(bytes.starts_with("\x1b[?2026h"), test.synchronized);
    EXPECT_EQ(bytes.ends_with("\x1b[?2026l"), test.synchronized);
  }
}

} // namespace
