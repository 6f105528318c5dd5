// Brings a real VT terminal in line with the in-memory console's window: keeps a copy
// of what the terminal shows and produces only the bytes of the difference.
#pragma once

#include <cstdint>
#include <string>

#include "platform/memory/memory_console.h"

class TerminalRenderer {
public:
  // utf8: the locale's character set is UTF-8 (cells are shown as their code page 437
  // glyphs); otherwise ASCII with a stand-in for what ASCII lacks.
  explicit TerminalRenderer(bool utf8);

  // The terminal as the program starts: its size and where its cursor stands.
  // Nothing it shows is known yet.
  void start(std::int16_t width, std::int16_t height, ConsoleCoord cursor);
  // The terminal has been resized (and has kept or lost whatever it likes): the next
  // update repaints every known cell.
  void resize(std::int16_t width, std::int16_t height);
  // The terminal's contents can no longer be trusted (after a suspend and resume):
  // the next update repaints every known cell.
  void invalidate();

  // Appends to out the bytes that make the terminal show the console's window, its
  // cursor and cursor visibility.
  void update(const MemoryConsole& console, std::string& out);

  // The modes set while the program runs (auto-wrap off, ...) and their undoing.
  static std::string enter_modes();
  static std::string leave_modes();
};
