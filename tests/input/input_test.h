// The fixture of the keyboard and line input tests: a fresh in-memory console and the
// input module's records back at their start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console_screen.h"
#include "input/input_statement.h"
#include "input/key_queue.h"
#include "platform/console_platform.h"
#include "tests/support/console_test.h"

class InputTest : public ConsoleTest {
protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    console_screen_reset();
    key_reset();
    input_reset();
  }
  void TearDown() override {
    ConsoleTest::TearDown();
    console_screen_reset();
    key_reset();
    input_reset();
  }

  // Every code waiting in the queue, oldest first; the queue is empty afterwards.
  static std::vector<KeyCode> take_all() {
    std::vector<KeyCode> codes;
    for (KeyCode code = key_queue_take(); code != KEY_NONE; code = key_queue_take()) {
      codes.push_back(code);
    }
    return codes;
  }
};

// A key event record as the console delivers it.
inline InputRecord key_event(bool down, std::uint16_t vk, std::uint16_t scan, std::uint8_t ch,
                             std::uint32_t state, std::uint16_t repeat = 1) {
  InputRecord record;
  record.event_type = EVENT_KEY;
  record.key.key_down = down;
  record.key.repeat_count = repeat;
  record.key.virtual_key = vk;
  record.key.virtual_scan = scan;
  record.key.ascii_char = ch;
  record.key.control_state = state;
  return record;
}
