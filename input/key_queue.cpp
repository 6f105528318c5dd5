#include "input/key_queue.h"

#include <atomic>
#include <cstdlib>

#include "console/console_screen.h"
#include "input/input_statement.h"
#include "input/key_events.h"
#include "input/stdin_device.h"
#include "platform/console_platform.h"

namespace {

struct KeyQueue {
  KeyCode slots[KEY_QUEUE_SLOTS];
  int head; // the oldest code
  int tail; // the next free slot; equal to head when empty
};

KeyQueue key_queue{};

// The control handler appends from a thread of the system's while the main thread
// pumps and takes. Every critical section is a few loads and stores, so a spin lock
// keeps each operation constant-time and allocation-free on both threads.
std::atomic_flag queue_lock;

class QueueLock {
public:
  QueueLock() {
    while (queue_lock.test_and_set(std::memory_order_acquire)) {
      while (queue_lock.test(std::memory_order_relaxed)) {
      }
    }
  }
  ~QueueLock() { queue_lock.clear(std::memory_order_release); }
  QueueLock(const QueueLock&) = delete;
  QueueLock& operator=(const QueueLock&) = delete;
};

bool handler_installed = false;

bool queue_empty() {
  const QueueLock lock;
  return key_queue.head == key_queue.tail;
}

void install_handler_once() {
  if (handler_installed) {
    return;
  }
  handler_installed = true;
  std::atexit(key_handler_remove);
  platform().set_ctrl_handler(console_ctrl_handler, true);
}

void drain_console_events() {
  const ConsoleHandle handle = console_get_handle(1);
  for (;;) {
    InputRecord record;
    std::uint32_t count = 0;
    if (!platform().peek_input(handle, &record, 1, count) || count == 0) {
      return;
    }
    // A read that fails removes nothing and fills nothing: the peeked copy is not
    // handled, since the event stays pending for the next pump.
    record = InputRecord{};
    platform().read_input(handle, &record, 1, count);
    if (record.event_type == EVENT_KEY) {
      key_handle_event(record.key);
    }
    if (count == 0) {
      return;
    }
  }
}

// With standard input redirected there are no console events; each byte of standard
// input is one key instead. A byte is read only when the queue is empty and a caller
// is about to look at it (read_stdin is true), never ahead: a byte read early would
// be lost to the input statement that may read next.
void pump(bool read_stdin) {
  install_handler_once();
  if (!input_is_redirected()) {
    drain_console_events();
    return;
  }
  if (read_stdin && queue_empty()) {
    const std::int32_t byte = stdin_device_next_byte();
    if (byte != INPUT_END) {
      key_queue_append(byte);
    }
  }
}

} // namespace

void key_queue_pump() {
  pump(true);
}

void key_queue_append(KeyCode code) {
  const QueueLock lock;
  key_queue.slots[key_queue.tail] = code;
  const int next = (key_queue.tail + 1) % KEY_QUEUE_SLOTS;
  if (next == key_queue.head) {
    key_queue.head = (key_queue.head + 1) % KEY_QUEUE_SLOTS;
  }
  key_queue.tail = next;
}

KeyCode key_queue_peek() {
  pump(true);
  const QueueLock lock;
  return key_queue.head == key_queue.tail ? KEY_NONE : key_queue.slots[key_queue.head];
}

KeyCode key_queue_take() {
  pump(true);
  KeyCode code = KEY_NONE;
  {
    const QueueLock lock;
    if (key_queue.head == key_queue.tail) {
      return KEY_NONE;
    }
    code = key_queue.slots[key_queue.head];
    key_queue.head = (key_queue.head + 1) % KEY_QUEUE_SLOTS;
  }
  pump(false);
  return code;
}

bool console_ctrl_handler(std::uint32_t control_type) {
  if (control_type != CONTROL_CLOSE && control_type != CONTROL_LOGOFF &&
      control_type != CONTROL_SHUTDOWN) {
    return false;
  }
  key_queue_append(KEY_CLOSE_REQUEST);
  // A program waiting in key_idle_wait takes the request at once.
  platform().idle_wake();
  return true;
}

void key_handler_remove() {
  if (handler_installed) {
    platform().set_ctrl_handler(console_ctrl_handler, false);
  }
}

void key_reset() {
  {
    const QueueLock lock;
    key_queue.head = 0;
    key_queue.tail = 0;
  }
  key_composition_reset();
  handler_installed = false;
}
