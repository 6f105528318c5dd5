// Rows that moved: when the console's window shows rows the terminal already shows
// elsewhere (a scroll, a picture redrawn lower down), the terminal scrolls a region
// instead of having every moved row painted again.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "platform/posix/terminal_renderer.h"

namespace {

template <class CellT>
std::uint64_t row_hash(const CellT* row, int width) {
  // FNV-1a over whole cells; rows that hash alike are compared cell by cell anyway.
  std::uint64_t hash = 14695981039346656037ull;
  for (int x = 0; x < width; ++x) {
    const std::uint32_t cell =
        row[x].ch | (std::uint32_t{row[x].pen} << 8) | (std::uint32_t{row[x].known} << 16);
    hash = (hash ^ cell) * 1099511628211ull;
  }
  return hash;
}

} // namespace

// The row the terminal shows at y once the rows top to bottom have moved by shift
// (positive: down): a moved row, or a blank one brought in at the region's edge.
const TerminalRenderer::Cell* TerminalRenderer::shown_after(int y, int shift, int top,
                                                            int bottom) const {
  const int source = y - shift;
  if (source < top || source > bottom) {
    return blank_row_.data();
  }
  return &shown_[at(0, source)];
}

// A scroll moves whatever the terminal shows; it must not bring anything into a cell
// the console has never written.
bool TerminalRenderer::scroll_keeps_unknown(int shift, int top, int bottom) const {
  for (int y = top; y <= bottom; ++y) {
    const Cell* after = shown_after(y, shift, top, bottom);
    const Cell* wanted = &wanted_[at(0, y)];
    for (int x = 0; x < width_; ++x) {
      if (!wanted[x].known && after[x].known) {
        return false;
      }
    }
  }
  return true;
}

void TerminalRenderer::scroll_if_cheaper(std::string& out) {
  // A scroll moves whole terminal rows, so the view must span them.
  const int height = view_height_;
  if (view_width_ != width_ || width_ == 0 || height < 2) {
    return;
  }
  // Only rows that need painting can gain from a shift; usually they are few.
  changed_rows_.clear();
  for (int y = 0; y < height; ++y) {
    shown_hash_[static_cast<std::size_t>(y)] = row_hash(&shown_[at(0, y)], width_);
    if (cost_[static_cast<std::size_t>(y)] == 0) {
      continue;
    }
    wanted_hash_[static_cast<std::size_t>(y)] = row_hash(&wanted_[at(0, y)], width_);
    changed_rows_.push_back(y);
  }

  // The shift that saves the most repainting, counting only rows it puts right.
  int best_shift = 0;
  int best_score = 0;
  int first_row = 0;
  int last_row = 0;
  for (int shift = 1 - height; shift < height; ++shift) {
    if (shift == 0) {
      continue;
    }
    int score = 0;
    int first = -1;
    int last = -1;
    for (const int y : changed_rows_) {
      const int source = y - shift;
      if (source < 0 || source >= height ||
          wanted_hash_[static_cast<std::size_t>(y)] !=
              shown_hash_[static_cast<std::size_t>(source)]) {
        continue;
      }
      const Cell* wanted = &wanted_[at(0, y)];
      if (!std::equal(wanted, wanted + width_, &shown_[at(0, source)])) {
        continue;
      }
      score += cost_[static_cast<std::size_t>(y)];
      if (first < 0) {
        first = y;
      }
      last = y;
    }
    if (score > best_score) {
      best_score = score;
      best_shift = shift;
      first_row = first;
      last_row = last;
    }
  }
  if (best_shift == 0) {
    return;
  }

  // The region holds the moved rows where they were and where they go; a larger one
  // may cost fewer bytes to set up (no margins, no cursor move).
  const int top = best_shift > 0 ? first_row - best_shift : first_row;
  const int bottom = best_shift > 0 ? last_row : last_row - best_shift;
  const std::array<std::pair<int, int>, 4> regions = {
      {{top, bottom}, {0, bottom}, {top, height - 1}, {0, height - 1}}};
  int best_gain = 0;
  std::pair<int, int> chosen{-1, -1};
  for (const auto& [region_top, region_bottom] : regions) {
    if (!scroll_keeps_unknown(best_shift, region_top, region_bottom)) {
      continue;
    }
    scratch_.clear();
    if (pen_ != TERM_DEFAULT_PEN) {
      term_append_pen(scratch_, pen_, TERM_DEFAULT_PEN);
    }
    scroll_sequence(best_shift, region_top, region_bottom, cursor_, scratch_);
    int before = 0;
    int after = static_cast<int>(scratch_.size());
    for (int y = region_top; y <= region_bottom; ++y) {
      before += cost_[static_cast<std::size_t>(y)];
      after += row_cost(&wanted_[at(0, y)], shown_after(y, best_shift, region_top, region_bottom));
    }
    if (before - after > best_gain) {
      best_gain = before - after;
      chosen = {region_top, region_bottom};
    }
  }
  if (chosen.first < 0) {
    return;
  }
  // The rows brought in are blanked in the current background.
  set_pen(TERM_DEFAULT_PEN, out);
  cursor_ = scroll_sequence(best_shift, chosen.first, chosen.second, cursor_, out);
  scroll_shown(best_shift, chosen.first, chosen.second);
}

// Appends the shortest bytes that move the rows top to bottom by shift and returns
// where the cursor is left.
TermCursor TerminalRenderer::scroll_sequence(int shift, int top, int bottom, TermCursor cursor,
                                             std::string& out) const {
  const int lines = std::abs(shift);
  const std::size_t start = out.size();
  const int column = cursor.x >= 0 ? cursor.x : 0;

  // Within margins, by line feeds at the bottom (so lines scrolled off the whole
  // screen go into the terminal's scrollback) or reverse indexes or inserted lines at
  // the top.
  TermCursor with_margins = cursor;
  const bool whole = top == 0 && bottom == height_ - 1;
  if (!whole) {
    term_append_margins(out, top, bottom);
    with_margins = {0, 0};
  }
  if (shift < 0) {
    term_append_move(out, with_margins, with_margins.x >= 0 ? with_margins.x : 0, bottom);
    out.append(static_cast<std::size_t>(lines), '\n');
    with_margins = {-1, bottom};
  } else {
    const int x = with_margins.x >= 0 ? with_margins.x : 0;
    term_append_move(out, with_margins, x, top);
    if (2 * lines <= term_csi_length(lines)) {
      for (int i = 0; i < lines; ++i) {
        out += "\x1bM";
      }
      with_margins = {x, top};
    } else {
      term_append_csi(out, lines, 'L');
      with_margins = {-1, top};
    }
  }
  if (!whole) {
    out += "\x1b[r";
    with_margins = {0, 0};
  }

  // A region that reaches the bottom row needs no margins: lines inserted or deleted
  // at its top push the rest down or pull it up. Not for the whole screen scrolling
  // up, which goes into the scrollback by line feeds.
  if (bottom != height_ - 1 || (shift < 0 && top == 0)) {
    return with_margins;
  }
  const std::size_t margins_length = out.size() - start;
  term_append_move(out, cursor, column, top);
  term_append_csi(out, lines, shift < 0 ? 'M' : 'L');
  if (out.size() - start - margins_length >= margins_length) {
    out.resize(start + margins_length);
    return with_margins;
  }
  out.erase(start, margins_length);
  return {-1, top};
}

void TerminalRenderer::scroll_shown(int shift, int top, int bottom) {
  const auto row = [this](int y) { return shown_.begin() + static_cast<std::ptrdiff_t>(at(0, y)); };
  const int lines = std::abs(shift);
  if (shift < 0) {
    for (int y = top; y + lines <= bottom; ++y) {
      std::copy_n(row(y + lines), width_, row(y));
    }
    for (int y = std::max(top, bottom - lines + 1); y <= bottom; ++y) {
      std::fill_n(row(y), width_, BLANK);
    }
  } else {
    for (int y = bottom; y - lines >= top; --y) {
      std::copy_n(row(y - lines), width_, row(y));
    }
    for (int y = top; y < std::min(bottom + 1, top + lines); ++y) {
      std::fill_n(row(y), width_, BLANK);
    }
  }
}
