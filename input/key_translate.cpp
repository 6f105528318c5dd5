#include "input/key_queue.h"
#include "input/key_tables.h"
#include "platform/console_platform.h"

namespace {

KeyColumn column_for(std::uint32_t state) {
  if ((state & (KEYSTATE_LEFT_ALT | KEYSTATE_RIGHT_ALT)) != 0) {
    return KEY_COLUMN_ALT;
  }
  if ((state & (KEYSTATE_LEFT_CTRL | KEYSTATE_RIGHT_CTRL)) != 0) {
    return KEY_COLUMN_CTRL;
  }
  if ((state & KEYSTATE_SHIFT) != 0) {
    return KEY_COLUMN_SHIFT;
  }
  return KEY_COLUMN_PLAIN;
}

// The other case of a character in the default locale, where only the ASCII letters
// have one. The mapped character may lie above 255, so no <cctype> call is made.
std::uint32_t other_case(std::uint32_t c) {
  if (c >= 'A' && c <= 'Z') {
    return c - 'A' + 'a';
  }
  if (c >= 'a' && c <= 'z') {
    return c - 'a' + 'A';
  }
  return c;
}

KeyCode translate_enhanced(std::uint16_t scan, KeyColumn column) {
  for (const KeyEnhancedRow& row : key_table_enhanced) {
    if (row.scan == scan) {
      return row.columns[column];
    }
  }
  return KEY_NONE;
}

} // namespace

KeyCode key_translate(std::uint8_t ch, std::uint16_t scan, std::uint16_t vk, std::uint32_t state) {
  const KeyColumn column = column_for(state);
  if (ch == 0 && (state & KEYSTATE_ENHANCED) != 0) {
    return translate_enhanced(scan, column);
  }
  const KeyCode as_character = ch != 0 ? KeyCode{ch} : KEY_NONE;
  if (scan > KEY_NORMAL_SCAN_MAX) {
    return as_character;
  }
  // A plain key that gives a character is that character; the plain column only
  // names keys without one (function keys, the keypad with Num Lock off).
  if (column == KEY_COLUMN_PLAIN && ch != 0) {
    return as_character;
  }
  const std::uint8_t extended = key_table_normal[scan][column];
  if (extended == 0) {
    return as_character;
  }
  // A combination is the extended key only when the console's character for it is
  // the key's own (in either case), or when neither exists: so a layout that puts
  // another character on the key keeps that character.
  const std::uint32_t u = platform().map_virtual_key(vk, MAP_VK_TO_CHAR) & 0xFFFF;
  if (ch == u || ch == other_case(u)) {
    return key_extended(extended);
  }
  return as_character;
}
