// Redirected standard input as the console device reads it: text mode, one buffer.
#pragma once

#include <cstdint>

// One byte through the console's file entry (a byte put back comes first), or
// INPUT_END at the end of input. Prepares the console device first, so that keys and
// the input statement read the same bytes in the same order.
std::int32_t stdin_device_next_byte();

// True once standard input has ended: a read found no more bytes and none is
// buffered.
bool stdin_device_at_end();

// Forgets the buffered bytes and the end of input.
void stdin_device_reset();
