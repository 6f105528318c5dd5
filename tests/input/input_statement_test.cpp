// The input statement at the console: the prompt, the typed line and its items.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "console/print_items.h"
#include "input/line_editor.h"
#include "input_test.h"
#include "runtime/rt_context.h"

namespace {

class InputStatementTest : public InputTest {
protected:
  // Types the line and Enter, then runs the game's difficulty prompt.
  void prompt_with(const std::string& line) {
    console().type_text(line);
    console().press_key(ConsoleKey::enter);
    EXPECT_EQ(input_prompt("Difficulty (1-10): ", 0, 1), 0);
  }

  std::string read_item(bool& float_seen) {
    char buffer[INPUT_NUMBER_MAX + 1];
    const std::int32_t length = input_read_item(buffer, INPUT_NUMBER_MAX, 0, float_seen);
    return std::string(buffer, static_cast<std::size_t>(length));
  }

  float read_float() {
    float value = -99;
    EXPECT_EQ(input_read_float(value), 0);
    return value;
  }

  std::string read_string() {
    std::string text = "unset";
    EXPECT_EQ(input_read_string(text), 0);
    return text;
  }
};

constexpr float INF = std::numeric_limits<float>::infinity();

TEST_F(InputStatementTest, TypedLinesConvertToTheirNumbers) {
  struct Case {
    std::string typed;
    std::string item;
    bool float_seen;
    float stored;
  };
  const Case cases[] = {
      {"5", "5", false, 5},
      {" 7 ", "7", false, 7},
      {"3.5", "3.5", true, 3.5f},
      {"abc", "abc", false, 0},
      {"", "", false, 0},
      {"   ", "", false, 0},
      {"&H0A", "&H0A", false, 10},
      {"&h0a", "&h0a", false, 10},
      {"&O12", "&O12", false, 10},
      {"&B1010", "&B1010", false, 10},
      {"1e1", "1e1", true, 10},
      {"1d1", "1e1", true, 10},
      {"1.5D2", "1.5E2", true, 150},
      {"2,3", "2", false, 2},
      {"\"4\"", "4", false, 4},
      {"\"12\"34", "1234", false, 1234},
      {"5\"", "5\"", false, 5},
      {"5abc", "5abc", false, 5},
      {"-3", "-3", false, -3},
      {"7 8", "7", false, 7},
      {"1,5", "1", false, 1},
      {"0x10", "0x10", false, 0},
      {"&Z5", "&Z5", false, 0},
      {"123456789", "123456789", false, 123456792.0f},
      {"12345678901", "12345678901", false, 12345678848.0f},
      {"&HFFFFFFFFFFFFFFFF", "&HFFFFFFFFFFFFFFFF", false, -1},
      {"&H1D", "&H1D", false, 29},
      {"1234567890123456789012", "1234567890123456789012", false, 1234567890123456789012.0f},
      {"1e39", "1e39", true, INF},
      {"-1e39", "-1e39", true, -INF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    prompt_with(c.typed);
    bool float_seen = !c.float_seen;
    EXPECT_EQ(read_item(float_seen), c.item);
    EXPECT_EQ(float_seen, c.float_seen);
    prompt_with(c.typed);
    EXPECT_EQ(read_float(), c.stored);
  }
}

TEST_F(InputStatementTest, ThePromptTheLineAndTheNewline) {
  use_console(40, 5);
  console().set_cursor({0, 1});
  prompt_with("5");
  EXPECT_EQ(screen(), (std::vector<std::string>{"", "Difficulty (1-10): 5", "", "", ""}));
  EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 2}));
  EXPECT_EQ(read_float(), 5);

  console().type_text("bye");
  console().press_key(ConsoleKey::enter);
  EXPECT_EQ(input_prompt("", 1, 1), 0);
  EXPECT_EQ(read_string(), "bye");
  EXPECT_EQ(screen(), (std::vector<std::string>{"", "Difficulty (1-10): 5", "? bye", "", ""}));
  EXPECT_EQ(console().cursor(), (ConsoleCoord{0, 3}));
}

TEST_F(InputStatementTest, WithoutANewlineTheCursorStaysAfterTheLine) {
  console().type_text("42");
  console().press_key(ConsoleKey::enter);
  EXPECT_EQ(input_prompt("N", 1, 0), 0);
  EXPECT_EQ(screen()[0], "N? 42");
  EXPECT_EQ(console().cursor(), (ConsoleCoord{5, 0}));
}

TEST_F(InputStatementTest, APromptAfterAnOwedLineFeedStartsOnAFreshRow) {
  use_console(40, 3);
  console().set_cursor({0, 2});
  print_string(0, std::string(40, '#'), 0); // fills the last cell: the line feed is owed
  prompt_with("9");
  EXPECT_EQ(screen(), (std::vector<std::string>{std::string(40, '#'), "Difficulty (1-10): 9", ""}));
  EXPECT_EQ(read_float(), 9);
}

TEST_F(InputStatementTest, ItemsOfOneLine) {
  prompt_with("1,2 3");
  EXPECT_EQ(read_float(), 1);
  EXPECT_EQ(read_float(), 2);
  EXPECT_EQ(read_float(), 3);
  EXPECT_EQ(read_float(), 0);
  EXPECT_EQ(read_string(), "");
}

TEST_F(InputStatementTest, TextItems) {
  struct Case {
    std::string typed;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"  a b  ", {"a b  "}},
      {"Hello, world", {"Hello", "world"}},
      {"\"Hello, world\"", {"Hello, world", ""}},
      {"\"a,b\"c", {"a,b", "c"}},
      {"\"a\" , b", {"a", "b"}},
      {"x\"y", {"x\"y"}},
      {"a,,b", {"a", "", "b"}},
      {"\"unclosed, still", {"unclosed, still"}},
      {"7.5e", {"7.5e"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    prompt_with(c.typed);
    for (const std::string& item : c.items) {
      EXPECT_EQ(read_string(), item);
    }
  }
}

TEST_F(InputStatementTest, ANewPromptDropsWhatTheLastLineLeft) {
  prompt_with("7 8");
  EXPECT_EQ(read_float(), 7);
  prompt_with("9");
  EXPECT_EQ(read_float(), 9);
}

TEST_F(InputStatementTest, LongItemsKeepTheirFirstBytesAndEndAtTheirSeparator) {
  prompt_with(std::string(100, '1') + ",7");
  bool float_seen = true;
  EXPECT_EQ(read_item(float_seen), std::string(INPUT_NUMBER_MAX, '1'));
  EXPECT_FALSE(float_seen);
  EXPECT_EQ(read_float(), 7);

  // The dropped bytes do not count for the conversion either.
  prompt_with(std::string(INPUT_NUMBER_MAX - 1, '0') + "1.5");
  EXPECT_EQ(read_float(), 1);
}

TEST_F(InputStatementTest, UseFileAcceptsOnlyTheConsoleAndOpenFiles) {
  prompt_with("1,2");
  EXPECT_EQ(read_float(), 1);
  for (const std::int32_t file : {-1, 255, 1000, 7, 254}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(input_use_file(file), RT_ERROR_ARGUMENT);
    EXPECT_EQ(rt_get_error(), RT_ERROR_ARGUMENT);
  }
  EXPECT_EQ(read_float(), 2); // the failed calls left the line in place
  EXPECT_EQ(input_use_file(0), RT_OK);
}

} // namespace
