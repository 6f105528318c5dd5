// Standard input that is not a console: the device read, the items read straight from
// it, keys taken from it, and its end.
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "input/key_poll.h"
#include "input/line_editor.h"
#include "input_test.h"
#include "runtime/rt_context.h"

namespace {

// Delivers standard input one byte per read, as a slow pipe does.
class TrickleConsole : public MemoryConsole {
public:
  TrickleConsole() : MemoryConsole(80, 25) {}
  std::size_t read_stdin(void* buffer, std::size_t count) override {
    return MemoryConsole::read_stdin(buffer, count < 1 ? count : 1);
  }
};

class RedirectedInputTest : public InputTest {
protected:
  void SetUp() override {
    InputTest::SetUp();
    console().set_input_redirected(true);
  }

  // A fresh redirected console whose standard input holds these bytes.
  void feed_fresh(const std::string& bytes) {
    use_console(80, 25);
    console().set_input_redirected(true);
    console_screen_reset();
    key_reset();
    input_reset();
    console().feed_stdin(bytes);
  }

  float read_float() {
    EXPECT_EQ(input_prompt("Difficulty (1-10): ", 0, 1), 0);
    float value = -99;
    EXPECT_EQ(input_read_float(value), 0);
    return value;
  }

  std::string read_string() {
    EXPECT_EQ(input_prompt("", 1, 1), 0);
    std::string text = "unset";
    EXPECT_EQ(input_read_string(text), 0);
    return text;
  }

  // Everything stdin_read delivers, in reads of the given size.
  static std::string read_all(std::uint32_t size) {
    std::string bytes;
    for (;;) {
      std::uint8_t buffer[16];
      std::uint32_t count = size;
      EXPECT_EQ(stdin_read(nullptr, buffer, count), 0);
      if (count == 0) {
        return bytes;
      }
      bytes.append(reinterpret_cast<const char*>(buffer), count);
    }
  }
};

TEST_F(RedirectedInputTest, AShortReadIsFilledWithZeros) {
  console().feed_stdin("abcde");
  std::uint8_t buffer[8];
  std::memset(buffer, 0x55, sizeof buffer);
  std::uint32_t count = 8;
  rt_set_error(4);
  EXPECT_EQ(stdin_read(nullptr, buffer, count), 0);
  EXPECT_EQ(rt_get_error(), 0);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 8), std::string("abcde\0\0\0", 8));
  count = 8;
  std::memset(buffer, 0x55, sizeof buffer);
  EXPECT_EQ(stdin_read(nullptr, buffer, count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 8), std::string(8, '\0'));
}

TEST_F(RedirectedInputTest, TextModeTurnsCrLfIntoLfAcrossReads) {
  struct Case {
    std::string fed, read;
  };
  const Case cases[] = {
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\rb"},
      {"a\r", "a\r"},
      {"\r\r\n", "\r\n"},
      {"\r\n\r\n", "\n\n"},
      {"\n\r", "\n\r"},
      {std::string("x\0y", 3), std::string("x\0y", 3)},
  };
  for (const Case& c : cases) {
    for (const bool trickle : {false, true}) {
      for (const std::uint32_t size : {1u, 2u, 16u}) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(c.fed) << " in reads of " << size
                                        << (trickle ? " from a trickling pipe" : ""));
        TrickleConsole trickling;
        MemoryConsole whole(80, 25);
        MemoryConsole& source = trickle ? trickling : whole;
        source.set_input_redirected(true);
        source.feed_stdin(c.fed);
        platform_install(&source);
        input_reset();
        EXPECT_EQ(read_all(size), c.read);
        platform_install(&console());
      }
    }
  }
}

TEST_F(RedirectedInputTest, NoPromptIsShownAndItemsComeStraightFromStdin) {
  console().feed_stdin("5\n");
  EXPECT_EQ(read_float(), 5);
  EXPECT_EQ(screen(), std::vector<std::string>(25));
  EXPECT_EQ(console().raw_output(), "");
  EXPECT_EQ(console().call_count(ConsoleCall::peek_input), 0u);
}

TEST_F(RedirectedInputTest, ItemsAndSeparatorsAreConsumedAcrossStatements) {
  struct Case {
    const char* name;
    std::string fed;
    std::vector<float> values;
  };
  const Case cases[] = {
      {"a comma between two statements", "2,3\n", {2, 3, 0}},
      {"a blank keeps the rest for the next statement", "7 8\n9\n", {7, 8, 9, 0}},
      {"the last line without a line end", "4\n6", {4, 6, 0, 0}},
      {"Windows line ends", "3\r\n4\r\n", {3, 4, 0}},
      {"a lone CR ends an item", "5\r6", {5, 6, 0}},
      {"TAB is a blank", "\t\t7\t8\n", {7, 8, 0}},
      {"empty lines are empty items", "\n\n1\n", {0, 0, 1, 0}},
      {"a zero byte ends the number",
       std::string("12\0"
                   "34\n",
                   6),
       {12, 0}},
      {"an item cut at its maximum ends at its separator",
       std::string(INPUT_NUMBER_MAX - 1, '0') + "1999,2\n",
       {1, 2, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    feed_fresh(c.fed);
    for (const float value : c.values) {
      EXPECT_EQ(read_float(), value);
    }
    EXPECT_TRUE(input_stdin_ended());
  }
}

TEST_F(RedirectedInputTest, TextItems) {
  console().feed_stdin(std::string("12\0", 3) + "34,  two words  \n\"a, b\"\n" +
                       std::string(5000, 'x') + ",tail");
  EXPECT_EQ(read_string(), "12");
  EXPECT_EQ(read_string(), "two words  ");
  EXPECT_EQ(read_string(), "a, b");
  EXPECT_EQ(read_string(), std::string(INPUT_TEXT_MAX, 'x'));
  EXPECT_EQ(read_string(), "tail");
  EXPECT_EQ(read_string(), "");
}

TEST_F(RedirectedInputTest, TheEndOfInputIsKnown) {
  console().feed_stdin("5\n");
  EXPECT_FALSE(input_stdin_ended());
  EXPECT_EQ(read_float(), 5);
  EXPECT_FALSE(input_stdin_ended()); // the end has not been read yet
  EXPECT_EQ(read_float(), 0);
  EXPECT_TRUE(input_stdin_ended());
  EXPECT_EQ(read_string(), "");
  EXPECT_TRUE(input_stdin_ended());
}

TEST_F(RedirectedInputTest, WhatAnItemLeavesIsTheNextKey) {
  console().feed_stdin("7 8");
  EXPECT_EQ(read_float(), 7); // the 8 is read, then put back
  EXPECT_FALSE(input_stdin_ended());
  EXPECT_EQ(key_poll_text(), "8");
  EXPECT_EQ(key_poll_text(), "");
  EXPECT_TRUE(input_stdin_ended());
}

TEST_F(RedirectedInputTest, AfterTheDifficultyEachByteIsAKey) {
  console().feed_stdin("5\nhhgq");
  EXPECT_EQ(read_float(), 5);
  std::vector<std::string> keys;
  while (!input_stdin_ended()) {
    keys.push_back(key_poll_text());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"h", "h", "g", "q", ""}));
  EXPECT_EQ(key_poll_text(), "");
}

TEST_F(RedirectedInputTest, AMebibyteWithoutALineEndIsOneItem) {
  console().feed_stdin(std::string(std::size_t{1} << 20, '9'));
  EXPECT_EQ(read_float(), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(input_stdin_ended());
  EXPECT_EQ(read_float(), 0);
}

TEST_F(RedirectedInputTest, ArbitraryBytesEndInBoundedItems) {
  // Every byte value, quotes, separators and line ends in a fixed random mix.
  std::mt19937 random(12345);
  std::string bytes;
  const std::string favoured = "\"\",,\r\n\t &HhDdEe.0123456789";
  for (int i = 0; i < 200000; ++i) {
    const auto pick = random();
    bytes += (pick & 1) != 0 ? favoured[pick % favoured.size()] : static_cast<char>(pick >> 8);
  }
  console().feed_stdin(bytes);
  EXPECT_EQ(input_prompt("", 0, 0), 0);
  for (int items = 0; !input_stdin_ended(); ++items) {
    ASSERT_LT(items, 200000) << "every item consumes at least one byte";
    char buffer[INPUT_NUMBER_MAX + 1];
    bool float_seen = false;
    const bool text = (items % 3) == 0;
    const std::int32_t max = text ? 5 : INPUT_NUMBER_MAX;
    const std::int32_t length = input_read_item(buffer, max, text ? 1 : 0, float_seen);
    ASSERT_LE(length, max);
    EXPECT_EQ(buffer[length], '\0');
    float value = 0;
    if ((items % 7) == 0) {
      input_read_float(value);
    }
    if ((items % 11) == 0) {
      key_poll_text();
    }
  }
}

} // namespace
