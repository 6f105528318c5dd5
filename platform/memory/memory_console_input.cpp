// The in-memory console's input side: the record queue filled by the input script,
// the scripted standard input, the key mapping and the control handlers.
#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/memory/memory_console.h"
#include "platform/memory/us_keyboard.h"

namespace {

// Empty peeks in a row, with no input queued and no time passing in between, after
// which a busy poll can only be waiting for input that the script never supplies.
constexpr std::uint64_t BUSY_POLL_LIMIT = 1'000'000;

} // namespace

// --- Input script ----------------------------------------------------------------

void MemoryConsole::queue_key(bool down, std::uint16_t vk, std::uint16_t scan, std::uint8_t ch,
                              std::uint32_t state, std::uint16_t repeat) {
  InputRecord record;
  record.event_type = EVENT_KEY;
  record.key = {down, repeat, vk, scan, ch, state};
  queue_record(record);
}

void MemoryConsole::queue_named_key(bool down, ConsoleKey key, std::uint32_t modifiers,
                                    std::uint16_t repeat) {
  const KeyStroke stroke = us_named_stroke(key, modifiers, down);
  queue_key(down, stroke.virtual_key, stroke.scan, stroke.ch, stroke.state, repeat);
}

void MemoryConsole::type_text(std::string_view text) {
  for (const char c : text) {
    const auto ch = static_cast<std::uint8_t>(c);
    switch (ch) {
    case '\r':
    case '\n':
      press_key(ConsoleKey::enter);
      continue;
    case 8:
      press_key(ConsoleKey::backspace);
      continue;
    case 9:
      press_key(ConsoleKey::tab);
      continue;
    case 27:
      press_key(ConsoleKey::escape);
      continue;
    default:
      break;
    }
    KeyStroke stroke;
    if (us_char_stroke(ch, 0, stroke)) {
      // A shifted character comes between the Shift key's own down and up records.
      const bool shifted = (stroke.state & KEYSTATE_SHIFT) != 0;
      if (shifted) {
        key_down(ConsoleKey::shift);
      }
      queue_key(true, stroke.virtual_key, stroke.scan, stroke.ch, stroke.state);
      queue_key(false, stroke.virtual_key, stroke.scan, stroke.ch, stroke.state);
      if (shifted) {
        key_up(ConsoleKey::shift, KEYSTATE_SHIFT);
      }
    } else if (ch >= 1 && ch <= 26) {
      // The other control characters are typed as Ctrl with their letter.
      key_down(ConsoleKey::control);
      press_char(static_cast<char>('a' + ch - 1), KEYSTATE_LEFT_CTRL);
      key_up(ConsoleKey::control, KEYSTATE_LEFT_CTRL);
    } else {
      // Characters no key types (bytes 128 to 255 among them) arrive the way a
      // console delivers composed or pasted text: no key code, no scan code.
      queue_key(true, 0, 0, ch, 0);
      queue_key(false, 0, 0, ch, 0);
    }
  }
}

void MemoryConsole::press_key(ConsoleKey key, std::uint32_t modifiers) {
  queue_named_key(true, key, modifiers, 1);
  queue_named_key(false, key, modifiers, 1);
}

void MemoryConsole::key_down(ConsoleKey key, std::uint32_t modifiers, std::uint16_t repeat) {
  queue_named_key(true, key, modifiers, repeat);
}

void MemoryConsole::key_up(ConsoleKey key, std::uint32_t modifiers) {
  queue_named_key(false, key, modifiers, 1);
}

void MemoryConsole::press_char(char ch, std::uint32_t modifiers) {
  KeyStroke stroke{0, 0, static_cast<std::uint8_t>(ch), modifiers};
  us_char_stroke(static_cast<std::uint8_t>(ch), modifiers, stroke);
  queue_key(true, stroke.virtual_key, stroke.scan, stroke.ch, stroke.state);
  queue_key(false, stroke.virtual_key, stroke.scan, stroke.ch, stroke.state);
}

void MemoryConsole::queue_record(const InputRecord& record) {
  records_.push_back(record);
  empty_peeks_ = 0;
}

std::size_t MemoryConsole::pending_records() const {
  return records_.size();
}

void MemoryConsole::feed_stdin(std::string_view bytes) {
  stdin_bytes_.append(bytes);
}

void MemoryConsole::raise_control_event(std::uint32_t control_type) {
  // The handlers run on a thread of their own, as the system calls them; the copy
  // keeps the list stable while they run.
  const std::vector<ConsoleCtrlHandler> handlers = ctrl_handlers_;
  std::thread handler_thread([&handlers, control_type] {
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
      if ((*it)(control_type)) {
        return;
      }
    }
  });
  handler_thread.join();
}

void MemoryConsole::set_starvation_handler(std::function<void()> handler) {
  starvation_handler_ = std::move(handler);
}

// --- ConsolePlatform input calls ---------------------------------------------------

bool MemoryConsole::peek_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                               std::uint32_t& count) {
  count = 0;
  if (injected_failure(ConsoleCall::peek_input) || !is_console_input(handle) ||
      (records == nullptr && length > 0)) {
    return false;
  }
  const std::size_t n = std::min<std::size_t>(length, records_.size());
  std::copy_n(records_.begin(), n, records);
  count = static_cast<std::uint32_t>(n);
  if (records_.empty() && ++empty_peeks_ >= BUSY_POLL_LIMIT) {
    empty_peeks_ = 0;
    starve();
  }
  return true;
}

bool MemoryConsole::read_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                               std::uint32_t& count) {
  count = 0;
  if (injected_failure(ConsoleCall::read_input) || !is_console_input(handle) ||
      (records == nullptr && length > 0)) {
    return false;
  }
  if (records_.empty()) {
    // A console would block here for ever.
    starve();
    return true;
  }
  const std::size_t n = std::min<std::size_t>(length, records_.size());
  std::copy_n(records_.begin(), n, records);
  records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(n));
  count = static_cast<std::uint32_t>(n);
  return true;
}

bool MemoryConsole::set_ctrl_handler(ConsoleCtrlHandler handler, bool add) {
  if (injected_failure(ConsoleCall::set_ctrl_handler) || handler == nullptr) {
    return false;
  }
  if (add) {
    ctrl_handlers_.push_back(handler);
    return true;
  }
  // Removing takes away the newest registration of that handler.
  const auto found = std::find(ctrl_handlers_.rbegin(), ctrl_handlers_.rend(), handler);
  if (found == ctrl_handlers_.rend()) {
    return false;
  }
  ctrl_handlers_.erase(std::next(found).base());
  return true;
}

std::uint32_t MemoryConsole::map_virtual_key(std::uint32_t code, std::uint32_t map_type) {
  if (injected_failure(ConsoleCall::map_virtual_key) || map_type != MAP_VK_TO_CHAR) {
    return 0;
  }
  return us_unshifted_char(code);
}

std::size_t MemoryConsole::read_stdin(void* buffer, std::size_t count) {
  if (injected_failure(ConsoleCall::read_stdin) || buffer == nullptr) {
    return 0;
  }
  const std::size_t n = std::min(count, stdin_bytes_.size() - stdin_read_);
  if (n > 0) {
    std::memcpy(buffer, stdin_bytes_.data() + stdin_read_, n);
  }
  stdin_read_ += n;
  return n;
}

bool MemoryConsole::input_pending() const {
  return input_redirected_ ? stdin_read_ < stdin_bytes_.size() : !records_.empty();
}

void MemoryConsole::starve() {
  if (starvation_handler_) {
    starvation_handler_();
  }
}
