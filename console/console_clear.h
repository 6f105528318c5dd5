// Blanking the view area or the whole screen.
#pragma once

#include <cstdint>

#include "platform/console_platform.h"

constexpr std::uint32_t CLEAR_DEFAULT = 0xFFFF0000; // no mode given: the view area
constexpr std::uint32_t CLEAR_VIEW = 2;
constexpr std::uint32_t CLEAR_SKIP = 1;
constexpr std::uint32_t CLEAR_SCREEN = 0; // and every value not listed

void console_clear(std::uint32_t mode);

// Blanks the inclusive rectangle (buffer coordinates) in the current attribute and
// homes the cursor to its top-left cell.
void console_fill_rows(ConsoleHandle handle, std::int32_t left, std::int32_t top,
                       std::int32_t right, std::int32_t bottom);
