#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/posix/cp437.h"

namespace {

// The 256 glyphs, sixteen to a row, as a console shows them.
const char* const GLYPH_ROWS[16] = {
    " ☺☻♥♦♣♠•◘○◙♂♀♪♫☼", "►◄↕‼¶§▬↨↑↓→←∟↔▲▼",  " !\"#$%&'()*+,-./", "0123456789:;<=>?",
    "@ABCDEFGHIJKLMNO", "PQRSTUVWXYZ[\\]^_", "`abcdefghijklmno",  "pqrstuvwxyz{|}~⌂",
    "ÇüéâäàåçêëèïîìÄÅ", "ÉæÆôöòûùÿÖÜ¢£¥₧ƒ",  "áíóúñÑªº¿⌐¬½¼¡«»",  "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐",
    "└┴┬├─┼╞╟╚╔╩╦╠═╬╧", "╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀",  "αßΓπΣσµτΦΘΩδ∞φε∩",  "≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0",
};

// The table split into one UTF-8 character per byte value.
std::vector<std::string> expected_glyphs() {
  std::vector<std::string> glyphs;
  for (const char* row : GLYPH_ROWS) {
    for (const std::string text = row; const char& c : text) {
      if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) {
        glyphs.back() += c;
      } else {
        glyphs.emplace_back(1, c);
      }
    }
  }
  return glyphs;
}

char32_t decode(std::string_view utf8) {
  const auto b = [&utf8](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf8[i]));
  };
  if (utf8.size() == 1) {
    return b(0);
  }
  if (utf8.size() == 2) {
    return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  }
  return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
}

TEST(Cp437Test, EveryByteShowsItsGlyphInUtf8) {
  const std::vector<std::string> glyphs = expected_glyphs();
  ASSERT_EQ(glyphs.size(), 256u);
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(cp437_glyph_utf8(static_cast<std::uint8_t>(byte)),
              glyphs[static_cast<std::size_t>(byte)])
        << "byte " << byte;
  }
}

TEST(Cp437Test, AsciiStandInsArePrintableAndKeepAscii) {
  for (int byte = 0; byte < 256; ++byte) {
    const char shown = cp437_glyph_ascii(static_cast<std::uint8_t>(byte));
    EXPECT_GE(shown, ' ') << "byte " << byte;
    EXPECT_LE(shown, '~') << "byte " << byte;
    if (byte >= 0x20 && byte < 0x7F) {
      EXPECT_EQ(shown, static_cast<char>(byte));
    }
  }
  const struct {
    std::uint8_t byte;
    char shown;
  } cases[] = {{0x00, ' '}, {0x18, '^'}, {0x19, 'v'}, {0x1A, '>'}, {0x1B, '<'}, {0x80, 'C'},
               {0x81, 'u'}, {0xB3, '|'}, {0xC4, '-'}, {0xC5, '+'}, {0xDB, '#'}, {0xFF, ' '}};
  for (const auto& c : cases) {
    EXPECT_EQ(cp437_glyph_ascii(c.byte), c.shown) << "byte " << int{c.byte};
  }
}

TEST(Cp437Test, GlyphsMapBackToTheirBytes) {
  // Byte 0 shares the space's glyph; the space keeps it.
  for (int byte = 1; byte < 256; ++byte) {
    const char32_t cp = decode(cp437_glyph_utf8(static_cast<std::uint8_t>(byte)));
    EXPECT_EQ(cp437_from_unicode(cp), byte) << "U+" << std::hex << static_cast<unsigned>(cp);
  }
  const struct {
    char32_t code_point;
    int byte;
  } cases[] = {{U'\0', 0}, {U'\n', '\n'},   {U'\x1b', 0x1B},     {U'\x7f', 0x7F},
               {U'€', -1}, {U'\u4E00', -1}, {U'\U0001F600', -1}, {U'\uFFFD', -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(cp437_from_unicode(c.code_point), c.byte)
        << "U+" << std::hex << static_cast<unsigned>(c.code_point);
  }
}

} // namespace
