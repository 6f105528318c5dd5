// The keys of a US keyboard as a Windows console reports them: virtual-key code, scan
// code, character and the control-key state the key itself implies.
#pragma once

#include <cstdint>
#include <optional>

struct KeyFacts {
  std::uint16_t virtual_key = 0;
  std::uint16_t scan = 0;
  std::uint8_t ch = 0;     // the character, a byte of the console's code page
  std::uint32_t state = 0; // KEYSTATE_* bits: Shift for "A", Ctrl for byte 7, ...
};

// Keys that terminals send as escape sequences, and the few that carry no byte of
// their own there.
enum class NamedKey {
  up,
  down,
  right,
  left,
  home,
  end,
  page_up,
  page_down,
  insert,
  del,
  clear, // keypad 5 with Num Lock off
  f1,
  f2,
  f3,
  f4,
  f5,
  f6,
  f7,
  f8,
  f9,
  f10,
  f11,
  f12,
  escape,
  tab,
  backspace,
};

// The key (with Shift or Ctrl as needed) that types the byte 0 to 127 on a US
// keyboard; nullopt for ESC, which only the decoder can tell apart.
std::optional<KeyFacts> key_for_ascii(std::uint8_t byte);

KeyFacts key_for_named(NamedKey key);

// A character that no key of the keyboard types, entered some other way (a
// compose key, an input method): no virtual-key code, no scan code.
KeyFacts key_for_character(std::uint8_t ch);

// The key of a CSI or SS3 sequence by its final byte: the cursor keys, Home, End,
// keypad 5 (A B C D H F E) and F1 to F4 (P Q R S). False for any other byte.
bool key_for_final(std::uint8_t final_byte, NamedKey& key);
// rxvt's lower-case finals a b c d: a cursor key with Shift (CSI) or Ctrl (SS3).
bool key_for_rxvt_final(std::uint8_t final_byte, NamedKey& key);
// The key of CSI number ~: the editing keys and F1 to F12 in the numbering of xterm,
// the linux console, screen, tmux and rxvt. False for an unknown number.
bool key_for_tilde_number(int number, NamedKey& key);
