// The input side of the Windows console: input records, the control-handler chain,
// standard input as a byte stream, waiting and the clocks.
#include <climits>
#include <io.h>
#include <mutex>
#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_console.h"

namespace {

// Auto-reset, so each idle_wake ends exactly one wait (the current or the next).
// Made before main, so a control event can never race its creation.
const HANDLE wake_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);

// The system needs a handler of its own calling convention and result type; it gets
// ctrl_trampoline, which runs the handlers registered through the interface.
std::mutex handler_lock;
ConsoleCtrlHandler handlers[WIN32_CTRL_HANDLER_MAX];
int handler_count = 0;

BOOL WINAPI ctrl_trampoline(DWORD control_type) {
  return win32_ctrl_dispatch(control_type) ? TRUE : FALSE;
}

// Records of one peek or read in the system's layout, kept between calls; only the
// program's thread reads input.
std::vector<INPUT_RECORD> record_block;
constexpr std::uint32_t RECORD_BLOCK_MAX = 1024;

using ConsoleInputCall = BOOL(WINAPI*)(HANDLE, PINPUT_RECORD, DWORD, LPDWORD);

bool transfer_input(ConsoleInputCall call, ConsoleHandle handle, InputRecord* records,
                    std::uint32_t length, std::uint32_t& count) {
  count = 0;
  if (records == nullptr && length > 0) {
    return false;
  }
  // The system never hands over more records than are pending, so a call asks for
  // at most a block's worth; a larger request just gets the first of them.
  length = length < RECORD_BLOCK_MAX ? length : RECORD_BLOCK_MAX;
  record_block.resize(length);
  DWORD done = 0;
  if (!call(win32_handle(handle), record_block.data(), length, &done)) {
    return false;
  }
  for (DWORD i = 0; i < done && i < length; ++i) {
    records[i] = console_record(record_block[i]);
  }
  count = done < length ? done : length;
  return true;
}

} // namespace

bool win32_ctrl_dispatch(std::uint32_t control_type) {
  bool handled = false;
  {
    const std::lock_guard<std::mutex> hold(handler_lock);
    for (int i = handler_count - 1; i >= 0 && !handled; --i) {
      handled = handlers[i](control_type);
    }
  }
  // A handler that took the event has left something for the program (the close
  // request in the key queue); an idle program must see it now, not at its timeout.
  if (handled && wake_event != nullptr) {
    SetEvent(wake_event);
  }
  return handled;
}

bool Win32Console::peek_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                              std::uint32_t& count) {
  return transfer_input(PeekConsoleInputA, handle, records, length, count);
}

bool Win32Console::read_input(ConsoleHandle handle, InputRecord* records, std::uint32_t length,
                              std::uint32_t& count) {
  return transfer_input(ReadConsoleInputA, handle, records, length, count);
}

// Like the system's own chain: a handler may be added more than once, a removal
// takes away its newest registration, and the newest handler is asked first. The
// trampoline is registered with the system only while the chain is not empty.
bool Win32Console::set_ctrl_handler(ConsoleCtrlHandler handler, bool add) {
  if (handler == nullptr) {
    return false;
  }
  const std::lock_guard<std::mutex> hold(handler_lock);
  if (add) {
    if (handler_count == WIN32_CTRL_HANDLER_MAX) {
      return false;
    }
    if (handler_count == 0 && !SetConsoleCtrlHandler(ctrl_trampoline, TRUE)) {
      return false;
    }
    handlers[handler_count++] = handler;
    return true;
  }
  int found = handler_count - 1;
  while (found >= 0 && handlers[found] != handler) {
    --found;
  }
  if (found < 0) {
    return false;
  }
  for (int i = found; i + 1 < handler_count; ++i) {
    handlers[i] = handlers[i + 1];
  }
  --handler_count;
  if (handler_count == 0) {
    SetConsoleCtrlHandler(ctrl_trampoline, FALSE);
  }
  return true;
}

std::uint32_t Win32Console::map_virtual_key(std::uint32_t code, std::uint32_t map_type) {
  return MapVirtualKeyA(code, map_type);
}

// Standard input is read through the C library in text mode, so a CR LF pair arrives
// as one LF, as Windows programs have always read their redirected input. The
// low-level read returns what one system read delivers instead of waiting to fill
// the buffer.
std::size_t Win32Console::read_stdin(void* buffer, std::size_t count) {
  if (buffer == nullptr || count == 0) {
    return 0;
  }
  const unsigned int wanted = count < INT_MAX ? static_cast<unsigned int>(count) : INT_MAX;
  const int got = _read(0, buffer, wanted);
  return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void Win32Console::sleep(std::uint32_t ms) {
  Sleep(ms);
}

// The input handle is signalled while console input is pending. A redirected input
// handle (a file or a pipe) says nothing about key presses and is left out.
void Win32Console::idle_wait(std::uint32_t timeout_ms) {
  HANDLE waits[2];
  DWORD wait_count = 0;
  if (wake_event != nullptr) {
    waits[wait_count++] = wake_event;
  }
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input != nullptr && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) {
    waits[wait_count++] = input;
  }
  if (wait_count == 0) {
    Sleep(timeout_ms);
    return;
  }
  WaitForMultipleObjects(wait_count, waits, FALSE, timeout_ms);
}

void Win32Console::idle_wake() {
  if (wake_event != nullptr) {
    SetEvent(wake_event);
  }
}

bool Win32Console::query_performance_frequency(std::int64_t& frequency) {
  LARGE_INTEGER value;
  if (!QueryPerformanceFrequency(&value) || value.QuadPart == 0) {
    frequency = 0;
    return false;
  }
  frequency = value.QuadPart;
  return true;
}

bool Win32Console::query_performance_counter(std::int64_t& count) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) {
    count = 0;
    return false;
  }
  count = value.QuadPart;
  return true;
}

std::uint32_t Win32Console::get_tick_count() {
  return GetTickCount();
}
