// The chase game's screen work done straight on a MemoryConsole through its platform
// calls, as the console runtime does it: clearing, printing at the cursor with "\r\n"
// and the scroll at the bottom, the board and the two markers.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_console.h"

namespace game_screen {

constexpr ConsoleHandle OUT = MemoryConsole::OUTPUT_HANDLE;
constexpr int PLAYER_ROW = 21;

// Ten barrier rows of twenty cells, "-" or a gap; row 0 is the top one.
using Field = std::array<std::string, 10>;

inline std::string new_row(std::mt19937& random, int gaps) {
  std::string row(20, '-');
  for (int placed = 0; placed < gaps;) {
    const auto column = static_cast<std::size_t>(random() % 20);
    if (row[column] == ' ') {
      continue;
    }
    row[column] = ' ';
    ++placed;
  }
  return row;
}

inline Field new_field(std::mt19937& random, int gaps) {
  Field field;
  for (auto& row : field) {
    row = new_row(random, gaps);
  }
  return field;
}

// Every barrier row moves down one place and a new top row comes in.
inline void scroll_field(Field& field, std::mt19937& random, int gaps) {
  for (std::size_t r = field.size() - 1; r > 0; --r) {
    field[r] = field[r - 1];
  }
  field[0] = new_row(random, gaps);
}

// Blanks the whole window in attribute 7 and homes the cursor.
inline void clear(MemoryConsole& console) {
  const ConsoleRect window = console.window();
  const auto width = static_cast<std::uint32_t>(window.right - window.left + 1);
  std::uint32_t written = 0;
  for (std::int16_t y = window.top; y <= window.bottom; ++y) {
    console.fill_attribute(OUT, 7, width, {window.left, y}, written);
    console.fill_character(OUT, ' ', width, {window.left, y}, written);
  }
  console.set_cursor_position(OUT, {window.left, window.top});
}

// Row and column counted from 1 at the window's top-left corner.
inline void locate(MemoryConsole& console, int row, int column) {
  const ConsoleRect window = console.window();
  console.set_cursor_position(OUT, {static_cast<std::int16_t>(window.left + column - 1),
                                    static_cast<std::int16_t>(window.top + row - 1)});
}

// The text at the cursor in attribute 7; "\r" returns to column 1, "\n" goes down a
// row and scrolls the whole buffer up at the bottom. Text stops at the right edge.
inline void print(MemoryConsole& console, std::string_view text) {
  ConsoleCoord cursor = console.cursor();
  for (char c : text) {
    if (c == '\r') {
      cursor.x = console.window().left;
    } else if (c == '\n') {
      if (cursor.y < console.window().bottom) {
        ++cursor.y;
      } else {
        const ConsoleRect all{0, 1, static_cast<std::int16_t>(console.width() - 1),
                              static_cast<std::int16_t>(console.height() - 1)};
        console.scroll_buffer(OUT, all, nullptr, {0, 0}, ConsoleCell{' ', 7});
      }
    } else if (cursor.x < console.width()) {
      const ConsoleCell cell{static_cast<std::uint8_t>(c), 7};
      ConsoleRect region{cursor.x, cursor.y, cursor.x, cursor.y};
      console.write_output(OUT, &cell, {1, 1}, {0, 0}, region);
      ++cursor.x;
    }
  }
  console.set_cursor_position(OUT, cursor);
}

// The game's markers: the dog on an odd row, the player on row 21; columns 1 to 20.
struct Markers {
  int dog_row = 9;
  int dog_column = 11;
  int player_column = 10;
};

inline void erase_markers(MemoryConsole& console, const Markers& m) {
  locate(console, m.dog_row, 10 + m.dog_column);
  print(console, " ");
  locate(console, PLAYER_ROW, 10 + m.player_column);
  print(console, " ");
}

inline void draw_markers(MemoryConsole& console, const Markers& m) {
  locate(console, m.dog_row, 10 + m.dog_column);
  print(console, "D");
  locate(console, PLAYER_ROW, 10 + m.player_column);
  print(console, "K\r\n");
}

inline void draw_board(MemoryConsole& console, const Field& field, const Markers& m) {
  clear(console);
  locate(console, 2, 1);
  for (const auto& row : field) {
    print(console, "          ");
    print(console, row);
    print(console, "\r\n\r\n");
  }
  draw_markers(console, m);
}

// One ordinary turn: the player one column left or right, the dog the other way.
inline void turn(MemoryConsole& console, Markers& m, int step) {
  erase_markers(console, m);
  if (m.player_column + step < 1 || m.player_column + step > 20) {
    step = -step;
  }
  m.player_column += step;
  m.dog_column = 21 - m.player_column;
  draw_markers(console, m);
}

} // namespace game_screen
