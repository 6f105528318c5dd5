// The in-memory console's key records: what typing, pressing keys and the key
// mapping deliver, as a console with the US layout delivers them.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/memory/memory_console.h"

namespace {

constexpr ConsoleHandle IN = MemoryConsole::INPUT_HANDLE;
constexpr std::uint32_t NUM = KEYSTATE_NUM_LOCK;
constexpr std::uint32_t SHIFT = KEYSTATE_SHIFT;
constexpr std::uint32_t CTRL = KEYSTATE_LEFT_CTRL;
constexpr std::uint32_t ALT = KEYSTATE_LEFT_ALT;
constexpr std::uint32_t ENH = KEYSTATE_ENHANCED;

// One key record in a form whose differences read at a glance.
std::string key_text(bool down, unsigned vk, unsigned scan, unsigned ch, unsigned state) {
  char text[64];
  std::snprintf(text, sizeof text, "%s vk=%02X scan=%02X ch=%02X state=%03X",
                down ? "down" : "up  ", vk, scan, ch, state);
  return text;
}

std::vector<std::string> drain(MemoryConsole& console) {
  std::vector<std::string> seen;
  InputRecord record;
  std::uint32_t count = 0;
  while (console.read_input(IN, &record, 1, count) && count == 1) {
    if (record.event_type != EVENT_KEY) {
      seen.push_back("event " + std::to_string(record.event_type));
      continue;
    }
    const KeyEventRecord& key = record.key;
    EXPECT_EQ(key.repeat_count, 1);
    seen.push_back(key_text(key.key_down, key.virtual_key, key.virtual_scan, key.ascii_char,
                            key.control_state));
  }
  return seen;
}

// The down and up records of one key.
std::vector<std::string> press(unsigned vk, unsigned scan, unsigned ch, unsigned state = 0) {
  return {key_text(true, vk, scan, ch, state), key_text(false, vk, scan, ch, state)};
}

std::vector<std::string> shifted(unsigned vk, unsigned scan, unsigned ch) {
  return {key_text(true, 0x10, 0x2A, 0, SHIFT), key_text(true, vk, scan, ch, SHIFT),
          key_text(false, vk, scan, ch, SHIFT), key_text(false, 0x10, 0x2A, 0, 0)};
}

TEST(MemoryConsoleKeys, TypedCharactersArriveAsUsLayoutKeyPresses) {
  struct Case {
    const char* text;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {"g", press(0x47, 0x22, 'g')},
      {"G", shifted(0x47, 0x22, 'G')},
      {"z", press(0x5A, 0x2C, 'z')},
      {"7", press(0x37, 0x08, '7')},
      {"0", press(0x30, 0x0B, '0')},
      {" ", press(0x20, 0x39, ' ')},
      {"-", press(0xBD, 0x0C, '-')},
      {";", press(0xBA, 0x27, ';')},
      {"/", press(0xBF, 0x35, '/')},
      {"'", press(0xDE, 0x28, '\'')},
      {"!", shifted(0x31, 0x02, '!')},
      {")", shifted(0x30, 0x0B, ')')},
      {":", shifted(0xBA, 0x27, ':')},
      {"?", shifted(0xBF, 0x35, '?')},
      {"~", shifted(0xC0, 0x29, '~')},
      {"|", shifted(0xDC, 0x2B, '|')},
      {"\r", press(0x0D, 0x1C, 13)},
      {"\n", press(0x0D, 0x1C, 13)},
      {"\t", press(0x09, 0x0F, 9)},
      {"\b", press(0x08, 0x0E, 8)},
      {"\x1b", press(0x1B, 0x01, 27)},
      {"\x07",
       {key_text(true, 0x11, 0x1D, 0, CTRL), key_text(true, 0x47, 0x22, 7, CTRL),
        key_text(false, 0x47, 0x22, 7, CTRL), key_text(false, 0x11, 0x1D, 0, 0)}},
      {"\xe9", press(0, 0, 0xE9)},
      {"\xff", press(0, 0, 0xFF)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    MemoryConsole console(80, 25);
    console.type_text(c.text);
    EXPECT_EQ(console.pending_records(), c.records.size());
    EXPECT_EQ(drain(console), c.records);
  }
}

TEST(MemoryConsoleKeys, TypedTextKeepsItsOrder) {
  MemoryConsole console(80, 25);
  console.type_text("hI");
  std::vector<std::string> expected = press(0x48, 0x23, 'h');
  for (const std::string& record : shifted(0x49, 0x17, 'I')) {
    expected.push_back(record);
  }
  EXPECT_EQ(drain(console), expected);
}

TEST(MemoryConsoleKeys, NamedKeysCarryTheirCodesCharactersAndModifiers) {
  struct Case {
    const char* name;
    ConsoleKey key;
    std::uint32_t modifiers;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {"Enter", ConsoleKey::enter, 0, press(0x0D, 0x1C, 13)},
      {"Ctrl+Enter", ConsoleKey::enter, CTRL, press(0x0D, 0x1C, 10, CTRL)},
      {"Escape", ConsoleKey::escape, 0, press(0x1B, 0x01, 27)},
      {"Backspace", ConsoleKey::backspace, 0, press(0x08, 0x0E, 8)},
      {"Ctrl+Backspace", ConsoleKey::backspace, CTRL, press(0x08, 0x0E, 127, CTRL)},
      {"Alt+Backspace", ConsoleKey::backspace, ALT, press(0x08, 0x0E, 8, ALT)},
      {"Shift+Tab", ConsoleKey::tab, SHIFT, press(0x09, 0x0F, 9, SHIFT)},
      {"Space", ConsoleKey::space, 0, press(0x20, 0x39, ' ')},
      {"Up", ConsoleKey::up, 0, press(0x26, 0x48, 0, ENH)},
      {"Ctrl+Up", ConsoleKey::up, CTRL, press(0x26, 0x48, 0, CTRL | ENH)},
      {"Down", ConsoleKey::down, 0, press(0x28, 0x50, 0, ENH)},
      {"Left", ConsoleKey::left, 0, press(0x25, 0x4B, 0, ENH)},
      {"Alt+Right", ConsoleKey::right, ALT, press(0x27, 0x4D, 0, ALT | ENH)},
      {"Home", ConsoleKey::home, 0, press(0x24, 0x47, 0, ENH)},
      {"End", ConsoleKey::end, 0, press(0x23, 0x4F, 0, ENH)},
      {"PgUp", ConsoleKey::page_up, 0, press(0x21, 0x49, 0, ENH)},
      {"PgDn", ConsoleKey::page_down, 0, press(0x22, 0x51, 0, ENH)},
      {"Insert", ConsoleKey::insert, 0, press(0x2D, 0x52, 0, ENH)},
      {"Delete", ConsoleKey::del, 0, press(0x2E, 0x53, 0, ENH)},
      {"F1", ConsoleKey::f1, 0, press(0x70, 0x3B, 0)},
      {"Shift+F1", ConsoleKey::f1, SHIFT, press(0x70, 0x3B, 0, SHIFT)},
      {"F10", ConsoleKey::f10, 0, press(0x79, 0x44, 0)},
      {"F11", ConsoleKey::f11, 0, press(0x7A, 0x57, 0)},
      {"F12", ConsoleKey::f12, 0, press(0x7B, 0x58, 0)},
      {"keypad 0, Num Lock", ConsoleKey::numpad0, NUM, press(0x60, 0x52, '0', NUM)},
      {"keypad 5, Num Lock", ConsoleKey::numpad5, NUM, press(0x65, 0x4C, '5', NUM)},
      {"keypad 9, Num Lock", ConsoleKey::numpad9, NUM, press(0x69, 0x49, '9', NUM)},
      {"Alt+keypad 6, Num Lock", ConsoleKey::numpad6, ALT | NUM, press(0x66, 0x4D, 0, ALT | NUM)},
      {"keypad 8 without Num Lock is Up", ConsoleKey::numpad8, 0, press(0x26, 0x48, 0)},
      {"keypad 5 without Num Lock", ConsoleKey::numpad5, 0, press(0x0C, 0x4C, 0)},
      {"Caps Lock", ConsoleKey::caps_lock, 0, press(0x14, 0x3A, 0, KEYSTATE_CAPS_LOCK)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConsole console(80, 25);
    console.press_key(c.key, c.modifiers);
    EXPECT_EQ(drain(console), c.records);
  }
}

TEST(MemoryConsoleKeys, CharacterKeysWithCtrlOrAltGiveTheConsolesCharacter) {
  struct Case {
    char ch;
    std::uint32_t modifiers;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {'g', CTRL, press(0x47, 0x22, 7, CTRL)},
      {'a', KEYSTATE_RIGHT_CTRL, press(0x41, 0x1E, 1, KEYSTATE_RIGHT_CTRL)},
      {'[', CTRL, press(0xDB, 0x1A, 27, CTRL)},
      {'@', CTRL, press(0x32, 0x03, 0, CTRL | SHIFT)},
      {'g', ALT, press(0x47, 0x22, 'g', ALT)},
      {'G', ALT, press(0x47, 0x22, 'G', ALT | SHIFT)},
      {'g', SHIFT, press(0x47, 0x22, 'G', SHIFT)},
      {'g', KEYSTATE_CAPS_LOCK, press(0x47, 0x22, 'G', KEYSTATE_CAPS_LOCK)},
      {'5', ALT, press(0x35, 0x06, '5', ALT)},
      {'g', CTRL | ALT, press(0x47, 0x22, 0, CTRL | ALT)},
      {'\xe9', ALT, press(0, 0, 0xE9, ALT)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "char " << c.ch << " modifiers " << c.modifiers);
    MemoryConsole console(80, 25);
    console.press_char(c.ch, c.modifiers);
    EXPECT_EQ(drain(console), c.records);
  }
}

TEST(MemoryConsoleKeys, ModifierKeysShowTheirOwnStateWhileDown) {
  MemoryConsole console(80, 25);
  console.key_down(ConsoleKey::alt);
  console.press_key(ConsoleKey::numpad6, ALT | NUM);
  console.key_up(ConsoleKey::alt, ALT | NUM);
  console.key_down(ConsoleKey::control, KEYSTATE_RIGHT_CTRL);
  console.key_up(ConsoleKey::shift, SHIFT | CTRL);
  std::vector<std::string> expected = {key_text(true, 0x12, 0x38, 0, ALT)};
  for (const std::string& record : press(0x66, 0x4D, 0, ALT | NUM)) {
    expected.push_back(record);
  }
  expected.push_back(key_text(false, 0x12, 0x38, 0, NUM));
  expected.push_back(key_text(true, 0x11, 0x1D, 0, KEYSTATE_RIGHT_CTRL | ENH));
  expected.push_back(key_text(false, 0x10, 0x2A, 0, CTRL));
  EXPECT_EQ(drain(console), expected);
}

TEST(MemoryConsoleKeys, AutoRepeatAndOtherRecordsPassThrough) {
  MemoryConsole console(80, 25);
  console.key_down(ConsoleKey::right, 0, 3);
  InputRecord mouse;
  mouse.event_type = EVENT_MOUSE;
  console.queue_record(mouse);

  InputRecord records[4];
  std::uint32_t count = 9;
  ASSERT_TRUE(console.peek_input(IN, records, 4, count));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(console.pending_records(), 2u); // a peek removes nothing
  EXPECT_EQ(records[0].key.repeat_count, 3);
  EXPECT_TRUE(records[0].key.key_down);
  EXPECT_EQ(records[1].event_type, EVENT_MOUSE);

  ASSERT_TRUE(console.read_input(IN, records, 1, count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(records[0].event_type, EVENT_KEY);
  ASSERT_TRUE(console.read_input(IN, records, 4, count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(records[0].event_type, EVENT_MOUSE);
  ASSERT_TRUE(console.peek_input(IN, records, 1, count));
  EXPECT_EQ(count, 0u);
}

TEST(MemoryConsoleKeys, MappingGivesTheUnshiftedCharacterOfAKey) {
  struct Case {
    std::uint32_t vk;
    std::uint32_t ch;
  };
  const Case cases[] = {
      {0x41, 'A'}, {0x5A, 'Z'}, {0x30, '0'}, {0x39, '9'},  {0x20, ' '}, {0x0D, 13},   {0x08, 8},
      {0x09, 9},   {0x1B, 27},  {0xBA, ';'}, {0xBB, '='},  {0xBC, ','}, {0xBD, '-'},  {0xBE, '.'},
      {0xBF, '/'}, {0xC0, '`'}, {0xDB, '['}, {0xDC, '\\'}, {0xDD, ']'}, {0xDE, '\''}, {0x60, '0'},
      {0x69, '9'}, {0x6A, '*'}, {0x6B, '+'}, {0x6D, '-'},  {0x6E, '.'}, {0x6F, '/'},  {0x26, 0},
      {0x0C, 0},   {0x70, 0},   {0x10, 0},   {0x11, 0},    {0x12, 0},   {0x14, 0},    {0x61, '1'},
      {0x6C, 0},   {0x00, 0},   {0xFFFF, 0}, {0x10041, 0},
  };
  MemoryConsole console(80, 25);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "vk 0x" << std::hex << c.vk);
    EXPECT_EQ(console.map_virtual_key(c.vk, MAP_VK_TO_CHAR), c.ch);
  }
  EXPECT_EQ(console.map_virtual_key(0x41, 0), 0u); // only the one mapping is known
}

TEST(MemoryConsoleKeys, RedirectedInputHasNoRecordsButItsBytes) {
  MemoryConsole console(80, 25);
  console.set_input_redirected(true);
  console.type_text("x");
  InputRecord record;
  std::uint32_t count = 5;
  std::uint32_t mode = 0;
  EXPECT_FALSE(console.peek_input(IN, &record, 1, count));
  EXPECT_EQ(count, 0u);
  count = 5;
  EXPECT_FALSE(console.read_input(IN, &record, 1, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(console.get_console_mode(IN, mode));
  EXPECT_FALSE(console.set_console_mode(IN, 7));
  EXPECT_TRUE(console.get_console_mode(MemoryConsole::OUTPUT_HANDLE, mode));

  console.feed_stdin("12\n");
  console.feed_stdin("ab");
  char buffer[8] = {};
  ASSERT_EQ(console.read_stdin(buffer, 2), 2u);
  EXPECT_EQ(std::string(buffer, 2), "12");
  ASSERT_EQ(console.read_stdin(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "\nab");
  EXPECT_EQ(console.read_stdin(buffer, sizeof buffer), 0u);
  EXPECT_EQ(console.read_stdin(buffer, sizeof buffer), 0u);
}

} // namespace
