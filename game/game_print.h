// The two print flags values the game passes for every text it puts on the console.
#pragma once

#include <cstdint>

#include "console/print_items.h"

constexpr std::int32_t GAME_PRINT_ITEM = 16;                 // the text alone
constexpr std::int32_t GAME_PRINT_LINE = 16 | PRINT_NEWLINE; // the text, then "\r\n"
constexpr std::int32_t GAME_CONSOLE = 0;                     // file number of the console
