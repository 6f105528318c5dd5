// Cursor movement and colours, chosen for the fewest bytes.
#include "platform/posix/terminal_sequences.h"

#include <array>
#include <string_view>

namespace {

// A short sequence built on the stack while candidates are compared.
struct Seq {
  std::array<char, 48> data{};
  int length = 0;

  void add(char c) { data[static_cast<std::size_t>(length++)] = c; }
  void add(std::string_view s) {
    for (char c : s) {
      add(c);
    }
  }
  void add(const Seq& other) {
    for (int i = 0; i < other.length; ++i) {
      add(other.data[static_cast<std::size_t>(i)]);
    }
  }
  void add_number(int n) {
    char digits[12];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0);
    while (count > 0) {
      add(digits[--count]);
    }
  }
  void add_csi(int n, char final) {
    add("\x1b[");
    if (n != 1) {
      add_number(n);
    }
    add(final);
  }
};

Seq absolute(int x, int y) {
  Seq s;
  s.add("\x1b[");
  if (y > 0) {
    s.add_number(y + 1);
  }
  if (x > 0) {
    s.add(';');
    s.add_number(x + 1);
  }
  s.add('H');
  return s;
}

// The ways to the right row. keeps_column: the column is the one the cursor had.
struct RowMove {
  Seq seq;
  bool keeps_column = true;
};

int row_moves(std::array<RowMove, 4>& moves, TermCursor from, int y) {
  int count = 0;
  RowMove vpa;
  vpa.seq.add_csi(y + 1, 'd');
  moves[static_cast<std::size_t>(count++)] = vpa;
  if (from.y < 0) {
    return count;
  }
  const int dy = y - from.y;
  RowMove rel;
  if (dy > 0) {
    rel.seq.add_csi(dy, 'B');
  } else if (dy < 0) {
    rel.seq.add_csi(-dy, 'A');
  }
  moves[static_cast<std::size_t>(count++)] = rel;
  if (dy == -1) {
    // Reverse index scrolls only at the top row, which the cursor is below.
    RowMove ri;
    ri.seq.add("\x1bM");
    moves[static_cast<std::size_t>(count++)] = ri;
  }
  if (dy > 0 && dy <= 4) {
    // Line feeds never reach the bottom row here (the target lies above it or on it,
    // and the cursor starts above the target); a terminal that adds a carriage return
    // to each would move the column, so the column is set afterwards.
    RowMove lf;
    for (int i = 0; i < dy; ++i) {
      lf.seq.add('\n');
    }
    lf.keeps_column = false;
    moves[static_cast<std::size_t>(count++)] = lf;
  }
  return count;
}

// The ways to the right column. relative ones need the column the cursor is in.
int column_moves(std::array<Seq, 3>& moves, int from_x, int x) {
  int count = 0;
  Seq cha;
  if (x == 0) {
    cha.add('\r');
  } else {
    cha.add_csi(x + 1, 'G');
  }
  moves[static_cast<std::size_t>(count++)] = cha;
  if (x > 0) {
    Seq cr_forward;
    cr_forward.add('\r');
    cr_forward.add_csi(x, 'C');
    moves[static_cast<std::size_t>(count++)] = cr_forward;
  }
  if (from_x < 0) {
    return count;
  }
  Seq rel;
  if (x > from_x) {
    rel.add_csi(x - from_x, 'C');
  } else if (x == from_x - 1) {
    rel.add('\b');
  } else if (x < from_x) {
    rel.add_csi(from_x - x, 'D');
  }
  moves[static_cast<std::size_t>(count++)] = rel;
  return count;
}

std::uint8_t ansi_colour(unsigned console_colour) {
  // Console colour bits are blue 1, green 2, red 4; ANSI numbers them red 1, green 2,
  // blue 4.
  return static_cast<std::uint8_t>(((console_colour & 1) << 2) | (console_colour & 2) |
                                   ((console_colour >> 2) & 1));
}

int foreground_code(std::uint8_t pen) {
  return ((pen & 0x08) ? 90 : 30) + ansi_colour(pen & 0x07);
}

int background_code(std::uint8_t pen) {
  return ((pen & 0x80) ? 100 : 40) + ansi_colour((pen >> 4) & 0x07);
}

} // namespace

void term_append_csi(std::string& out, int n, char final) {
  Seq s;
  s.add_csi(n, final);
  out.append(s.data.data(), static_cast<std::size_t>(s.length));
}

int term_csi_length(int n) {
  Seq s;
  s.add_csi(n, 'X');
  return s.length;
}

void term_append_margins(std::string& out, int top, int bottom) {
  Seq s;
  s.add("\x1b[");
  if (top > 0) {
    s.add_number(top + 1);
  }
  s.add(';');
  s.add_number(bottom + 1);
  s.add('r');
  out.append(s.data.data(), static_cast<std::size_t>(s.length));
}

void term_append_move(std::string& out, TermCursor from, int x, int y) {
  if (from.x == x && from.y == y) {
    return;
  }
  Seq best = absolute(x, y);
  std::array<RowMove, 4> rows;
  std::array<Seq, 3> columns;
  const int row_count = row_moves(rows, from, y);
  for (int r = 0; r < row_count; ++r) {
    const RowMove& row = rows[static_cast<std::size_t>(r)];
    const int from_x = row.keeps_column ? from.x : -1;
    const int column_count = column_moves(columns, from_x, x);
    for (int c = 0; c < column_count; ++c) {
      const Seq& column = columns[static_cast<std::size_t>(c)];
      if (row.seq.length + column.length < best.length) {
        best = row.seq;
        best.add(column);
      }
    }
  }
  out.append(best.data.data(), static_cast<std::size_t>(best.length));
}

void term_append_pen(std::string& out, int from, std::uint8_t to) {
  if (from == to) {
    return;
  }
  if (to == TERM_DEFAULT_PEN) {
    out += "\x1b[m";
    return;
  }
  Seq s;
  s.add("\x1b[");
  // From the default colours or an unknown pen both halves must be given; from an
  // unknown one whatever else it carries (bold, underline, ...) is reset too.
  const bool whole = from == TERM_PEN_UNKNOWN || from == TERM_DEFAULT_PEN;
  if (from == TERM_PEN_UNKNOWN) {
    s.add("0;");
  }
  const auto old_pen = static_cast<std::uint8_t>(whole ? 0 : from);
  bool first = true;
  if (whole || (old_pen & 0x0F) != (to & 0x0F)) {
    s.add_number(foreground_code(to));
    first = false;
  }
  if (whole || (old_pen & 0xF0) != (to & 0xF0)) {
    if (!first) {
      s.add(';');
    }
    s.add_number(background_code(to));
  }
  s.add('m');
  out.append(s.data.data(), static_cast<std::size_t>(s.length));
}
