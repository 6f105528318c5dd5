// Console key events to key codes, through the pump as the console delivers them.
#include <gtest/gtest.h>

#include "input_test.h"

namespace {

constexpr std::uint32_t SHIFT = KEYSTATE_SHIFT;
constexpr std::uint32_t CTRL = KEYSTATE_LEFT_CTRL;
constexpr std::uint32_t RCTRL = KEYSTATE_RIGHT_CTRL;
constexpr std::uint32_t ALT = KEYSTATE_LEFT_ALT;
constexpr std::uint32_t RALT = KEYSTATE_RIGHT_ALT;
constexpr std::uint32_t ENH = KEYSTATE_ENHANCED;
constexpr std::uint32_t NUM = KEYSTATE_NUM_LOCK;

InputRecord down(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch, std::uint32_t state,
                 std::uint16_t repeat = 1) {
  return key_event(true, vk, scan, ch, state, repeat);
}

InputRecord up(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch, std::uint32_t state) {
  return key_event(false, vk, scan, ch, state);
}

struct EventCase {
  const char* name;
  std::vector<InputRecord> events;
  std::vector<KeyCode> codes;
};

class KeyTranslateTest : public InputTest {
protected:
  void check(const EventCase& c) {
    SCOPED_TRACE(c.name);
    for (const InputRecord& event : c.events) {
      console().queue_record(event);
    }
    EXPECT_EQ(take_all(), c.codes);
    key_reset();
  }
};

TEST_F(KeyTranslateTest, EventsGiveTheirCodes) {
  InputRecord mouse;
  mouse.event_type = EVENT_MOUSE;
  const EventCase cases[] = {
      {"g", {down(0x47, 0x22, 'g', 0)}, {103}},
      {"Shift+G", {down(0x47, 0x22, 'G', SHIFT)}, {71}},
      {"Ctrl+G gives the console's character", {down(0x47, 0x22, 7, CTRL)}, {7}},
      {"Alt+G with character g", {down(0x47, 0x22, 'g', ALT)}, {0x22FF}},
      {"Alt+G with character G", {down(0x47, 0x22, 'G', ALT)}, {0x22FF}},
      {"Alt+G without a character", {down(0x47, 0x22, 0, ALT)}, {}},
      {"AltGr+Q keeps the layout's character", {down(0x51, 0x10, '@', RALT | CTRL)}, {'@'}},
      {"Alt+7", {down(0x37, 0x08, '7', ALT)}, {0x82FF}},
      {"Alt+9", {down(0x39, 0x0A, '9', ALT)}, {0x80FF}},
      {"Alt+Backspace", {down(0x08, 0x0E, 8, ALT)}, {0xE0FF}},
      {"Shift+Tab", {down(0x09, 0x0F, 9, SHIFT)}, {0x0FFF}},
      {"Ctrl+Tab", {down(0x09, 0x0F, 9, CTRL)}, {0x94FF}},
      {"Alt+F4 is the close request's code", {down(0x73, 0x3E, 0, ALT)}, {KEY_CLOSE_REQUEST}},
      {"Up of the cursor block", {down(0x26, 0x48, 0, ENH)}, {0x48FF}},
      {"Shift+Up", {down(0x26, 0x48, 0, ENH | SHIFT)}, {0x48FF}},
      {"Ctrl+Up", {down(0x26, 0x48, 0, ENH | RCTRL)}, {0x8DFF}},
      {"Alt+Up", {down(0x26, 0x48, 0, ENH | ALT)}, {0x98FF}},
      {"Delete of the cursor block", {down(0x2E, 0x53, 0, ENH)}, {0x53FF}},
      {"Alt+Insert", {down(0x2D, 0x52, 0, ENH | ALT)}, {0xA2FF}},
      {"keypad 8 with Num Lock off is Up", {down(0x26, 0x48, 0, 0)}, {0x48FF}},
      {"keypad 8 with Num Lock on is a digit", {down(0x68, 0x48, '8', NUM)}, {'8'}},
      {"Ctrl+Home of the keypad", {down(0x24, 0x47, 0, CTRL)}, {0x77FF}},
      {"keypad Enter", {down(0x0D, 0x1C, 0, ENH)}, {13}},
      {"Ctrl+keypad Enter", {down(0x0D, 0x1C, 0, ENH | CTRL)}, {10}},
      {"Alt+keypad Enter", {down(0x0D, 0x1C, 0, ENH | ALT)}, {0xA6FF}},
      {"Shift+keypad slash", {down(0x6F, 0x35, 0, ENH | SHIFT)}, {'?'}},
      {"Ctrl+keypad slash", {down(0x6F, 0x35, 0, ENH | CTRL)}, {0x95FF}},
      {"an enhanced key with a character is that character", {down(0x6F, 0x35, '/', ENH)}, {'/'}},
      {"an enhanced key not in the table", {down(0x11, 0x1D, 0, ENH | RCTRL)}, {}},
      {"Shift alone", {down(0x10, 0x2A, 0, SHIFT), up(0x10, 0x2A, 0, 0)}, {}},
      {"Ctrl alone", {down(0x11, 0x1D, 0, CTRL), up(0x11, 0x1D, 0, 0)}, {}},
      {"Alt alone", {down(0x12, 0x38, 0, ALT), up(0x12, 0x38, 0, 0)}, {}},
      {"Caps Lock alone", {down(0x14, 0x3A, 0, 0), up(0x14, 0x3A, 0, KEYSTATE_CAPS_LOCK)}, {}},
      {"a scan code beyond the table with a character", {down(0, 0x60, 'x', 0)}, {'x'}},
      {"a scan code beyond the table without one", {down(0, 0x60, 0, 0)}, {}},
      {"key-up events give nothing", {up(0x47, 0x22, 'g', 0), up(0x70, 0x3B, 0, 0)}, {}},
      {"a repeat count gives one code", {down(0x47, 0x22, 'g', 0, 3)}, {103}},
      {"a repeat count of 0 gives nothing", {down(0x47, 0x22, 'g', 0, 0)}, {}},
      {"auto-repeat: one code per key-down",
       {down(0x47, 0x22, 'g', 0), down(0x47, 0x22, 'g', 0), up(0x47, 0x22, 'g', 0)},
       {103, 103}},
      {"other events are dropped", {mouse, down(0x47, 0x22, 'g', 0)}, {103}},
  };
  for (const EventCase& c : cases) {
    check(c);
  }
}

TEST_F(KeyTranslateTest, FunctionKeysWithEachModifier) {
  struct FunctionKey {
    const char* name;
    std::uint16_t vk, scan;
    KeyCode plain, shift, ctrl, alt;
  };
  const FunctionKey keys[] = {
      {"F1", 0x70, 0x3B, 0x3BFF, 0x54FF, 0x5EFF, 0x68FF},
      {"F2", 0x71, 0x3C, 0x3CFF, 0x55FF, 0x5FFF, 0x69FF},
      {"F3", 0x72, 0x3D, 0x3DFF, 0x56FF, 0x60FF, 0x6AFF},
      {"F4", 0x73, 0x3E, 0x3EFF, 0x57FF, 0x61FF, 0x6BFF},
      {"F5", 0x74, 0x3F, 0x3FFF, 0x58FF, 0x62FF, 0x6CFF},
      {"F6", 0x75, 0x40, 0x40FF, 0x59FF, 0x63FF, 0x6DFF},
      {"F7", 0x76, 0x41, 0x41FF, 0x5AFF, 0x64FF, 0x6EFF},
      {"F8", 0x77, 0x42, 0x42FF, 0x5BFF, 0x65FF, 0x6FFF},
      {"F9", 0x78, 0x43, 0x43FF, 0x5CFF, 0x66FF, 0x70FF},
      {"F10", 0x79, 0x44, 0x44FF, 0x5DFF, 0x67FF, 0x71FF},
      {"F11", 0x7A, 0x57, 0x85FF, 0x87FF, 0x89FF, 0x8BFF},
      {"F12", 0x7B, 0x58, 0x86FF, 0x88FF, 0x8AFF, 0x8CFF},
  };
  for (const FunctionKey& k : keys) {
    SCOPED_TRACE(k.name);
    check({"plain", {down(k.vk, k.scan, 0, 0)}, {k.plain}});
    check({"Shift", {down(k.vk, k.scan, 0, SHIFT)}, {k.shift}});
    check({"Ctrl", {down(k.vk, k.scan, 0, RCTRL)}, {k.ctrl}});
    check({"Alt", {down(k.vk, k.scan, 0, RALT)}, {k.alt}});
    check({"Ctrl+Alt counts as Alt", {down(k.vk, k.scan, 0, CTRL | ALT)}, {k.alt}});
  }
}

// Keypad digits typed while Alt alone is held.
InputRecord alt_digit(int digit, bool key_down, std::uint32_t state = ALT | NUM) {
  static constexpr std::uint16_t scans[] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                            0x4C, 0x4D, 0x47, 0x48, 0x49};
  return key_event(key_down, static_cast<std::uint16_t>(0x60 + digit), scans[digit], 0, state);
}

std::vector<InputRecord> alt_number(std::initializer_list<int> digits,
                                    std::uint32_t state = ALT | NUM) {
  std::vector<InputRecord> events{down(0x12, 0x38, 0, ALT | NUM)};
  for (int digit : digits) {
    events.push_back(alt_digit(digit, true, state));
    events.push_back(alt_digit(digit, false, state));
  }
  return events;
}

std::vector<InputRecord> then(std::vector<InputRecord> events, const InputRecord& last) {
  events.push_back(last);
  return events;
}

const InputRecord alt_released = up(0x12, 0x38, 0, NUM);

TEST_F(KeyTranslateTest, AltWithKeypadDigitsComposesACharacter) {
  const EventCase cases[] = {
      {"6 5 gives 65 when Alt is released", then(alt_number({6, 5}), alt_released), {65}},
      {"nothing before Alt is released", alt_number({6, 5}), {}},
      {"3 2 1 keeps the low byte: 65", then(alt_number({3, 2, 1}), alt_released), {65}},
      {"2 5 6 gives the byte 0", then(alt_number({2, 5, 6}), alt_released), {0}},
      {"0 alone gives nothing", then(alt_number({0}), alt_released), {}},
      {"Alt+G before the release drops the composition",
       then(then(alt_number({6, 5}), down(0x47, 0x22, 'g', ALT)), alt_released),
       {0x22FF}},
      {"a key without a code and without Alt delivers it",
       then(alt_number({6, 5}), down(0x10, 0x2A, 0, SHIFT)),
       {65}},
      {"digits with Shift held do not compose",
       then(alt_number({6, 5}, ALT | SHIFT | NUM), alt_released),
       {}},
      {"keypad 5 whose character passes also queues its Alt key",
       {down(0x12, 0x38, 0, ALT | NUM), key_event(true, 0x65, 0x4C, '5', ALT | NUM),
        key_event(false, 0x65, 0x4C, '5', ALT | NUM), alt_released},
       {0x4CFF, 5}},
  };
  for (const EventCase& c : cases) {
    check(c);
  }
}

TEST_F(KeyTranslateTest, ACompositionCarriesAcrossPumps) {
  for (const InputRecord& event : alt_number({6})) {
    console().queue_record(event);
  }
  EXPECT_EQ(key_queue_take(), KEY_NONE);
  for (const InputRecord& event : then(alt_number({5}), alt_released)) {
    console().queue_record(event);
  }
  EXPECT_EQ(take_all(), (std::vector<KeyCode>{65}));
}

} // namespace
