// The print statement's items: text, newline and print-zone separators, and the
// print column of each target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr std::int32_t PRINT_NEWLINE = 1; // end the item with "\r\n" (4 acts alike)
constexpr std::int32_t PRINT_PAD = 2;     // pad to the next print zone
constexpr std::int32_t PRINT_ZONE_WIDTH = 14;

// File 0 is the console; -1 and 1 to 254 are numbered files; other numbers name no
// target (error 1).
void print_string(std::int32_t file, std::string_view text, std::int32_t flags);
void print_cstring(std::int32_t file, const char* text, std::int32_t flags);
void print_newline(std::int32_t file, std::int32_t flags);
// Returns a runtime error number.
std::int32_t print_bytes(std::int32_t file, const char* bytes, std::size_t length);
void print_separator(std::int32_t file, std::int32_t flags);
void print_zone_pad(std::int32_t file);
