// The text output engine: bytes to cells at the cursor, with control characters,
// wrapping, scrolling of the view area and the owed line feed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/console_platform.h"

// Carry the call out even for an empty text (performs an owed line feed).
constexpr std::uint32_t CONSOLE_PRINT_ALWAYS = 8;

constexpr std::size_t PRINT_CHUNK_MAX = 1024;

struct PrintContext;
using PrintScroll = void (*)(PrintContext& context, std::int32_t count);
using PrintWriteRun = bool (*)(PrintContext& context, const std::uint8_t* bytes, std::size_t count);

// One console_print call's view of the console; 0-based buffer coordinates.
struct PrintContext {
  std::int32_t view_left, view_top, view_right, view_bottom;
  std::int32_t cursor_x, cursor_y;
  std::int32_t buffer_width, buffer_height;
  std::uint16_t attribute;
  ConsoleHandle handle;
  bool view_is_screen;
  PrintScroll scroll;
  PrintWriteRun write_run;
};

// text may be null when length is 0. Of the flags only CONSOLE_PRINT_ALWAYS counts.
void console_print(const char* text, std::size_t length, std::uint32_t flags);

// 1000 Hz for 250 ms; returns when the tone ends.
void console_beep();

void print_interpret(PrintContext& context, const std::uint8_t* bytes, std::size_t length);
void print_write_wrapped(PrintContext& context, const std::uint8_t* bytes, std::size_t count);
