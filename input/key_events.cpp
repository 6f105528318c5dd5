#include "input/key_events.h"

#include "input/key_queue.h"

namespace {

constexpr std::uint16_t VK_NUMPAD0 = 0x60;
constexpr std::uint16_t VK_NUMPAD9 = 0x69;

// The decimal number typed so far on the keypad while Alt alone is held. Unsigned so
// that a long run of digits wraps instead of overflowing; only its low byte is used.
std::uint32_t alt_keypad_value = 0;

bool alt_alone(std::uint32_t state) {
  return (state & (KEYSTATE_LEFT_ALT | KEYSTATE_RIGHT_ALT)) != 0 &&
         (state & (KEYSTATE_LEFT_CTRL | KEYSTATE_RIGHT_CTRL | KEYSTATE_SHIFT)) == 0;
}

bool keypad_digit(std::uint16_t vk) {
  return vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9;
}

// Once Alt is no longer held alone, the digits typed with it make one character.
void deliver_composition(std::uint32_t state) {
  if (!alt_alone(state) && alt_keypad_value != 0) {
    key_queue_append(static_cast<KeyCode>(alt_keypad_value & 0xFF));
    alt_keypad_value = 0;
  }
}

} // namespace

void key_handle_event(const KeyEventRecord& event) {
  const bool composing = keypad_digit(event.virtual_key) && alt_alone(event.control_state);
  if (!event.key_down) {
    if (!composing) {
      deliver_composition(event.control_state);
    }
    return;
  }
  // An auto-repeated key arrives as one record with a count; it gives one code.
  if (event.repeat_count == 0) {
    return;
  }
  const KeyCode code =
      key_translate(event.ascii_char, event.virtual_scan, event.virtual_key, event.control_state);
  if (composing) {
    alt_keypad_value = alt_keypad_value * 10 + (event.virtual_key - VK_NUMPAD0);
    if (code != KEY_NONE) {
      key_queue_append(code);
    }
  } else if (code != KEY_NONE) {
    alt_keypad_value = 0;
    key_queue_append(code);
  } else {
    deliver_composition(event.control_state);
  }
}

void key_composition_reset() {
  alt_keypad_value = 0;
}
