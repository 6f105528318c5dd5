// What the Windows console backend's sources share: the system header, set up once,
// and the conversions between the platform interface's records and the system's.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/console_platform.h"

inline HANDLE win32_handle(ConsoleHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

inline COORD win32_coord(ConsoleCoord cell) {
  return COORD{cell.x, cell.y};
}

inline ConsoleCoord console_coord(COORD cell) {
  return ConsoleCoord{cell.X, cell.Y};
}

inline SMALL_RECT win32_rect(const ConsoleRect& rect) {
  return SMALL_RECT{rect.left, rect.top, rect.right, rect.bottom};
}

inline ConsoleRect console_rect(const SMALL_RECT& rect) {
  return ConsoleRect{rect.Left, rect.Top, rect.Right, rect.Bottom};
}

inline CHAR_INFO win32_cell(ConsoleCell cell) {
  CHAR_INFO info{};
  info.Char.AsciiChar = static_cast<CHAR>(cell.ch);
  info.Attributes = cell.attributes;
  return info;
}

// Key events keep every field the runtime reads, window-size events their size;
// the other event types carry only their type.
inline InputRecord console_record(const INPUT_RECORD& record) {
  InputRecord result;
  result.event_type = record.EventType;
  if (record.EventType == KEY_EVENT) {
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    result.key.key_down = key.bKeyDown != FALSE;
    result.key.repeat_count = key.wRepeatCount;
    result.key.virtual_key = key.wVirtualKeyCode;
    result.key.virtual_scan = key.wVirtualScanCode;
    result.key.ascii_char = static_cast<std::uint8_t>(key.uChar.AsciiChar);
    result.key.control_state = key.dwControlKeyState;
  } else if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) {
    result.buffer_size = console_coord(record.Event.WindowBufferSizeEvent.dwSize);
  }
  return result;
}
