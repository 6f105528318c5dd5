#include "input/stdin_device.h"

#include <cstddef>

#include "console/console_screen.h"
#include "input/input_statement.h"
#include "input/line_editor.h"
#include "platform/console_platform.h"
#include "runtime/rt_context.h"

namespace {

// Bytes taken from the platform but not yet delivered. A CR needs the byte after it
// to tell whether the pair is a line end, and that byte may come with the next read,
// so the conversion looks into this buffer rather than into each read's result.
struct StdinBuffer {
  std::uint8_t bytes[512];
  std::size_t next;
  std::size_t filled;
  bool ended; // the platform reported the end of input; never read again
};

StdinBuffer stdin_buffer{};

bool fill() {
  if (stdin_buffer.next < stdin_buffer.filled) {
    return true;
  }
  if (stdin_buffer.ended) {
    return false;
  }
  stdin_buffer.next = 0;
  stdin_buffer.filled = platform().read_stdin(stdin_buffer.bytes, sizeof stdin_buffer.bytes);
  if (stdin_buffer.filled > sizeof stdin_buffer.bytes) {
    stdin_buffer.filled = 0; // a backend that claims more than fits has failed
  }
  if (stdin_buffer.filled == 0) {
    stdin_buffer.ended = true;
    return false;
  }
  return true;
}

// The next byte in text mode: CR LF becomes LF; a lone CR stays.
std::int32_t next_text_byte() {
  if (!fill()) {
    return INPUT_END;
  }
  const std::uint8_t byte = stdin_buffer.bytes[stdin_buffer.next++];
  if (byte == '\r' && fill() && stdin_buffer.bytes[stdin_buffer.next] == '\n') {
    ++stdin_buffer.next;
    return '\n';
  }
  return byte;
}

bool device_read_chosen = false;

} // namespace

std::int32_t stdin_read(FileEntry* /*device*/, std::uint8_t* buffer, std::uint32_t& count) {
  const std::uint32_t wanted = count;
  std::uint32_t got = 0;
  while (got < wanted) {
    const std::int32_t byte = next_text_byte();
    if (byte == INPUT_END) {
      break;
    }
    buffer[got++] = static_cast<std::uint8_t>(byte);
  }
  for (std::uint32_t i = got; i < wanted; ++i) {
    buffer[i] = 0;
  }
  count = got;
  return rt_set_error(RT_OK);
}

void console_input_prepare() {
  console_init_device();
  if (device_read_chosen) {
    return;
  }
  device_read_chosen = true;
  if (input_is_redirected()) {
    rt_file_entry(0)->read = stdin_read;
  }
}

std::int32_t stdin_device_next_byte() {
  console_input_prepare();
  std::uint8_t byte = 0;
  std::uint32_t count = 1;
  if (rt_file_read(rt_file_entry(0), &byte, count) != RT_OK || count == 0) {
    return INPUT_END;
  }
  return byte;
}

bool stdin_device_at_end() {
  return stdin_buffer.ended && stdin_buffer.next == stdin_buffer.filled;
}

void stdin_device_reset() {
  stdin_buffer = StdinBuffer{};
  device_read_chosen = false;
}
