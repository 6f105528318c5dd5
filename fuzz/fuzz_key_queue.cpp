// The key queue under interleaved appends, takes, peeks and polls, fed by direct
// appends, console key events, Alt+keypad composition, the control handler and
// redirected standard input, checked step by step against a model queue.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

#include "fuzz/fuzz_check.h"
#include "input/key_poll.h"
#include "input/key_queue.h"

namespace {

constexpr std::size_t QUEUE_CAPACITY = KEY_QUEUE_SLOTS - 1;
constexpr std::uint16_t VK_NUMPAD0 = 0x60;
constexpr std::uint16_t VK_MENU = 0x12; // the Alt key
constexpr std::uint16_t SCAN_ALT = 0x38;
// Above the translation table's scan codes: such a key gives its character as it is,
// and nothing when it has none.
constexpr std::uint16_t SCAN_UNTABLED = 0x60;

// What the queue should hold, and what the console and standard input still hold.
struct Model {
  bool redirected = false;
  std::deque<KeyCode> queue;
  std::deque<InputRecord> pending; // console records not yet pumped
  std::string stdin_bytes;         // in text mode, CR LF already joined
  std::size_t stdin_next = 0;
  std::uint32_t composition = 0;

  void append(KeyCode code) {
    queue.push_back(code);
    if (queue.size() > QUEUE_CAPACITY) {
      queue.pop_front();
    }
  }

  static bool alt_alone(std::uint32_t state) {
    return (state & (KEYSTATE_LEFT_ALT | KEYSTATE_RIGHT_ALT)) != 0 &&
           (state & (KEYSTATE_LEFT_CTRL | KEYSTATE_RIGHT_CTRL | KEYSTATE_SHIFT)) == 0;
  }

  void deliver_composition(std::uint32_t state) {
    if (!alt_alone(state) && composition != 0) {
      append(static_cast<KeyCode>(composition & 0xFF));
      composition = 0;
    }
  }

  // The records this harness queues: a character key (code = its character), a
  // keypad digit with Alt alone (no code of its own), a key with no code (the Alt
  // key's release), or a record that is not a key event.
  void handle(const InputRecord& record) {
    if (record.event_type != EVENT_KEY) {
      return;
    }
    const KeyEventRecord& key = record.key;
    const bool digit = key.virtual_key >= VK_NUMPAD0 && key.virtual_key <= VK_NUMPAD0 + 9;
    const bool composing = digit && alt_alone(key.control_state);
    if (!key.key_down) {
      if (!composing) {
        deliver_composition(key.control_state);
      }
      return;
    }
    if (composing) {
      composition = composition * 10 + (key.virtual_key - VK_NUMPAD0);
    } else if (key.ascii_char != 0) {
      composition = 0;
      append(key.ascii_char);
    } else {
      deliver_composition(key.control_state);
    }
  }

  // key_queue_pump: console records when input is a console; otherwise one byte of
  // standard input, and only when the queue is empty and a caller is about to look.
  void pump(bool read_stdin) {
    if (!redirected) {
      for (const InputRecord& record : pending) {
        handle(record);
      }
      pending.clear();
    } else if (read_stdin && queue.empty() && stdin_next < stdin_bytes.size()) {
      append(static_cast<std::uint8_t>(stdin_bytes[stdin_next++]));
    }
  }

  KeyCode peek() {
    pump(true);
    return queue.empty() ? KEY_NONE : queue.front();
  }

  KeyCode take() {
    pump(true);
    if (queue.empty()) {
      return KEY_NONE;
    }
    const KeyCode code = queue.front();
    queue.pop_front();
    pump(false);
    return code;
  }
};

// Standard input as a text-mode stream delivers it.
std::string joined_line_ends(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      continue;
    }
    out.push_back(bytes[i]);
  }
  return out;
}

// A code the console could deliver: a character, or an extended key 1 to 0xE0.
KeyCode valid_code(FuzzedDataProvider& data) {
  if (data.ConsumeBool()) {
    return data.ConsumeIntegral<std::uint8_t>();
  }
  return (data.ConsumeIntegralInRange<KeyCode>(1, 0xE0) << 8) | 0xFF;
}

InputRecord key_record(bool down, std::uint16_t vk, std::uint16_t scan, std::uint8_t ch,
                       std::uint32_t state) {
  InputRecord record;
  record.event_type = EVENT_KEY;
  record.key = {down, 1, vk, scan, ch, state};
  return record;
}

// The text form key polling gives a code; raw uses 255 as an extended key's lead.
std::string text_form(KeyCode code, bool raw) {
  if (code == KEY_NONE) {
    return {};
  }
  if (code <= 255) {
    return std::string(1, static_cast<char>(code));
  }
  return {static_cast<char>(raw ? 255 : 0), static_cast<char>(code >> 8)};
}

enum class Op {
  append,
  append_run,
  take,
  peek,
  hit,
  poll_raw,
  poll_text,
  char_event,
  other_event,
  alt_digit,
  alt_release,
  control_event,
  kMaxValue = control_event // the name ConsumeEnum looks for
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  FuzzSession session(80, 25);
  MemoryConsole& console = session.console();
  Model model;
  model.redirected = data.ConsumeBool();
  if (model.redirected) {
    const std::string input = data.ConsumeRandomLengthString(2048);
    console.set_input_redirected(true);
    console.feed_stdin(input);
    model.stdin_bytes = joined_line_ends(input);
  }

  while (data.remaining_bytes() > 0) {
    switch (data.ConsumeEnum<Op>()) {
    case Op::append: {
      const KeyCode code = valid_code(data);
      key_queue_append(code);
      model.append(code);
      break;
    }
    case Op::append_run: { // enough to overflow the queue
      const KeyCode first = valid_code(data);
      const int count = data.ConsumeIntegralInRange(0, 700);
      for (int i = 0; i < count; ++i) {
        const KeyCode code = first <= 255 ? (first + i) & 0xFF : first;
        key_queue_append(code);
        model.append(code);
      }
      break;
    }
    case Op::take: {
      const KeyCode expected = model.take();
      const KeyCode got = key_queue_take();
      FUZZ_CHECK(got == expected, "take gave %d, the model %d", got, expected);
      break;
    }
    case Op::peek: {
      const KeyCode expected = model.peek();
      const KeyCode got = key_queue_peek();
      FUZZ_CHECK(got == expected, "peek gave %d, the model %d", got, expected);
      break;
    }
    case Op::hit: {
      const int expected = model.peek() != KEY_NONE ? 1 : 0;
      const int got = key_hit();
      FUZZ_CHECK(got == expected, "key_hit gave %d, the model %d", got, expected);
      break;
    }
    case Op::poll_raw:
    case Op::poll_text: {
      const bool raw = data.ConsumeBool();
      const std::string expected = text_form(model.take(), raw);
      const std::string got = raw ? key_poll_raw() : key_poll_text();
      FUZZ_CHECK(got == expected, "polled %zu bytes, the model %zu", got.size(), expected.size());
      break;
    }
    case Op::char_event: {
      const auto ch = data.ConsumeIntegralInRange<std::uint8_t>(1, 255);
      const auto state = data.ConsumeIntegral<std::uint8_t>() & 0x1F; // Alt, Ctrl, Shift
      for (const bool down : {true, false}) {
        const InputRecord record = key_record(down, 0x41, SCAN_UNTABLED, ch, state);
        console.queue_record(record);
        model.pending.push_back(record);
      }
      break;
    }
    case Op::other_event: {
      InputRecord record;
      record.event_type = data.PickValueInArray({EVENT_MOUSE, EVENT_FOCUS, EVENT_MENU});
      console.queue_record(record);
      model.pending.push_back(record);
      break;
    }
    case Op::alt_digit: {
      const auto digit = data.ConsumeIntegralInRange<std::uint16_t>(0, 9);
      const InputRecord record =
          key_record(data.ConsumeBool(), VK_NUMPAD0 + digit, SCAN_UNTABLED, 0, KEYSTATE_LEFT_ALT);
      console.queue_record(record);
      model.pending.push_back(record);
      break;
    }
    case Op::alt_release: {
      const InputRecord record = key_record(false, VK_MENU, SCAN_ALT, 0, 0);
      console.queue_record(record);
      model.pending.push_back(record);
      break;
    }
    case Op::control_event: {
      const auto type = data.ConsumeIntegralInRange<std::uint32_t>(0, 7);
      const bool handled = console_ctrl_handler(type);
      const bool closing =
          type == CONTROL_CLOSE || type == CONTROL_LOGOFF || type == CONTROL_SHUTDOWN;
      FUZZ_CHECK(handled == closing, "control event %u handled: %d", type, handled);
      if (closing) {
        model.append(KEY_CLOSE_REQUEST);
      }
      break;
    }
    }
  }

  // Whatever is left comes out in the model's order.
  for (;;) {
    const KeyCode expected = model.take();
    const KeyCode got = key_queue_take();
    FUZZ_CHECK(got == expected, "draining gave %d, the model %d", got, expected);
    if (got == KEY_NONE) {
      break;
    }
  }
  return 0;
}
