// The input statement: prompt, item reader and number conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::int32_t INPUT_END = -1;
constexpr std::int32_t INPUT_NUMBER_MAX = 67;
constexpr std::int32_t INPUT_TEXT_MAX = 4096;

// Shows the prompt (and "? " when add_question), reads one line, prints a newline
// when add_newline. With redirected input nothing is shown and nothing is read yet.
// Returns 0, or 4 when no text value could hold the line.
std::int32_t input_prompt(std::string text, std::int32_t add_question, std::int32_t add_newline);
// The next item as a number, rounded to the nearest float. Returns 0.
std::int32_t input_read_float(float& destination);
// The next item as text. Returns 0.
std::int32_t input_read_string(std::string& destination);
// Reads one item into buffer (max bytes plus a terminating zero); text_mode 0 for a
// number item, 1 for a text item. Returns the item's length.
std::int32_t input_read_item(char* buffer, std::int32_t max, std::int32_t text_mode,
                             bool& float_seen);
// 0-255, or INPUT_END.
std::int32_t input_next_char();
// Only with the character read last, never with INPUT_END.
void input_unread_char(std::int32_t c);
// 0 or 1 to 254; error 1 otherwise or when the file is not open.
std::int32_t input_use_file(std::int32_t file_number);
// True when standard input is not a console; tested afresh on every call.
bool input_is_redirected();
// True once redirected standard input has ended and nothing put back remains.
bool input_stdin_ended();

std::int32_t input_text_to_int32(const char* text, std::size_t length);
std::int64_t input_text_to_int64(const char* text, std::size_t length);
std::uint32_t input_parse_radix32(const char* digits, std::size_t count, int base);
std::uint64_t input_parse_radix64(const char* digits, std::size_t count, int base);
std::int64_t input_decimal_to_int64(const char* text);

// For tests: back to the state at process start (reader state, device read choice).
void input_reset();
