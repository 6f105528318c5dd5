// The renderer's copy of the terminal, the comparison with the console's window and
// the painting of the rows that differ.
#include "platform/posix/terminal_renderer.h"

#include <algorithm>
#include <array>

#include "platform/posix/cp437.h"

namespace {

// Updates longer than this go inside synchronized-update mode: shorter ones reach the
// terminal in a single read, so it never draws them half done.
constexpr std::size_t SYNC_THRESHOLD = 512;
constexpr std::string_view SYNC_BEGIN = "\x1b[?2026h";
constexpr std::string_view SYNC_END = "\x1b[?2026l";
constexpr std::string_view CURSOR_SHOW = "\x1b[?25h";
constexpr std::string_view CURSOR_HIDE = "\x1b[?25l";
constexpr std::string_view CLEAR_SCREEN = "\x1b[2J";
constexpr std::string_view ERASE_LINE_END = "\x1b[K";

const std::array<char, 256>& ascii_table() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i) {
      t[i] = cp437_glyph_ascii(static_cast<std::uint8_t>(i));
    }
    return t;
  }();
  return table;
}

} // namespace

TerminalRenderer::TerminalRenderer(bool utf8) : utf8_(utf8) {}

void TerminalRenderer::start(std::int16_t width, std::int16_t height, ConsoleCoord cursor) {
  resize(width, height);
  // enter_modes has set the terminal's own colours and a visible cursor.
  pen_ = TERM_DEFAULT_PEN;
  cursor_shown_ = 1;
  if (cursor.x >= 0 && cursor.x < width_ && cursor.y >= 0 && cursor.y < height_) {
    cursor_ = {cursor.x, cursor.y};
  }
}

void TerminalRenderer::resize(std::int16_t width, std::int16_t height) {
  width_ = std::max<int>(width, 0);
  height_ = std::max<int>(height, 0);
  const auto cells = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  shown_.assign(cells, Cell{});
  wanted_.assign(cells, Cell{});
  blank_row_.assign(static_cast<std::size_t>(width_), BLANK);
  shown_hash_.assign(static_cast<std::size_t>(height_), 0);
  wanted_hash_.assign(static_cast<std::size_t>(height_), 0);
  cost_.assign(static_cast<std::size_t>(height_), 0);
  changed_rows_.reserve(static_cast<std::size_t>(height_));
  forget_terminal();
}

void TerminalRenderer::invalidate() {
  forget_terminal();
}

void TerminalRenderer::forget_terminal() {
  std::fill(shown_.begin(), shown_.end(), Cell{});
  cursor_ = {};
  pen_ = TERM_PEN_UNKNOWN;
  cursor_shown_ = -1;
}

std::string TerminalRenderer::enter_modes() {
  // Auto-wrap off, so writing the last column never wraps or scrolls; the colours
  // and the cursor that start() takes for granted.
  return "\x1b[?7l\x1b[m\x1b[?25h";
}

std::string TerminalRenderer::leave_modes() {
  return "\x1b[?7h\x1b[m\x1b[?25h";
}

std::string_view TerminalRenderer::glyph(std::uint8_t ch) const {
  if (utf8_) {
    return cp437_glyph_utf8(ch);
  }
  return {&ascii_table()[ch], 1};
}

void TerminalRenderer::update(const MemoryConsole& console, std::string& out) {
  const std::size_t begin = out.size();
  capture(console);
  if (!wanted_cursor_shown_ && cursor_shown_ != 0) {
    out += CURSOR_HIDE;
    cursor_shown_ = 0;
  }
  if (compare_rows()) {
    scroll_if_cheaper(out);
    clear_if_cheaper(out);
    for (int y = 0; y < view_height_; ++y) {
      paint_row(y, out);
    }
  }
  place_cursor(out);
  if (out.size() - begin > SYNC_THRESHOLD) {
    out.insert(begin, SYNC_BEGIN);
    out += SYNC_END;
  }
}

void TerminalRenderer::capture(const MemoryConsole& console) {
  const ConsoleRect window = console.window();
  view_width_ = std::clamp(window.right - window.left + 1, 0, width_);
  view_height_ = std::clamp(window.bottom - window.top + 1, 0, height_);
  std::fill(wanted_.begin(), wanted_.end(), Cell{});
  // The window lies inside the buffer, so whole rows are read at once.
  for (int y = 0; y < view_height_; ++y) {
    const auto row = static_cast<std::int16_t>(window.top + y);
    const ConsoleCell* cells = console.row_cells(row) + window.left;
    const std::uint8_t* known = console.row_known(row);
    if (known != nullptr) {
      known += window.left;
    }
    Cell* wanted = &wanted_[at(0, y)];
    for (int x = 0; x < view_width_; ++x) {
      if (known != nullptr && known[x] == 0) {
        continue;
      }
      const ConsoleCell cell = cells[x];
      // Byte 0 is drawn as a blank, so it is the same cell as a space.
      wanted[x] = {cell.ch == 0 ? std::uint8_t{' '} : cell.ch,
                   static_cast<std::uint8_t>(cell.attributes & 0xFF), 1};
    }
  }
  const ConsoleCoord cursor = console.cursor();
  const int x = cursor.x - window.left;
  const int y = cursor.y - window.top;
  const bool inside = x >= 0 && x < view_width_ && y >= 0 && y < view_height_;
  wanted_cursor_ = inside ? TermCursor{x, y} : TermCursor{};
  wanted_cursor_shown_ = inside && console.cursor_visible();
}

// Bytes, roughly, to bring a row shown as `shown` to `wanted`: one per cell and the
// cursor moves between the runs.
int TerminalRenderer::row_cost(const Cell* wanted, const Cell* shown) const {
  int cost = 0;
  int last = -1;
  for (int x = 0; x < width_; ++x) {
    if (!wanted[x].known || shown[x] == wanted[x]) {
      continue;
    }
    if (last < 0) {
      cost += 6;
    } else if (x - last > 1) {
      cost += std::min(x - last - 1, 5);
    }
    cost += 1;
    last = x;
  }
  return cost;
}

// Estimates each row's repainting; false when nothing needs painting at all.
bool TerminalRenderer::compare_rows() {
  bool any = false;
  for (int y = 0; y < view_height_; ++y) {
    const int cost = row_cost(&wanted_[at(0, y)], &shown_[at(0, y)]);
    cost_[static_cast<std::size_t>(y)] = cost;
    any = any || cost > 0;
  }
  return any;
}

bool TerminalRenderer::clear_if_cheaper(std::string& out) {
  // Clearing blanks the whole terminal, so every cell of it must be the console's.
  if (view_width_ != width_ || view_height_ != height_ || shown_.empty()) {
    return false;
  }
  std::size_t changed = 0;
  std::size_t marked = 0;
  for (std::size_t i = 0; i < wanted_.size(); ++i) {
    if (!wanted_[i].known) {
      return false;
    }
    if (needs_write(i)) {
      ++changed;
    }
    if (!(wanted_[i] == BLANK)) {
      ++marked;
    }
  }
  // After a clear every cell that is not blank is written again.
  if (changed <= marked + CLEAR_SCREEN.size() + 4) {
    return false;
  }
  set_pen(TERM_DEFAULT_PEN, out);
  out += CLEAR_SCREEN;
  std::fill(shown_.begin(), shown_.end(), BLANK);
  return true;
}

void TerminalRenderer::paint_row(int y, std::string& out) {
  int x = 0;
  while (x < view_width_) {
    if (!needs_write(at(x, y))) {
      ++x;
      continue;
    }
    int end = x + 1;
    for (;;) {
      while (end < view_width_ && needs_write(at(end, y))) {
        ++end;
      }
      const int next = bridge_end(y, end);
      if (next < 0) {
        break;
      }
      end = next;
    }
    move_to(x, y, out);
    paint_span(y, x, end, out);
    x = end;
  }
}

// Whether the unchanged cells from gap_start on are cheaper written again than jumped
// over: returns the next cell to write if so, -1 if not.
int TerminalRenderer::bridge_end(int y, int gap_start) const {
  if (gap_start >= view_width_) {
    return -1;
  }
  const std::uint8_t pen = wanted_[at(gap_start - 1, y)].pen;
  int bytes = 0;
  for (int x = gap_start; x < view_width_; ++x) {
    const Cell& cell = wanted_[at(x, y)];
    if (needs_write(at(x, y))) {
      return bytes <= term_csi_length(x - gap_start) ? x : -1;
    }
    // Cells not known must not be written; a colour change costs more than a jump.
    if (!cell.known || cell.pen != pen) {
      return -1;
    }
    bytes += static_cast<int>(glyph(cell.ch).size());
    if (bytes > term_csi_length(view_width_)) {
      return -1;
    }
  }
  return -1;
}

void TerminalRenderer::paint_span(int y, int begin, int end, std::string& out) {
  int x = begin;
  while (x < end) {
    const Cell cell = wanted_[at(x, y)];
    int run = 1;
    while (x + run < end && wanted_[at(x + run, y)] == cell) {
      ++run;
    }
    set_pen(cell.pen, out);
    if (x + run == end && cell == BLANK && erase_tail(y, x, run, out)) {
      return;
    }
    const std::string_view g = glyph(cell.ch);
    const int literal = run * static_cast<int>(g.size());
    const int repeated = static_cast<int>(g.size()) + term_csi_length(run - 1);
    if (run > 1 && repeated < literal) {
      // The terminal repeats the character just printed.
      out += g;
      term_append_csi(out, run - 1, 'b');
    } else {
      for (int i = 0; i < run; ++i) {
        out += g;
      }
    }
    std::fill_n(shown_.begin() + static_cast<std::ptrdiff_t>(at(x, y)), run, cell);
    x += run;
  }
  // With auto-wrap off the cursor stays in the last column, but a terminal that wraps
  // after all would stand at the next line's start: the column is not relied on.
  cursor_ = {end < width_ ? end : -1, y};
}

// Blanks the run of cells from x that ends a span by erasing instead of writing
// spaces, when that is shorter; the cursor stays at x.
bool TerminalRenderer::erase_tail(int y, int x, int run, std::string& out) {
  const int written = std::min(run, 1 + term_csi_length(run - 1));
  bool to_line_end = true;
  for (int i = x + run; i < width_ && to_line_end; ++i) {
    to_line_end = wanted_[at(i, y)] == BLANK;
  }
  const int erased = to_line_end ? static_cast<int>(ERASE_LINE_END.size()) : term_csi_length(run);
  if (erased >= written) {
    return false;
  }
  if (to_line_end) {
    out += ERASE_LINE_END;
    run = width_ - x;
  } else {
    term_append_csi(out, run, 'X');
  }
  std::fill_n(shown_.begin() + static_cast<std::ptrdiff_t>(at(x, y)), run, BLANK);
  cursor_ = {x, y};
  return true;
}

void TerminalRenderer::move_to(int x, int y, std::string& out) {
  if (cursor_ == TermCursor{x, y}) {
    return;
  }
  term_append_move(out, cursor_, x, y);
  cursor_ = {x, y};
}

void TerminalRenderer::set_pen(std::uint8_t pen, std::string& out) {
  term_append_pen(out, pen_, pen);
  pen_ = pen;
}

void TerminalRenderer::place_cursor(std::string& out) {
  if (!wanted_cursor_shown_) {
    return;
  }
  move_to(wanted_cursor_.x, wanted_cursor_.y, out);
  if (cursor_shown_ != 1) {
    out += CURSOR_SHOW;
    cursor_shown_ = 1;
  }
}
