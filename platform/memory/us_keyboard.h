// The US keyboard layout as a console reports its keys: the virtual-key code, the
// scan code (set 1) and the character of each key with the modifiers held.
#pragma once

#include <cstdint>

#include "platform/memory/memory_console.h"

// One key event's fields, as a console fills them.
struct KeyStroke {
  std::uint16_t virtual_key = 0;
  std::uint16_t scan = 0;
  std::uint8_t ch = 0;
  std::uint32_t state = 0; // KEYSTATE_* bits
};

// The key that types ch with modifiers held. Shift is added to the state when the
// character needs it. False for a character that no key of the layout types alone
// (control characters, bytes 128 to 255).
bool us_char_stroke(std::uint8_t ch, std::uint32_t modifiers, KeyStroke& stroke);

// A named key with modifiers held; a modifier key's own state bit is set while it is
// down and clear once it is up.
KeyStroke us_named_stroke(ConsoleKey key, std::uint32_t modifiers, bool down);

// The unshifted character of a virtual key (letters upper case), 0 if it has none.
std::uint8_t us_unshifted_char(std::uint32_t virtual_key);
