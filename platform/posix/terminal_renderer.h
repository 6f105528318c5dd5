// Brings a real VT terminal in line with the in-memory console's window: keeps a copy
// of what the terminal shows and produces only the bytes of the difference.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_console.h"
#include "platform/posix/terminal_sequences.h"

class TerminalRenderer {
public:
  // utf8: the locale's character set is UTF-8 (cells are shown as their code page 437
  // glyphs); otherwise ASCII with a stand-in for what ASCII lacks.
  explicit TerminalRenderer(bool utf8);

  // The terminal as the program starts, once enter_modes has been written: its size and
  // where its cursor stands. Nothing it shows is known yet.
  void start(std::int16_t width, std::int16_t height, ConsoleCoord cursor);
  // The terminal has been resized (and has kept or lost whatever it likes): the next
  // update repaints every known cell.
  void resize(std::int16_t width, std::int16_t height);
  // The terminal's contents can no longer be trusted (after a suspend and resume):
  // the next update repaints every known cell.
  void invalidate();

  // Appends to out the bytes that make the terminal show the console's window, its
  // cursor and cursor visibility.
  void update(const MemoryConsole& console, std::string& out);

  // The modes set while the program runs (auto-wrap off, the terminal's own colours, a
  // visible cursor) and their undoing.
  static std::string enter_modes();
  static std::string leave_modes();

private:
  // A terminal cell: a code page byte in a console attribute byte. Cells whose
  // content is not known compare equal to one another only.
  struct Cell {
    std::uint8_t ch = 0;
    std::uint8_t pen = 0;
    std::uint8_t known = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
  };
  static constexpr Cell BLANK{' ', TERM_DEFAULT_PEN, 1};

  void capture(const MemoryConsole& console);
  void forget_terminal();
  std::size_t at(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }
  bool needs_write(std::size_t i) const { return wanted_[i].known && !(shown_[i] == wanted_[i]); }
  std::string_view glyph(std::uint8_t ch) const;

  // Drawing (terminal_renderer.cpp).
  bool compare_rows();
  int row_cost(const Cell* wanted, const Cell* shown) const;
  bool clear_if_cheaper(std::string& out);
  void paint_row(int y, std::string& out);
  int bridge_end(int y, int gap_start) const;
  void paint_span(int y, int begin, int end, std::string& out);
  bool erase_tail(int y, int x, int run, std::string& out);
  void move_to(int x, int y, std::string& out);
  void set_pen(std::uint8_t pen, std::string& out);
  void place_cursor(std::string& out);

  // Scrolling (terminal_scroll.cpp).
  void scroll_if_cheaper(std::string& out);
  const Cell* shown_after(int y, int shift, int top, int bottom) const;
  bool scroll_keeps_unknown(int shift, int top, int bottom) const;
  TermCursor scroll_sequence(int shift, int top, int bottom, TermCursor cursor,
                             std::string& out) const;
  void scroll_shown(int shift, int top, int bottom);

  bool utf8_;
  int width_ = 0;  // terminal columns
  int height_ = 0; // terminal rows
  // The part of the terminal the console's window covers, from its top-left corner.
  int view_width_ = 0;
  int view_height_ = 0;
  std::vector<Cell> shown_;  // what the terminal shows, as far as it is known
  std::vector<Cell> wanted_; // what the console's window shows
  std::vector<Cell> blank_row_;
  std::vector<std::uint64_t> shown_hash_;
  std::vector<std::uint64_t> wanted_hash_;
  std::vector<int> cost_; // bytes estimated to repaint each row as it stands
  std::vector<int> changed_rows_;
  std::string scratch_;
  TermCursor cursor_;
  TermCursor wanted_cursor_; // x -1: the cursor lies outside the view
  int pen_ = TERM_PEN_UNKNOWN;
  int cursor_shown_ = -1; // 0 hidden, 1 visible, -1 not known
  bool wanted_cursor_shown_ = true;
};
