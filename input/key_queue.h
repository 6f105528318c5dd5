// Console key events to key codes, and the queue that holds them until polled.
#pragma once

#include <cstdint>

// 0-255 a character; (extended number << 8) | 0xFF an extended key; -1 no key.
using KeyCode = std::int32_t;

constexpr KeyCode KEY_NONE = -1;
constexpr KeyCode KEY_CLOSE_REQUEST = 0x6BFF; // the same code as Alt+F4
constexpr int KEY_QUEUE_SLOTS = 512;          // holds at most 511 codes

// Drains every pending console event into the queue; registers the control handler
// (and key_handler_remove as an exit handler) on its first run. Never blocks.
void key_queue_pump();
// Appends at the tail; a full queue drops its oldest code. Safe to call from the
// control handler's thread.
void key_queue_append(KeyCode code);
// Pumps, then the oldest code without removing it, or KEY_NONE.
KeyCode key_queue_peek();
// Pumps, then removes and returns the oldest code (pumping once more), or KEY_NONE.
KeyCode key_queue_take();

// ch: the event's character; scan: its scan code; vk: its virtual-key code; state:
// its control-key state. KEY_NONE when the key gives nothing.
KeyCode key_translate(std::uint8_t ch, std::uint16_t scan, std::uint16_t vk, std::uint32_t state);

// The registered control handler: queues KEY_CLOSE_REQUEST for close, log-off and
// shut-down and returns true; false for every other event.
bool console_ctrl_handler(std::uint32_t control_type);
// Exit handler: unregisters the control handler if it was registered.
void key_handler_remove();

// For tests: empties the queue and clears the composition and the handler flag.
void key_reset();
