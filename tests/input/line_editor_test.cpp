// The line editor on the in-memory console: keys typed, then the line, the screen and
// the cursor.
#include <functional>
#include <gtest/gtest.h>

#include "console/print_items.h"
#include "input/line_editor.h"
#include "input_test.h"

namespace {

using Key = ConsoleKey;

// A script of keys for the console, typed before the editor starts.
class Keys {
public:
  Keys& type(const std::string& text) {
    steps_.push_back([text](MemoryConsole& c) { c.type_text(text); });
    return *this;
  }
  Keys& press(Key key, int times = 1, std::uint32_t modifiers = 0) {
    steps_.push_back([=](MemoryConsole& c) {
      for (int i = 0; i < times; ++i) {
        c.press_key(key, modifiers);
      }
    });
    return *this;
  }
  Keys& record(InputRecord event) {
    steps_.push_back([event](MemoryConsole& c) { c.queue_record(event); });
    return *this;
  }
  void play(MemoryConsole& c) const {
    for (const auto& step : steps_) {
      step(c);
    }
  }

private:
  std::vector<std::function<void(MemoryConsole&)>> steps_;
};

// A character as the console delivers it for a Ctrl combination or a byte that no
// key of the layout gives.
InputRecord character(std::uint8_t ch, std::uint32_t state = 0) {
  return key_event(true, 0, 0, ch, state);
}

using Cursor = ScreenCursor;

struct Edited {
  std::optional<std::string> line;
  std::vector<std::string> screen; // while the editor waited for Enter
  Cursor cursor;                   // likewise
  bool cursor_visible;             // likewise
};

class LineEditorTest : public InputTest {
protected:
  void SetUp() override {
    InputTest::SetUp();
    use_console(20, 5);
  }

  // Places the cursor, prints the prompt, types the keys and runs the editor; once
  // the keys are used up, notes the screen and the cursor and presses Enter.
  Edited edit(Cursor start, const std::string& prompt, const Keys& keys) {
    console().set_cursor(
        {static_cast<std::int16_t>(start.column - 1), static_cast<std::int16_t>(start.row - 1)});
    if (!prompt.empty()) {
      print_string(0, prompt, 0);
    }
    keys.play(console());
    Edited edited{};
    bool waited = false;
    console().set_starvation_handler([&] {
      if (waited) {
        ADD_FAILURE() << "the editor went on waiting after Enter";
      }
      waited = true;
      edited.screen = screen();
      edited.cursor = cursor();
      edited.cursor_visible = console().cursor_visible();
      console().press_key(Key::enter);
    });
    edited.line = console_read_line();
    return edited;
  }

  // The 5 rows of the screen: these on top, blank below.
  static std::vector<std::string> rows(std::vector<std::string> top) {
    top.resize(5);
    return top;
  }
};

TEST_F(LineEditorTest, KeysEditTheLineInPlace) {
  const std::string letters25 = "abcdefghijklmnopqrstuvwxy";
  struct Case {
    const char* name;
    Cursor start;
    std::string prompt;
    Keys keys;
    std::string line;
    std::vector<std::string> screen;
    Cursor cursor;
  };
  const Case cases[] = {
      {"Enter at once", {3, 7}, "", Keys(), "", rows({}), {3, 7}},
      {"insert in the middle moves the rest right",
       {1, 1},
       "? ",
       Keys().type("abc").press(Key::left, 2).type("X"),
       "aXbc",
       rows({"? aXbc"}),
       {1, 5}},
      {"Home then Delete blanks the freed cell",
       {1, 1},
       "",
       Keys().type("abc").press(Key::home).press(Key::del),
       "bc",
       rows({"bc"}),
       {1, 1}},
      {"Backspace in the middle",
       {1, 1},
       "",
       Keys().type("abcd").press(Key::left).press(Key::backspace),
       "abd",
       rows({"abd"}),
       {1, 3}},
      {"Backspace at the end",
       {1, 1},
       "",
       Keys().type("abc").press(Key::backspace),
       "ab",
       rows({"ab"}),
       {1, 3}},
      {"Backspace and Left at the start, Right at the end do nothing",
       {1, 1},
       "",
       Keys().press(Key::backspace).press(Key::left).type("ab").press(Key::right),
       "ab",
       rows({"ab"}),
       {1, 3}},
      {"Delete in the middle",
       {1, 1},
       "",
       Keys().type("abcd").press(Key::left, 3).press(Key::del),
       "acd",
       rows({"acd"}),
       {1, 2}},
      {"End after Home",
       {1, 1},
       "",
       Keys().type("abc").press(Key::home).press(Key::end).type("d"),
       "abcd",
       rows({"abcd"}),
       {1, 5}},
      {"Escape blanks the line and editing goes on",
       {1, 1},
       "",
       Keys().type("hello world!").press(Key::escape).type("z"),
       "z",
       rows({"z"}),
       {1, 2}},
      {"Tab at the line's start inserts 8 spaces, whatever the prompt",
       {1, 1},
       "? ",
       Keys().press(Key::tab).type("x"),
       "        x",
       rows({"?         x"}),
       {1, 12}},
      {"Tab after 5 bytes inserts 3",
       {1, 1},
       "",
       Keys().type("abcde").press(Key::tab).type("x"),
       "abcde   x",
       rows({"abcde   x"}),
       {1, 10}},
      {"Tab after 8 bytes inserts 8",
       {1, 1},
       "",
       Keys().type("abcdefgh").press(Key::tab).type("x"),
       "abcdefgh        x",
       rows({"abcdefgh        x"}),
       {1, 18}},
      {"Tab in the middle pushes the rest to the next stop",
       {1, 1},
       "",
       Keys().type("abcd").press(Key::left, 2).press(Key::tab),
       "ab      cd",
       rows({"ab      cd"}),
       {1, 9}},
      {"Up moves one screen width back",
       {1, 1},
       "",
       Keys().type(letters25).press(Key::left, 3).press(Key::up).type("X"),
       "abXcdefghijklmnopqrstuvwxy",
       rows({"abXcdefghijklmnopqrs", "tuvwxy"}),
       {1, 4}},
      {"Up within the first width does nothing",
       {1, 1},
       "",
       Keys().type(letters25).press(Key::home).press(Key::right, 5).press(Key::up).type("X"),
       "abcdeXfghijklmnopqrstuvwxy",
       rows({"abcdeXfghijklmnopqrs", "tuvwxy"}),
       {1, 7}},
      {"Down moves one screen width on",
       {1, 1},
       "",
       Keys().type(letters25).press(Key::home).press(Key::right, 2).press(Key::down).type("X"),
       "abcdefghijklmnopqrstuvXwxy",
       rows({"abcdefghijklmnopqrst", "uvXwxy"}),
       {2, 4}},
      {"Down past the line's end does nothing",
       {1, 1},
       "",
       Keys().type(letters25).press(Key::home).press(Key::right, 6).press(Key::down).type("X"),
       "abcdefXghijklmnopqrstuvwxy",
       rows({"abcdefXghijklmnopqrs", "tuvwxy"}),
       {1, 8}},
      {"typing past the right edge goes on in column 1",
       {1, 15},
       "",
       Keys().type("abcdefghij"),
       "abcdefghij",
       rows({"              abcdef", "ghij"}),
       {2, 5}},
      {"typing past the bottom row scrolls",
       {5, 15},
       "",
       Keys().type("abcdefghij"),
       "abcdefghij",
       rows({"", "", "", "              abcdef", "ghij"}),
       {5, 5}},
      {"filling the last cell scrolls at once",
       {5, 15},
       "",
       Keys().type("abcdef"),
       "abcdef",
       rows({"", "", "", "              abcdef", ""}),
       {5, 1}},
      {"inserting in a line that reaches the bottom row scrolls once it overflows",
       {5, 11},
       "",
       Keys().type("abcdefghi").press(Key::left, 4).type("X").type("Y"),
       "abcdeXYfghi",
       rows({"", "", "", "          abcdeXYfgh", "i"}),
       {4, 18}},
      {"the first byte goes over the prompt's last cell when the prompt owes a line feed",
       {5, 1},
       "Difficulty (1-10): ?",
       Keys().type("5"),
       "5",
       rows({"", "", "", "Difficulty (1-10): 5", ""}),
       {5, 1}},
      {"Home cannot leave the screen: a target row of 0 keeps the row",
       {1, 11},
       "",
       Keys().type(std::string(90, 'a')).press(Key::home),
       std::string(90, 'a'),
       rows({std::string(20, 'a'), std::string(20, 'a'), std::string(20, 'a'), std::string(20, 'a'),
             ""}),
       {5, 11}},
      {"Home cannot leave the screen: a target row above it moves nothing",
       {1, 11},
       "",
       Keys().type(std::string(110, 'a')).press(Key::home),
       std::string(110, 'a'),
       rows({std::string(20, 'a'), std::string(20, 'a'), std::string(20, 'a'), std::string(20, 'a'),
             ""}),
       {5, 1}},
      {"the byte 255 is inserted like any character",
       {1, 1},
       "",
       Keys().type("a").record(character(255)).type("b"),
       "a\xff"
       "b",
       rows({"a\xff"
             "b"}),
       {1, 4}},
      {"control characters act as editing keys",
       {1, 1},
       "",
       Keys()
           .type("ab")
           .record(character(8, KEYSTATE_LEFT_CTRL))  // Ctrl+H: Backspace
           .record(character(27, KEYSTATE_LEFT_CTRL)) // Ctrl+[: Escape
           .type("c")
           .record(character(9, KEYSTATE_LEFT_CTRL)), // Ctrl+I: Tab
       "c       ",
       rows({"c"}),
       {1, 9}},
      {"other control characters and extended keys are ignored",
       {1, 1},
       "",
       Keys()
           .type("ab")
           .record(character(1, KEYSTATE_LEFT_CTRL))
           .press(Key::insert)
           .press(Key::page_up)
           .press(Key::page_down)
           .press(Key::f1)
           .press(Key::up),
       "ab",
       rows({"ab"}),
       {1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Edited edited = edit(c.start, c.prompt, c.keys);
    EXPECT_EQ(edited.line, c.line);
    EXPECT_EQ(edited.screen, c.screen);
    EXPECT_EQ(edited.cursor, c.cursor);
    EXPECT_TRUE(edited.cursor_visible);
    EXPECT_TRUE(console().beeps().empty());
    // A fresh console for the next case.
    use_console(20, 5);
    console_screen_reset();
    key_reset();
  }
}

TEST_F(LineEditorTest, DeleteAtTheEndBeepsAndChangesNothing) {
  const Edited edited = edit({1, 1}, "", Keys().type("ab").press(Key::del));
  EXPECT_EQ(edited.line, "ab");
  EXPECT_EQ(edited.cursor, (Cursor{1, 3}));
  ASSERT_EQ(console().beeps().size(), 1u);
  EXPECT_EQ(console().beeps()[0].frequency_hz, 1000u);
  EXPECT_EQ(console().beeps()[0].duration_ms, 250u);
}

TEST_F(LineEditorTest, EnterLeavesTheCursorAfterTheLineAndRestoresItsVisibility) {
  console().set_cursor_visible(false);
  const Edited edited = edit({2, 1}, "", Keys().type("abc").press(Key::left, 2));
  EXPECT_EQ(edited.cursor, (Cursor{2, 2}));
  EXPECT_TRUE(edited.cursor_visible);
  EXPECT_EQ(cursor(), (Cursor{2, 4}));
  EXPECT_FALSE(console().cursor_visible());
  EXPECT_EQ(screen(), rows({"", "abc"}));
}

TEST_F(LineEditorTest, CtrlJAndCtrlMEndTheLine) {
  for (const std::uint8_t end : {10, 13}) {
    SCOPED_TRACE(static_cast<int>(end));
    console().type_text("ok");
    console().queue_record(character(end, KEYSTATE_LEFT_CTRL));
    console().type_text("no");
    EXPECT_EQ(console_read_line(), "ok");
    take_all();
  }
}

TEST_F(LineEditorTest, AMebibyteTypedLineKeepsItsFirstBytes) {
  constexpr std::size_t total = std::size_t{1} << 20;
  constexpr std::size_t chunk = 256; // below the queue's capacity
  std::string typed;
  for (std::size_t i = 0; typed.size() < total; ++i) {
    typed += static_cast<char>('a' + i % 26);
  }
  std::size_t fed = 0;
  console().set_starvation_handler([&] {
    if (fed == total) {
      console().press_key(Key::enter);
      return;
    }
    console().type_text(std::string_view(typed).substr(fed, chunk));
    fed += chunk;
  });
  const std::optional<std::string> line = console_read_line();
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(*line, typed.substr(0, LINE_EDITOR_MAX));
  EXPECT_EQ(console().beeps().size(), 1u); // once for the whole refused run
}

TEST(CursorAdvanceTest, MovesWithinAGridOfUnboundedRows) {
  struct Case {
    std::int32_t row, column, delta, width;
    std::int32_t to_row, to_column;
  };
  const Case cases[] = {
      {1, 1, 0, 80, 1, 1},     {1, 1, 79, 80, 1, 80},    {1, 1, 80, 80, 2, 1},
      {1, 80, 1, 80, 2, 1},    {2, 1, -1, 80, 1, 80},    {1, 1, -1, 80, 0, 80},
      {1, 1, -81, 80, -1, 80}, {5, 10, -160, 80, 3, 10}, {25, 80, 1, 80, 26, 1},
      {3, 3, 7, 5, 4, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.column << " by " << c.delta);
    std::int32_t row = c.row;
    std::int32_t column = c.column;
    cursor_advance(row, column, c.delta, c.width);
    EXPECT_EQ(row, c.to_row);
    EXPECT_EQ(column, c.to_column);
  }
}

} // namespace
