// The console line editor, and the console device's read of redirected input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/rt_files.h"

// The longest line the editor holds: room for the longest text item. Keys that would
// make the line longer are dropped, with one beep for each run of them.
constexpr std::uint32_t LINE_EDITOR_MAX = 4096;

// One line typed and edited at the console, without its Enter; nullopt when no text
// value can be created for it.
std::optional<std::string> console_read_line();

// Moves a 1-based screen position by delta cells in a grid of width columns; rows
// are unbounded.
void cursor_advance(std::int32_t& row, std::int32_t& column, std::int32_t delta,
                    std::int32_t width);
// cursor_advance, then places the console cursor there (scrolling at the first cell
// below the screen).
void editor_move_cursor(std::int32_t& row, std::int32_t& column, std::int32_t delta,
                        std::int32_t width, std::int32_t height);

// Starts the console device and, the first time, chooses how it reads.
void console_input_prepare();

// The console device's read when standard input is not a console (text mode: CR LF
// arrives as LF). Fills the rest of the n wanted bytes with zeros; count becomes the
// number read. Returns 0.
std::int32_t stdin_read(FileEntry* device, std::uint8_t* buffer, std::uint32_t& count);
