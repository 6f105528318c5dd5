// The VT escape sequences the terminal renderer speaks, each appended to a string in
// its shortest form.
#pragma once

#include <cstdint>
#include <string>

// Where the terminal's cursor stands; -1 in a coordinate when it is not known (after
// a write into the last column, a line feed or a line insertion).
struct TermCursor {
  int x = -1;
  int y = -1;
  friend bool operator==(const TermCursor&, const TermCursor&) = default;
};

// The console attribute shown in the terminal's own colours.
constexpr std::uint8_t TERM_DEFAULT_PEN = 0x07;
// The pen state when the terminal's colours are not known.
constexpr int TERM_PEN_UNKNOWN = -1;

// ESC [ n final, with n left out when it is 1 (the default of every sequence used).
void term_append_csi(std::string& out, int n, char final);
// The number of bytes term_append_csi appends.
int term_csi_length(int n);

// Sets the scroll region to the rows top to bottom (0-based, inclusive); the terminal
// then homes its cursor.
void term_append_margins(std::string& out, int top, int bottom);

// The shortest bytes that take the cursor from `from` to the cell (x, y), 0-based, on a
// terminal with auto-wrap off. A line feed is only used when it does not reach the
// bottom row, and never relied on to keep the column.
void term_append_move(std::string& out, TermCursor from, int x, int y);

// The SGR sequence that changes the pen from `from` (a console attribute byte or
// TERM_PEN_UNKNOWN) to `to`: TERM_DEFAULT_PEN is the terminal's own colours, every
// other attribute its foreground and background among the 16 ANSI colours.
void term_append_pen(std::string& out, int from, std::uint8_t to);
