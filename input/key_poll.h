// Key polling: queued keys as text values, without waiting.
#pragma once

#include <cstdint>
#include <string>

// "" when no key; one byte for a character; 255 and the extended number for an
// extended key.
std::string key_poll_raw();
// As key_poll_raw, but an extended key's first byte is 0.
std::string key_poll_text();
// 1 when a key is queued, else 0; removes nothing.
std::int32_t key_hit();

// Waits until console input or a queued key may be pending, at most timeout_ms; for
// callers that would otherwise poll in a tight loop.
void key_idle_wait(std::uint32_t timeout_ms);
