// Code page 437, the console's code page, against Unicode.
#pragma once

#include <cstdint>
#include <string_view>

// The UTF-8 form of the glyph a console shows for the byte (control bytes 1 to 31
// and 127 as their code page glyphs; 0 as a space).
std::string_view cp437_glyph_utf8(std::uint8_t byte);

// An ASCII stand-in for the byte, for terminals whose character set is not UTF-8.
char cp437_glyph_ascii(std::uint8_t byte);

// The byte whose glyph is the code point, or -1 when code page 437 has none. The
// printable ASCII range and the usual control characters map to themselves.
int cp437_from_unicode(char32_t code_point);
