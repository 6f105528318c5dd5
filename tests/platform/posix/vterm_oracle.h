// An independent terminal emulator (libvterm) fed the renderer's bytes, and the
// comparison of its screen with the in-memory console's window.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <vterm.h>

#include "platform/memory/memory_console.h"
#include "platform/posix/cp437.h"

class VTermOracle {
public:
  VTermOracle(int width, int height, bool utf8) : vt_(vterm_new(height, width)) {
    vterm_set_utf8(vt_, utf8 ? 1 : 0);
    screen_ = vterm_obtain_screen(vt_);
    callbacks_.settermprop = &VTermOracle::on_termprop;
    callbacks_.sb_pushline = &VTermOracle::on_pushline;
    vterm_screen_set_callbacks(screen_, &callbacks_, this);
    vterm_screen_reset(screen_, 1);
  }
  ~VTermOracle() { vterm_free(vt_); }
  VTermOracle(const VTermOracle&) = delete;
  VTermOracle& operator=(const VTermOracle&) = delete;

  void feed(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }
  void resize(int width, int height) { vterm_set_size(vt_, height, width); }

  VTermScreenCell cell(int x, int y) const {
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{y, x}, &c);
    return c;
  }
  // The character of the cell; an erased cell reads as a space.
  std::uint32_t ch(int x, int y) const {
    const std::uint32_t c = cell(x, y).chars[0];
    return c == 0 ? ' ' : c;
  }
  // A row as UTF-8 text, for messages.
  std::string row_text(int y, int width) const {
    std::string text;
    for (int x = 0; x < width; ++x) {
      append_utf8(text, ch(x, y));
    }
    return text;
  }
  VTermPos cursor() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return pos;
  }
  bool cursor_visible() const { return cursor_visible_; }
  // The lines the emulator moved into its scrollback, oldest first, as text.
  const std::vector<std::string>& scrollback() const { return scrollback_; }

  static void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

private:
  static int on_termprop(VTermProp prop, VTermValue* value, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE) {
      static_cast<VTermOracle*>(user)->cursor_visible_ = value->boolean;
    }
    return 1;
  }
  static int on_pushline(int cols, const VTermScreenCell* cells, void* user) {
    std::string text;
    for (int x = 0; x < cols; ++x) {
      append_utf8(text, cells[x].chars[0] == 0 ? ' ' : cells[x].chars[0]);
    }
    static_cast<VTermOracle*>(user)->scrollback_.push_back(text);
    return 1;
  }

  VTerm* vt_;
  VTermScreen* screen_ = nullptr;
  VTermScreenCallbacks callbacks_{};
  bool cursor_visible_ = true;
  std::vector<std::string> scrollback_;
};

// The code point a cell byte is shown as: its glyph in UTF-8, its stand-in otherwise.
inline std::uint32_t expected_code_point(std::uint8_t byte, bool utf8) {
  if (!utf8) {
    return static_cast<unsigned char>(cp437_glyph_ascii(byte));
  }
  const std::string_view g = cp437_glyph_utf8(byte);
  const auto b = [&g](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(g[i]));
  };
  if (g.size() == 1) {
    return b(0);
  }
  if (g.size() == 2) {
    return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  }
  return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
}

// Whether the emulator's colours are those of the console attribute: 7 is the
// terminal's own colours, everything else the 16 ANSI colours.
inline bool colours_match(const VTermScreenCell& cell, std::uint16_t attributes) {
  const unsigned pen = attributes & 0xFF;
  if (pen == 7) {
    return VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) && VTERM_COLOR_IS_DEFAULT_BG(&cell.bg);
  }
  const auto ansi = [](unsigned c) { return ((c & 1) << 2) | (c & 2) | ((c >> 2) & 1) | (c & 8); };
  return VTERM_COLOR_IS_INDEXED(&cell.fg) && !VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) &&
         VTERM_COLOR_IS_INDEXED(&cell.bg) && !VTERM_COLOR_IS_DEFAULT_BG(&cell.bg) &&
         cell.fg.indexed.idx == ansi(pen & 0x0F) && cell.bg.indexed.idx == ansi(pen >> 4);
}

// Every known cell of the console's window, its cursor and the cursor's visibility,
// against the emulator.
inline ::testing::AssertionResult matches_console(const VTermOracle& term,
                                                  const MemoryConsole& console, bool utf8) {
  const ConsoleRect window = console.window();
  const int width = window.right - window.left + 1;
  const int height = window.bottom - window.top + 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto bx = static_cast<std::int16_t>(window.left + x);
      const auto by = static_cast<std::int16_t>(window.top + y);
      if (!console.cell_known(bx, by)) {
        continue;
      }
      const ConsoleCell want = console.cell(bx, by);
      const std::uint32_t want_cp = expected_code_point(want.ch, utf8);
      if (term.ch(x, y) != want_cp || !colours_match(term.cell(x, y), want.attributes)) {
        return ::testing::AssertionFailure()
               << "cell (" << x << ", " << y << ") shows U+" << std::hex << term.ch(x, y)
               << " want U+" << want_cp << " attribute 0x" << want.attributes << std::dec
               << "\nterminal row: [" << term.row_text(y, width) << "]\nconsole row:  ["
               << console.row_text(by) << "]";
      }
    }
  }
  const ConsoleCoord c = console.cursor();
  const bool inside =
      c.x >= window.left && c.x <= window.right && c.y >= window.top && c.y <= window.bottom;
  const bool visible = inside && console.cursor_visible();
  if (term.cursor_visible() != visible) {
    return ::testing::AssertionFailure()
           << "cursor visible " << term.cursor_visible() << " want " << visible;
  }
  if (visible &&
      (term.cursor().col != c.x - window.left || term.cursor().row != c.y - window.top)) {
    return ::testing::AssertionFailure()
           << "cursor at (" << term.cursor().col << ", " << term.cursor().row << ") want ("
           << c.x - window.left << ", " << c.y - window.top << ")";
  }
  return ::testing::AssertionSuccess();
}
