#include "input/key_tables.h"

namespace {

// A letter or punctuation key: only Alt gives an extended key, numbered as the scan.
constexpr KeyNormalRow alt_only(std::uint8_t scan) {
  return {0, 0, 0, scan};
}

// F1 to F10 are numbered in four runs of ten, one run per column.
constexpr KeyNormalRow function_key(std::uint8_t scan) {
  return {scan, static_cast<std::uint8_t>(scan + 0x19), static_cast<std::uint8_t>(scan + 0x23),
          static_cast<std::uint8_t>(scan + 0x2D)};
}

constexpr KeyNormalRow none{0, 0, 0, 0};

// A key of the cursor block: its own extended number plain and with Shift.
constexpr KeyEnhancedRow cursor_key(std::uint8_t scan, std::uint8_t ctrl, std::uint8_t alt) {
  return {scan, {key_extended(scan), key_extended(scan), key_extended(ctrl), key_extended(alt)}};
}

} // namespace

// Columns: plain, Shift, Ctrl, Alt.
const std::array<KeyNormalRow, KEY_NORMAL_SCAN_MAX + 1> key_table_normal{{
    none,                     // 0x00
    alt_only(0x01),           // 0x01 Esc
    {0, 0, 0, 0x78},          // 0x02 1
    {0, 0, 0x03, 0x79},       // 0x03 2: Ctrl+2 is the NUL key, extended 3
    {0, 0, 0, 0x7A},          // 0x04 3
    {0, 0, 0, 0x7B},          // 0x05 4
    {0, 0, 0, 0x7C},          // 0x06 5
    {0, 0, 0, 0x7D},          // 0x07 6
    {0, 0, 0, 0x82},          // 0x08 7: shares its Alt number with minus
    {0, 0, 0, 0x83},          // 0x09 8: shares its Alt number with equals
    {0, 0, 0, 0x80},          // 0x0A 9
    {0, 0, 0, 0x81},          // 0x0B 0
    {0, 0, 0, 0x82},          // 0x0C minus
    {0, 0, 0, 0x83},          // 0x0D equals
    {0, 0, 0, 0xE0},          // 0x0E Backspace
    {0, 0x0F, 0x94, 0x0F},    // 0x0F Tab: Shift+Tab is back-tab, extended 15
    alt_only(0x10),           // 0x10 Q
    alt_only(0x11),           // 0x11 W
    alt_only(0x12),           // 0x12 E
    alt_only(0x13),           // 0x13 R
    alt_only(0x14),           // 0x14 T
    alt_only(0x15),           // 0x15 Y
    alt_only(0x16),           // 0x16 U
    alt_only(0x17),           // 0x17 I
    alt_only(0x18),           // 0x18 O
    alt_only(0x19),           // 0x19 P
    alt_only(0x1A),           // 0x1A [
    alt_only(0x1B),           // 0x1B ]
    alt_only(0x1C),           // 0x1C Enter
    none,                     // 0x1D Ctrl
    alt_only(0x1E),           // 0x1E A
    alt_only(0x1F),           // 0x1F S
    alt_only(0x20),           // 0x20 D
    alt_only(0x21),           // 0x21 F
    alt_only(0x22),           // 0x22 G
    alt_only(0x23),           // 0x23 H
    alt_only(0x24),           // 0x24 J
    alt_only(0x25),           // 0x25 K
    alt_only(0x26),           // 0x26 L
    alt_only(0x27),           // 0x27 ;
    alt_only(0x28),           // 0x28 '
    alt_only(0x29),           // 0x29 `
    none,                     // 0x2A left Shift
    none,                     // 0x2B backslash
    alt_only(0x2C),           // 0x2C Z
    alt_only(0x2D),           // 0x2D X
    alt_only(0x2E),           // 0x2E C
    alt_only(0x2F),           // 0x2F V
    alt_only(0x30),           // 0x30 B
    alt_only(0x31),           // 0x31 N
    alt_only(0x32),           // 0x32 M
    alt_only(0x33),           // 0x33 ,
    alt_only(0x34),           // 0x34 .
    alt_only(0x35),           // 0x35 /
    none,                     // 0x36 right Shift
    none,                     // 0x37 keypad *
    none,                     // 0x38 Alt
    none,                     // 0x39 space
    none,                     // 0x3A Caps Lock
    function_key(0x3B),       // 0x3B F1
    function_key(0x3C),       // 0x3C F2
    function_key(0x3D),       // 0x3D F3
    function_key(0x3E),       // 0x3E F4: Alt+F4 is the close request's code
    function_key(0x3F),       // 0x3F F5
    function_key(0x40),       // 0x40 F6
    function_key(0x41),       // 0x41 F7
    function_key(0x42),       // 0x42 F8
    function_key(0x43),       // 0x43 F9
    function_key(0x44),       // 0x44 F10
    none,                     // 0x45 Num Lock
    none,                     // 0x46 Scroll Lock
    {0x47, 0, 0x77, 0},       // 0x47 keypad 7 / Home
    {0x48, 0, 0x8D, 0},       // 0x48 keypad 8 / Up
    {0x49, 0, 0x84, 0},       // 0x49 keypad 9 / PgUp
    none,                     // 0x4A keypad minus
    {0x4B, 0, 0x73, 0},       // 0x4B keypad 4 / Left
    {0x4C, 0, 0x8F, 0x4C},    // 0x4C keypad 5: the only keypad key with an Alt entry
    {0x4D, 0, 0x74, 0},       // 0x4D keypad 6 / Right
    none,                     // 0x4E keypad plus
    {0x4F, 0, 0x75, 0},       // 0x4F keypad 1 / End
    {0x50, 0, 0x91, 0},       // 0x50 keypad 2 / Down
    {0x51, 0, 0x76, 0},       // 0x51 keypad 3 / PgDn
    {0x52, 0, 0x92, 0},       // 0x52 keypad 0 / Ins
    {0x53, 0, 0x93, 0},       // 0x53 keypad point / Del
    none,                     // 0x54 SysRq
    none,                     // 0x55
    none,                     // 0x56 the extra key of 102-key keyboards
    {0x85, 0x87, 0x89, 0x8B}, // 0x57 F11: numbered after the keys above
    {0x86, 0x88, 0x8A, 0x8C}, // 0x58 F12
}};

// Columns: plain, Shift, Ctrl, Alt. Only the two keypad keys give characters.
const std::array<KeyEnhancedRow, KEY_ENHANCED_ROWS> key_table_enhanced{{
    {0x1C, {13, 13, 10, key_extended(0xA6)}}, // keypad Enter: Ctrl gives a line feed
    {0x35, {47, 63, key_extended(0x95), key_extended(0xA4)}}, // keypad slash: Shift gives "?"
    cursor_key(0x47, 0x77, 0x97),                             // Home
    cursor_key(0x48, 0x8D, 0x98),                             // Up
    cursor_key(0x49, 0x84, 0x99),                             // PgUp
    cursor_key(0x4B, 0x73, 0x9B),                             // Left
    cursor_key(0x4D, 0x74, 0x9D),                             // Right
    cursor_key(0x4F, 0x75, 0x9F),                             // End
    cursor_key(0x50, 0x91, 0xA0),                             // Down
    cursor_key(0x51, 0x76, 0xA1),                             // PgDn
    cursor_key(0x52, 0x92, 0xA2),                             // Insert
    cursor_key(0x53, 0x93, 0xA3),                             // Delete
}};
