#include "input/key_poll.h"

#include "input/key_queue.h"
#include "platform/console_platform.h"

namespace {

constexpr char EXTENDED_LEAD_RAW = static_cast<char>(255); // the line editor's form
constexpr char EXTENDED_LEAD_TEXT = 0;                     // the game's form

} // namespace

std::string key_poll_raw() {
  const KeyCode code = key_queue_take();
  if (code == KEY_NONE) {
    return {};
  }
  if (code >= 0 && code <= 255) {
    return std::string(1, static_cast<char>(code));
  }
  return {EXTENDED_LEAD_RAW, static_cast<char>((code >> 8) & 0xFF)};
}

std::string key_poll_text() {
  std::string text = key_poll_raw();
  if (text.size() == 2 && text[0] == EXTENDED_LEAD_RAW) {
    text[0] = EXTENDED_LEAD_TEXT;
  }
  return text;
}

std::int32_t key_hit() {
  return key_queue_peek() != KEY_NONE ? 1 : 0;
}

// A key queued by the control handler while the caller waits ends the wait through
// idle_wake, so there is no need to look at the queue here.
void key_idle_wait(std::uint32_t timeout_ms) {
  platform().idle_wait(timeout_ms);
}
