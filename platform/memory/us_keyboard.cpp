// The US layout's keys, their codes and the characters a console gives for them.
#include "platform/memory/us_keyboard.h"

namespace {

constexpr std::uint32_t ALT_BITS = KEYSTATE_LEFT_ALT | KEYSTATE_RIGHT_ALT;
constexpr std::uint32_t CTRL_BITS = KEYSTATE_LEFT_CTRL | KEYSTATE_RIGHT_CTRL;

// A key of the main block: its character without and with Shift.
struct CharKey {
  char unshifted;
  char shifted;
  std::uint16_t virtual_key;
  std::uint16_t scan;
};

constexpr CharKey CHAR_KEYS[] = {
    {'1', '!', 0x31, 0x02},  {'2', '@', 0x32, 0x03},  {'3', '#', 0x33, 0x04},
    {'4', '$', 0x34, 0x05},  {'5', '%', 0x35, 0x06},  {'6', '^', 0x36, 0x07},
    {'7', '&', 0x37, 0x08},  {'8', '*', 0x38, 0x09},  {'9', '(', 0x39, 0x0A},
    {'0', ')', 0x30, 0x0B},  {'-', '_', 0xBD, 0x0C},  {'=', '+', 0xBB, 0x0D},
    {'q', 'Q', 0x51, 0x10},  {'w', 'W', 0x57, 0x11},  {'e', 'E', 0x45, 0x12},
    {'r', 'R', 0x52, 0x13},  {'t', 'T', 0x54, 0x14},  {'y', 'Y', 0x59, 0x15},
    {'u', 'U', 0x55, 0x16},  {'i', 'I', 0x49, 0x17},  {'o', 'O', 0x4F, 0x18},
    {'p', 'P', 0x50, 0x19},  {'[', '{', 0xDB, 0x1A},  {']', '}', 0xDD, 0x1B},
    {'a', 'A', 0x41, 0x1E},  {'s', 'S', 0x53, 0x1F},  {'d', 'D', 0x44, 0x20},
    {'f', 'F', 0x46, 0x21},  {'g', 'G', 0x47, 0x22},  {'h', 'H', 0x48, 0x23},
    {'j', 'J', 0x4A, 0x24},  {'k', 'K', 0x4B, 0x25},  {'l', 'L', 0x4C, 0x26},
    {';', ':', 0xBA, 0x27},  {'\'', '"', 0xDE, 0x28}, {'`', '~', 0xC0, 0x29},
    {'\\', '|', 0xDC, 0x2B}, {'z', 'Z', 0x5A, 0x2C},  {'x', 'X', 0x58, 0x2D},
    {'c', 'C', 0x43, 0x2E},  {'v', 'V', 0x56, 0x2F},  {'b', 'B', 0x42, 0x30},
    {'n', 'N', 0x4E, 0x31},  {'m', 'M', 0x4D, 0x32},  {',', '<', 0xBC, 0x33},
    {'.', '>', 0xBE, 0x34},  {'/', '?', 0xBF, 0x35},  {' ', ' ', 0x20, 0x39},
};

const CharKey* find_char_key(std::uint8_t ch) {
  for (const CharKey& key : CHAR_KEYS) {
    if (static_cast<std::uint8_t>(key.unshifted) == ch ||
        static_cast<std::uint8_t>(key.shifted) == ch) {
      return &key;
    }
  }
  return nullptr;
}

bool is_letter(char ch) {
  return ch >= 'a' && ch <= 'z';
}

// What a key gives with Ctrl held: the control characters of the letters and of the
// few punctuation keys that have one, nothing for the rest.
std::uint8_t ctrl_char(const CharKey& key, char typed) {
  if (is_letter(key.unshifted)) {
    return static_cast<std::uint8_t>(typed & 0x1F);
  }
  switch (typed) {
  case '[':
  case '{':
    return 27;
  case '\\':
  case '|':
    return 28;
  case ']':
  case '}':
    return 29;
  case '^':
    return 30;
  case '_':
    return 31;
  case ' ':
    return ' ';
  default:
    return 0; // Ctrl+@ (Shift+2) included: it types NUL
  }
}

KeyStroke stroke(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch, std::uint32_t state) {
  return {vk, scan, ch, state};
}

// A modifier key: its bit joins the state while it is down. The right-hand Ctrl and
// Alt keys are enhanced keys.
KeyStroke modifier_stroke(std::uint16_t vk, std::uint16_t scan, std::uint32_t bits,
                          std::uint32_t left_bit, std::uint32_t modifiers, bool down) {
  const bool right_only = (modifiers & bits) != 0 && (modifiers & left_bit) == 0;
  const std::uint32_t state =
      down ? ((modifiers & bits) != 0 ? modifiers : modifiers | left_bit) : modifiers & ~bits;
  return stroke(vk, scan, 0, right_only ? state | KEYSTATE_ENHANCED : state);
}

// The numeric keypad: digits with Num Lock on; without it the same keys are the
// cursor keys of the keypad (not enhanced, so they stay apart from the cursor block).
KeyStroke numpad_stroke(int digit, std::uint32_t modifiers) {
  static constexpr std::uint16_t SCANS[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                              0x4C, 0x4D, 0x47, 0x48, 0x49};
  // Insert, End, Down, PgDn, Left, Clear, Right, Home, Up, PgUp.
  static constexpr std::uint16_t CURSOR_KEYS[10] = {0x2D, 0x23, 0x28, 0x22, 0x25,
                                                    0x0C, 0x27, 0x24, 0x26, 0x21};
  const auto index = static_cast<std::size_t>(digit);
  if ((modifiers & KEYSTATE_NUM_LOCK) == 0) {
    return stroke(CURSOR_KEYS[index], SCANS[index], 0, modifiers);
  }
  // With Alt the digit goes into a character code instead of being typed.
  const std::uint8_t ch = (modifiers & ALT_BITS) != 0 ? 0 : static_cast<std::uint8_t>('0' + digit);
  return stroke(static_cast<std::uint16_t>(0x60 + digit), SCANS[index], ch, modifiers);
}

} // namespace

bool us_char_stroke(std::uint8_t ch, std::uint32_t modifiers, KeyStroke& result) {
  const CharKey* key = find_char_key(ch);
  if (key == nullptr) {
    return false;
  }
  const bool shift =
      static_cast<std::uint8_t>(key->shifted) == ch && key->shifted != key->unshifted;
  const std::uint32_t state = modifiers | (shift ? KEYSTATE_SHIFT : 0);
  char typed = (state & KEYSTATE_SHIFT) != 0 ? key->shifted : key->unshifted;
  if (is_letter(key->unshifted) && (state & KEYSTATE_CAPS_LOCK) != 0) {
    typed = typed == key->shifted ? key->unshifted : key->shifted;
  }
  const bool alt = (state & ALT_BITS) != 0;
  const bool ctrl = (state & CTRL_BITS) != 0;
  std::uint8_t delivered = static_cast<std::uint8_t>(typed);
  if (ctrl) {
    delivered = alt ? 0 : ctrl_char(*key, typed); // Ctrl+Alt types nothing on this layout
  }
  result = stroke(key->virtual_key, key->scan, delivered, state);
  return true;
}

KeyStroke us_named_stroke(ConsoleKey key, std::uint32_t modifiers, bool down) {
  const bool ctrl_only = (modifiers & CTRL_BITS) != 0 && (modifiers & ALT_BITS) == 0;
  const std::uint32_t enhanced = modifiers | KEYSTATE_ENHANCED;
  const auto index = static_cast<int>(key);
  if (key >= ConsoleKey::f1 && key <= ConsoleKey::f10) {
    const int n = index - static_cast<int>(ConsoleKey::f1);
    return stroke(static_cast<std::uint16_t>(0x70 + n), static_cast<std::uint16_t>(0x3B + n), 0,
                  modifiers);
  }
  if (key >= ConsoleKey::numpad0 && key <= ConsoleKey::numpad9) {
    return numpad_stroke(index - static_cast<int>(ConsoleKey::numpad0), modifiers);
  }
  switch (key) {
  case ConsoleKey::enter:
    return stroke(0x0D, 0x1C, ctrl_only ? 10 : 13, modifiers);
  case ConsoleKey::escape:
    return stroke(0x1B, 0x01, 27, modifiers);
  case ConsoleKey::backspace:
    return stroke(0x08, 0x0E, ctrl_only ? 127 : 8, modifiers);
  case ConsoleKey::tab:
    return stroke(0x09, 0x0F, 9, modifiers);
  case ConsoleKey::space:
    return stroke(0x20, 0x39, ' ', modifiers);
  case ConsoleKey::up:
    return stroke(0x26, 0x48, 0, enhanced);
  case ConsoleKey::down:
    return stroke(0x28, 0x50, 0, enhanced);
  case ConsoleKey::left:
    return stroke(0x25, 0x4B, 0, enhanced);
  case ConsoleKey::right:
    return stroke(0x27, 0x4D, 0, enhanced);
  case ConsoleKey::home:
    return stroke(0x24, 0x47, 0, enhanced);
  case ConsoleKey::end:
    return stroke(0x23, 0x4F, 0, enhanced);
  case ConsoleKey::page_up:
    return stroke(0x21, 0x49, 0, enhanced);
  case ConsoleKey::page_down:
    return stroke(0x22, 0x51, 0, enhanced);
  case ConsoleKey::insert:
    return stroke(0x2D, 0x52, 0, enhanced);
  case ConsoleKey::del:
    return stroke(0x2E, 0x53, 0, enhanced);
  case ConsoleKey::f11:
    return stroke(0x7A, 0x57, 0, modifiers);
  case ConsoleKey::f12:
    return stroke(0x7B, 0x58, 0, modifiers);
  case ConsoleKey::shift:
    return modifier_stroke(0x10, 0x2A, KEYSTATE_SHIFT, KEYSTATE_SHIFT, modifiers, down);
  case ConsoleKey::control:
    return modifier_stroke(0x11, 0x1D, CTRL_BITS, KEYSTATE_LEFT_CTRL, modifiers, down);
  case ConsoleKey::alt:
    return modifier_stroke(0x12, 0x38, ALT_BITS, KEYSTATE_LEFT_ALT, modifiers, down);
  case ConsoleKey::caps_lock:
    // The state shows the light as the press leaves it.
    return stroke(0x14, 0x3A, 0, modifiers ^ KEYSTATE_CAPS_LOCK);
  default:
    return stroke(0, 0, 0, modifiers);
  }
}

std::uint8_t us_unshifted_char(std::uint32_t virtual_key) {
  switch (virtual_key) {
  case 0x08: // Backspace
  case 0x09: // Tab
  case 0x0D: // Enter
  case 0x1B: // Escape
  case 0x20: // space
    return static_cast<std::uint8_t>(virtual_key);
  case 0x6A:
    return '*';
  case 0x6B:
    return '+';
  case 0x6D:
    return '-';
  case 0x6E:
    return '.';
  case 0x6F:
    return '/';
  default:
    break;
  }
  if (virtual_key >= 0x60 && virtual_key <= 0x69) {
    return static_cast<std::uint8_t>('0' + (virtual_key - 0x60));
  }
  for (const CharKey& key : CHAR_KEYS) {
    if (key.virtual_key == virtual_key) {
      // Letter keys answer with their capital, as their codes are.
      return static_cast<std::uint8_t>(is_letter(key.unshifted) ? key.shifted : key.unshifted);
    }
  }
  return 0;
}
