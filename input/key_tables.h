// The two constant tables that turn a key's scan code and modifiers into a key code.
#pragma once

#include <array>
#include <cstdint>

#include "input/key_queue.h"

// Columns of both tables, chosen by the modifiers held (Alt over Ctrl over Shift).
enum KeyColumn : int { KEY_COLUMN_PLAIN, KEY_COLUMN_SHIFT, KEY_COLUMN_CTRL, KEY_COLUMN_ALT };
constexpr int KEY_COLUMNS = 4;

// Scan codes 0 to KEY_NORMAL_SCAN_MAX (scan code set 1); each entry an extended
// number, 0 for none.
constexpr std::uint16_t KEY_NORMAL_SCAN_MAX = 88;
using KeyNormalRow = std::array<std::uint8_t, KEY_COLUMNS>;
extern const std::array<KeyNormalRow, KEY_NORMAL_SCAN_MAX + 1> key_table_normal;

// The keys of the enhanced block, searched in order; each entry a character or an
// extended key as a KeyCode, KEY_NONE for none.
struct KeyEnhancedRow {
  std::uint16_t scan;
  std::array<KeyCode, KEY_COLUMNS> columns;
};
constexpr int KEY_ENHANCED_ROWS = 12;
extern const std::array<KeyEnhancedRow, KEY_ENHANCED_ROWS> key_table_enhanced;

// The KeyCode of an extended number.
constexpr KeyCode key_extended(std::uint8_t number) {
  return (KeyCode{number} << 8) | 0xFF;
}
