#include "input/line_editor.h"

#include "console/console_print.h"
#include "console/console_screen.h"
#include "input/key_poll.h"
#include "input/key_queue.h"
#include "input/key_tables.h"
#include "platform/console_platform.h"

namespace {

constexpr std::uint32_t KEY_WAIT_MS = 25;
constexpr std::int32_t TAB_STOP = 8;

constexpr KeyCode KEY_UP = key_extended(0x48);
constexpr KeyCode KEY_DOWN = key_extended(0x50);
constexpr KeyCode KEY_LEFT = key_extended(0x4B);
constexpr KeyCode KEY_RIGHT = key_extended(0x4D);
constexpr KeyCode KEY_HOME = key_extended(0x47);
constexpr KeyCode KEY_END = key_extended(0x4F);
constexpr KeyCode KEY_DELETE = key_extended(0x53);
constexpr KeyCode KEY_BACKSPACE = 8;
constexpr KeyCode KEY_TAB = 9;
constexpr KeyCode KEY_ESCAPE = 27;

struct LineEditor {
  std::string text;
  std::uint32_t edit_pos;   // cursor within the line, 0 to text.size()
  std::int32_t row, column; // the cursor's screen position
  std::int32_t width, height;
  bool was_visible;

  // The key being handled: bytes to delete at edit_pos, bytes to insert there.
  std::uint32_t delete_count;
  char insert[TAB_STOP];
  std::uint32_t insert_count;

  std::uint32_t length() const { return static_cast<std::uint32_t>(text.size()); }

  void move(std::int64_t delta) {
    editor_move_cursor(row, column, static_cast<std::int32_t>(delta), width, height);
  }

  // Whether the key before this one was refused for want of room.
  bool refusing;

  void queue_insert(char byte, std::uint32_t count) {
    if (length() + count > LINE_EDITOR_MAX) {
      // One beep for a run of refused keys: a long paste must not turn into minutes
      // of tones.
      if (!refusing) {
        console_beep();
      }
      refusing = true;
      return;
    }
    refusing = false;
    for (std::uint32_t i = 0; i < count; ++i) {
      insert[i] = byte;
    }
    insert_count = count;
  }

  void act(KeyCode code);
  void redraw_delete();
  void redraw_insert();
};

// The console's key text as a KeyCode: an extended key's text is 255 and its number.
KeyCode key_code_of(const std::string& t) {
  if (t.empty()) {
    return 0;
  }
  if (t.size() == 2) {
    return key_extended(static_cast<std::uint8_t>(t[1]));
  }
  return static_cast<std::uint8_t>(t[0]);
}

void LineEditor::act(KeyCode code) {
  const auto w = static_cast<std::uint32_t>(width);
  switch (code) {
  case KEY_UP:
    if (edit_pos >= w) {
      move(-width);
      edit_pos -= w;
    }
    break;
  case KEY_DOWN:
    if (edit_pos + w <= length()) {
      move(width);
      edit_pos += w;
    }
    break;
  case KEY_LEFT:
    if (edit_pos > 0) {
      move(-1);
      --edit_pos;
    }
    break;
  case KEY_RIGHT:
    if (edit_pos < length()) {
      move(1);
      ++edit_pos;
    }
    break;
  case KEY_HOME:
    move(-std::int64_t{edit_pos});
    edit_pos = 0;
    break;
  case KEY_END:
    move(std::int64_t{length()} - edit_pos);
    edit_pos = length();
    break;
  case KEY_DELETE:
    if (edit_pos == length()) {
      console_beep();
    } else {
      delete_count = 1;
    }
    break;
  case KEY_BACKSPACE:
    if (edit_pos > 0) {
      move(-1);
      --edit_pos;
      delete_count = 1;
    }
    break;
  case KEY_TAB: // stops count from the line's start, not from the screen's edge
    queue_insert(' ', TAB_STOP - edit_pos % TAB_STOP);
    break;
  case KEY_ESCAPE:
    move(-std::int64_t{edit_pos});
    edit_pos = 0;
    delete_count = length();
    break;
  default:
    if (code >= 32 && code <= 255) {
      queue_insert(static_cast<char>(code), 1);
    }
    break;
  }
}

// The bytes from the cursor on move left; spaces blank the cells the line left.
void LineEditor::redraw_delete() {
  text.erase(edit_pos, delete_count);
  std::string tail = text.substr(edit_pos);
  tail.append(delete_count, ' ');
  console_print(tail.data(), tail.size(), 0);
  console_locate(row, column, CURSOR_KEEP, 0, 0);
}

void LineEditor::redraw_insert() {
  const std::int32_t row0 = row;
  const std::int32_t column0 = column;
  const std::uint32_t n = insert_count;
  text.insert(edit_pos, insert, n);
  const std::uint32_t k = length() - edit_pos;
  console_print(text.data() + edit_pos, k, 0);
  console_get_cursor(&column, &row);
  bool scrolled = false;
  if (k != n) {
    // Where the output would have ended on an endless screen: beyond the bottom row
    // it scrolled, and the console's own cursor is the one to count back from.
    std::int32_t row1 = row0;
    std::int32_t column1 = column0;
    cursor_advance(row1, column1, static_cast<std::int32_t>(k), width);
    scrolled = row1 > height + 1 || (row1 == height + 1 && column1 > 1);
  }
  if (scrolled) {
    move(std::int64_t{n} - k);
  } else {
    row = row0;
    column = column0;
    move(n);
  }
  edit_pos += n;
}

} // namespace

std::optional<std::string> console_read_line() {
  LineEditor editor{};
  console_get_size(&editor.width, &editor.height);
  // Every placement cancels a line feed still owed by the prompt, so the first byte
  // typed goes where the cursor stands.
  editor.was_visible = (console_locate(0, 0, CURSOR_KEEP, 0, 0) & CURSOR_STATE_VISIBLE) != 0;
  console_locate(0, 0, 0, 0, 0);
  console_locate(0, 0, 1, 0, 0);

  KeyCode code = 0;
  do {
    editor.delete_count = 0;
    editor.insert_count = 0;
    console_get_cursor(&editor.column, &editor.row);
    while (key_hit() == 0) {
      platform().sleep(KEY_WAIT_MS);
    }
    const std::string t = key_poll_raw();
    code = key_code_of(t);
    if (t.empty()) {
      continue;
    }
    editor.act(code);
    if (editor.delete_count != 0 || editor.insert_count != 0) {
      console_locate(0, 0, 0, 0, 0);
      if (editor.delete_count != 0) {
        editor.redraw_delete();
      } else {
        editor.redraw_insert();
      }
    }
    console_locate(0, 0, 1, 0, 0);
  } while (code != 13 && code != 10);

  console_get_cursor(&editor.column, &editor.row);
  editor.move(std::int64_t{editor.length()} - editor.edit_pos);
  console_locate(0, 0, editor.was_visible ? 1 : 0, 0, 0);
  return std::move(editor.text);
}

void cursor_advance(std::int32_t& row, std::int32_t& column, std::int32_t delta,
                    std::int32_t width) {
  if (width < 1) {
    return; // no grid to move in
  }
  const std::int64_t c = std::int64_t{column} - 1 + delta;
  std::int64_t rows = c / width;
  std::int64_t cell = c % width;
  if (cell < 0) { // floor division, so a move back crosses to the row above
    cell += width;
    --rows;
  }
  row = static_cast<std::int32_t>(row + rows);
  column = static_cast<std::int32_t>(cell + 1);
}

void editor_move_cursor(std::int32_t& row, std::int32_t& column, std::int32_t delta,
                        std::int32_t width, std::int32_t height) {
  cursor_advance(row, column, delta, width);
  if (row == height + 1 && column == 1) {
    // The first cell below the screen: scroll one row by a line end from the last
    // cell. The editor's row stays below; it is read again at the next key.
    console_locate(height, width, CURSOR_KEEP, 0, 0);
    console_print("\r\n", 2, 0);
    return;
  }
  console_locate(row, column, CURSOR_KEEP, 0, 0);
}
