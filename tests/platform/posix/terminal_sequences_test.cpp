#include <gtest/gtest.h>
#include <string>

#include "platform/posix/terminal_sequences.h"
#include "tests/platform/posix/vterm_oracle.h"

namespace {

TEST(TerminalSequencesTest, MovesTakeTheShortestForm) {
  const struct {
    TermCursor from;
    int x;
    int y;
    const char* bytes;
  } cases[] = {
      {{5, 5}, 5, 5, ""},
      {{-1, -1}, 0, 0, "\x1b[H"},
      {{-1, -1}, 0, 21, "\x1b[22H"},
      {{-1, -1}, 9, 0, "\x1b[;10H"},
      {{-1, -1}, 19, 20, "\x1b[21;20H"},
      {{30, 20}, 0, 21, "\n\r"},          // the game's newline after a marker
      {{30, 11}, 10, 13, "\n\n\x1b[11G"}, // the next barrier row
      {{6, 4}, 5, 4, "\b"},
      {{6, 4}, 9, 4, "\x1b[3C"},
      {{6, 4}, 6, 3, "\x1bM"},
      {{6, 4}, 6, 9, "\x1b[5B"},
      {{-1, 4}, 0, 4, "\r"},
      {{-1, 4}, 7, 4, "\x1b[8G"},
      {{6, -1}, 6, 12, "\x1b[13d"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string out;
    term_append_move(out, c.from, c.x, c.y);
    EXPECT_EQ(out, c.bytes);
  }
}

// From every cell, with its column or row known or not, to every cell: the emulator's
// cursor lands on the target.
TEST(TerminalSequencesTest, EveryMoveLandsOnItsTarget) {
  constexpr int WIDTH = 12;
  constexpr int HEIGHT = 6;
  VTermOracle term(WIDTH, HEIGHT, true);
  term.feed("\x1b[?7l");
  for (int fy = 0; fy < HEIGHT; ++fy) {
    for (int fx = 0; fx < WIDTH; ++fx) {
      for (int known = 0; known < 4; ++known) {
        const TermCursor from{(known & 1) ? fx : -1, (known & 2) ? fy : -1};
        for (int y = 0; y < HEIGHT; ++y) {
          for (int x = 0; x < WIDTH; ++x) {
            std::string place;
            term_append_move(place, {}, fx, fy);
            term.feed(place);
            std::string out;
            term_append_move(out, from, x, y);
            term.feed(out);
            const VTermPos at = term.cursor();
            ASSERT_TRUE(at.col == x && at.row == y)
                << "from (" << fx << ", " << fy << ") knowing " << known << " to (" << x << ", "
                << y << ") landed on (" << at.col << ", " << at.row << ")";
          }
        }
      }
    }
  }
}

TEST(TerminalSequencesTest, PenChangesOnlyWhatDiffers) {
  const struct {
    int from;
    std::uint8_t to;
    const char* bytes;
  } cases[] = {
      {0x07, 0x07, ""},
      {0x1E, 0x07, "\x1b[m"},
      {TERM_PEN_UNKNOWN, 0x07, "\x1b[m"},
      {0x07, 0x1E, "\x1b[93;44m"},
      {0x07, 0x70, "\x1b[30;47m"},
      {0x1E, 0x1C, "\x1b[91m"},
      {0x1E, 0xCE, "\x1b[101m"},
      {0x17, 0x71, "\x1b[34;47m"},
      {TERM_PEN_UNKNOWN, 0x4F, "\x1b[0;97;41m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string out;
    term_append_pen(out, c.from, c.to);
    EXPECT_EQ(out, c.bytes);
  }
}

TEST(TerminalSequencesTest, EveryPenShowsItsColours) {
  VTermOracle term(2, 1, true);
  for (int from = TERM_PEN_UNKNOWN; from < 256; from += 17) {
    for (int to = 0; to < 256; ++to) {
      std::string out = "\x1b[H";
      term_append_pen(out, TERM_PEN_UNKNOWN, static_cast<std::uint8_t>(from < 0 ? 0x4F : from));
      term_append_pen(out, from < 0 ? 0x4F : from, static_cast<std::uint8_t>(to));
      out += 'x';
      term.feed(out);
      ASSERT_TRUE(colours_match(term.cell(0, 0), static_cast<std::uint16_t>(to)))
          << "from 0x" << std::hex << from << " to 0x" << to;
    }
  }
}

} // namespace
