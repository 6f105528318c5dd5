#include "platform/posix/terminal_key_table.h"

#include <array>

#include "platform/console_platform.h"

namespace {

struct CharacterKey {
  char plain;
  char shifted;
  std::uint16_t virtual_key;
  std::uint16_t scan; // scan code set 1
};

// Every key of the US layout that types a character, row by row.
constexpr std::array<CharacterKey, 48> character_keys{{
    {'`', '~', 0xC0, 0x29},  {'1', '!', '1', 0x02},   {'2', '@', '2', 0x03},
    {'3', '#', '3', 0x04},   {'4', '$', '4', 0x05},   {'5', '%', '5', 0x06},
    {'6', '^', '6', 0x07},   {'7', '&', '7', 0x08},   {'8', '*', '8', 0x09},
    {'9', '(', '9', 0x0A},   {'0', ')', '0', 0x0B},   {'-', '_', 0xBD, 0x0C},
    {'=', '+', 0xBB, 0x0D},  {'q', 'Q', 'Q', 0x10},   {'w', 'W', 'W', 0x11},
    {'e', 'E', 'E', 0x12},   {'r', 'R', 'R', 0x13},   {'t', 'T', 'T', 0x14},
    {'y', 'Y', 'Y', 0x15},   {'u', 'U', 'U', 0x16},   {'i', 'I', 'I', 0x17},
    {'o', 'O', 'O', 0x18},   {'p', 'P', 'P', 0x19},   {'[', '{', 0xDB, 0x1A},
    {']', '}', 0xDD, 0x1B},  {'\\', '|', 0xDC, 0x2B}, {'a', 'A', 'A', 0x1E},
    {'s', 'S', 'S', 0x1F},   {'d', 'D', 'D', 0x20},   {'f', 'F', 'F', 0x21},
    {'g', 'G', 'G', 0x22},   {'h', 'H', 'H', 0x23},   {'j', 'J', 'J', 0x24},
    {'k', 'K', 'K', 0x25},   {'l', 'L', 'L', 0x26},   {';', ':', 0xBA, 0x27},
    {'\'', '"', 0xDE, 0x28}, {'z', 'Z', 'Z', 0x2C},   {'x', 'X', 'X', 0x2D},
    {'c', 'C', 'C', 0x2E},   {'v', 'V', 'V', 0x2F},   {'b', 'B', 'B', 0x30},
    {'n', 'N', 'N', 0x31},   {'m', 'M', 'M', 0x32},   {',', '<', 0xBC, 0x33},
    {'.', '>', 0xBE, 0x34},  {'/', '?', 0xBF, 0x35},  {' ', ' ', 0x20, 0x39},
}};

constexpr std::uint32_t CTRL = KEYSTATE_LEFT_CTRL;
constexpr std::uint32_t SHIFT = KEYSTATE_SHIFT;
constexpr std::uint32_t ENHANCED = KEYSTATE_ENHANCED;

// Indexed by NamedKey. The cursor block and the editing keys are enhanced keys; the
// function keys and keypad 5 are not.
constexpr std::array<KeyFacts, 26> named_keys{{
    {0x26, 0x48, 0, ENHANCED}, // up
    {0x28, 0x50, 0, ENHANCED}, // down
    {0x27, 0x4D, 0, ENHANCED}, // right
    {0x25, 0x4B, 0, ENHANCED}, // left
    {0x24, 0x47, 0, ENHANCED}, // home
    {0x23, 0x4F, 0, ENHANCED}, // end
    {0x21, 0x49, 0, ENHANCED}, // page up
    {0x22, 0x51, 0, ENHANCED}, // page down
    {0x2D, 0x52, 0, ENHANCED}, // insert
    {0x2E, 0x53, 0, ENHANCED}, // delete
    {0x0C, 0x4C, 0, 0},        // clear
    {0x70, 0x3B, 0, 0},        // F1
    {0x71, 0x3C, 0, 0},        {0x72, 0x3D, 0, 0}, {0x73, 0x3E, 0, 0},
    {0x74, 0x3F, 0, 0},        {0x75, 0x40, 0, 0}, {0x76, 0x41, 0, 0},
    {0x77, 0x42, 0, 0},        {0x78, 0x43, 0, 0}, {0x79, 0x44, 0, 0}, // F10
    {0x7A, 0x57, 0, 0},                                                // F11
    {0x7B, 0x58, 0, 0},                                                // F12
    {0x1B, 0x01, 27, 0},       {0x09, 0x0F, 9, 0}, {0x08, 0x0E, 8, 0},
}};

std::optional<KeyFacts> key_with_character(char c, std::uint8_t ch, std::uint32_t state) {
  for (const CharacterKey& key : character_keys) {
    if (key.plain == c || key.shifted == c) {
      const std::uint32_t shift = key.plain == c ? 0 : SHIFT;
      return KeyFacts{key.virtual_key, key.scan, ch, state | shift};
    }
  }
  return std::nullopt;
}

} // namespace

std::optional<KeyFacts> key_for_ascii(std::uint8_t byte) {
  switch (byte) {
  case 0x08: // Backspace in terminals that send BS
  case 0x7F: // Backspace in terminals that send DEL
    return key_for_named(NamedKey::backspace);
  case 0x09:
    return key_for_named(NamedKey::tab);
  case 0x0D:
    return KeyFacts{0x0D, 0x1C, 13, 0};
  case 0x1B:
    return std::nullopt;
  case 0x00: // Ctrl+@, typed as Ctrl+2
    return key_with_character('2', 0, CTRL);
  case 0x1C:
    return key_with_character('\\', byte, CTRL);
  case 0x1D:
    return key_with_character(']', byte, CTRL);
  case 0x1E: // Ctrl+^, typed as Ctrl+Shift+6
    return key_with_character('^', byte, CTRL);
  case 0x1F: // Ctrl+_, typed as Ctrl+Shift+minus
    return key_with_character('_', byte, CTRL);
  default:
    break;
  }
  if (byte < 0x20) {
    return key_with_character(static_cast<char>('a' + byte - 1), byte, CTRL);
  }
  return key_with_character(static_cast<char>(byte), byte, 0);
}

KeyFacts key_for_named(NamedKey key) {
  return named_keys[static_cast<std::size_t>(key)];
}

KeyFacts key_for_character(std::uint8_t ch) {
  return KeyFacts{0, 0, ch, 0};
}

bool key_for_final(std::uint8_t final_byte, NamedKey& key) {
  switch (final_byte) {
  case 'A':
    key = NamedKey::up;
    return true;
  case 'B':
    key = NamedKey::down;
    return true;
  case 'C':
    key = NamedKey::right;
    return true;
  case 'D':
    key = NamedKey::left;
    return true;
  case 'H':
    key = NamedKey::home;
    return true;
  case 'F':
    key = NamedKey::end;
    return true;
  case 'E':
    key = NamedKey::clear;
    return true;
  case 'P':
  case 'Q':
  case 'R':
  case 'S':
    key = static_cast<NamedKey>(static_cast<int>(NamedKey::f1) + (final_byte - 'P'));
    return true;
  default:
    return false;
  }
}

bool key_for_rxvt_final(std::uint8_t final_byte, NamedKey& key) {
  switch (final_byte) {
  case 'a':
    key = NamedKey::up;
    return true;
  case 'b':
    key = NamedKey::down;
    return true;
  case 'c':
    key = NamedKey::right;
    return true;
  case 'd':
    key = NamedKey::left;
    return true;
  default:
    return false;
  }
}

// The number of CSI n ~ (and its rxvt forms): 1 and 4 from the linux console,
// screen and tmux, 7 and 8 from rxvt, 11 to 15 from rxvt and old xterms.
bool key_for_tilde_number(int number, NamedKey& key) {
  struct Entry {
    int number;
    NamedKey key;
  };
  static constexpr std::array<Entry, 20> entries{{
      {1, NamedKey::home},    {2, NamedKey::insert},    {3, NamedKey::del},  {4, NamedKey::end},
      {5, NamedKey::page_up}, {6, NamedKey::page_down}, {7, NamedKey::home}, {8, NamedKey::end},
      {11, NamedKey::f1},     {12, NamedKey::f2},       {13, NamedKey::f3},  {14, NamedKey::f4},
      {15, NamedKey::f5},     {17, NamedKey::f6},       {18, NamedKey::f7},  {19, NamedKey::f8},
      {20, NamedKey::f9},     {21, NamedKey::f10},      {23, NamedKey::f11}, {24, NamedKey::f12},
  }};
  for (const Entry& entry : entries) {
    if (entry.number == number) {
      key = entry.key;
      return true;
    }
  }
  return false;
}
