// The console line editor driven by arbitrary key streams on screens of arbitrary
// size. The line returned and the beeps sounded equal those of a simple model of the
// edit operations; the cursor's visibility comes back as it was; and when the line
// never reaches the screen's last cell (so nothing scrolls), the screen shows the
// line from where it started, blanks the cells it gave up, leaves every other cell
// alone and puts the cursor after the line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

#include "console/console_screen.h"
#include "fuzz/fuzz_check.h"
#include "input/key_queue.h"
#include "input/line_editor.h"

namespace {

constexpr KeyCode extended(int number) {
  return (number << 8) | 0xFF;
}

constexpr KeyCode UP = extended(0x48);
constexpr KeyCode DOWN = extended(0x50);
constexpr KeyCode LEFT = extended(0x4B);
constexpr KeyCode RIGHT = extended(0x4D);
constexpr KeyCode HOME = extended(0x47);
constexpr KeyCode END = extended(0x4F);
constexpr KeyCode DEL = extended(0x53);
constexpr KeyCode INSERT = extended(0x52);
constexpr KeyCode PAGE_UP = extended(0x49);

// The line as the edit operations make it, and how far it ever reached.
struct Model {
  std::uint32_t width;
  std::string text;
  std::uint32_t pos = 0;
  std::size_t longest = 0;
  std::size_t beeps = 0;

  bool refusing = false; // the last insert was refused for want of room

  // A run of refused inserts beeps once; a run ends with an insert that fits.
  void insert(char byte, std::uint32_t count) {
    if (text.size() + count > LINE_EDITOR_MAX) {
      beeps += refusing ? 0 : 1;
      refusing = true;
      return;
    }
    refusing = false;
    text.insert(pos, count, byte);
    pos += count;
    longest = std::max(longest, text.size());
  }

  // False once the key ends the line.
  bool key(KeyCode code) {
    switch (code) {
    case 13:
    case 10:
      return false;
    case UP:
      if (pos >= width) {
        pos -= width;
      }
      break;
    case DOWN:
      if (pos + width <= text.size()) {
        pos += width;
      }
      break;
    case LEFT:
      pos -= pos > 0 ? 1 : 0;
      break;
    case RIGHT:
      pos += pos < text.size() ? 1 : 0;
      break;
    case HOME:
      pos = 0;
      break;
    case END:
      pos = static_cast<std::uint32_t>(text.size());
      break;
    case DEL:
      if (pos == text.size()) {
        ++beeps;
      } else {
        text.erase(pos, 1);
      }
      break;
    case 8:
      if (pos > 0) {
        text.erase(--pos, 1);
      }
      break;
    case 9:
      insert(' ', 8 - pos % 8);
      break;
    case 27:
      text.clear();
      pos = 0;
      break;
    default:
      if (code >= 32 && code <= 255) {
        insert(static_cast<char>(code), 1);
      }
      break;
    }
    return true;
  }
};

KeyCode next_key(FuzzedDataProvider& data) {
  switch (data.ConsumeIntegralInRange(0, 3)) {
  case 0:
    return data.PickValueInArray({UP, DOWN, LEFT, RIGHT, HOME, END, DEL, INSERT, PAGE_UP});
  case 1:
    return data.PickValueInArray<KeyCode>({8, 9, 27, 13, 10, 0, 1, 31, 127, 255});
  case 2:
    return extended(data.ConsumeIntegralInRange(1, 0xE0));
  default:
    return data.ConsumeIntegralInRange<KeyCode>(32, 255);
  }
}

// A screen already holding text, so that cells the editor should not touch show it.
void fill_screen(MemoryConsole& console) {
  const std::string pattern = "0123456789";
  for (std::int16_t y = 0; y < console.height(); ++y) {
    std::vector<ConsoleCell> cells(static_cast<std::size_t>(console.width()));
    for (std::size_t x = 0; x < cells.size(); ++x) {
      cells[x] = {static_cast<std::uint8_t>(pattern[(x + static_cast<std::size_t>(y)) % 10]), 7};
    }
    ConsoleRect region{0, y, static_cast<std::int16_t>(console.width() - 1), y};
    console.write_output(MemoryConsole::OUTPUT_HANDLE, cells.data(), {console.width(), 1}, {0, 0},
                         region);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const auto width = data.ConsumeIntegralInRange<std::int16_t>(1, 100);
  const auto height = data.ConsumeIntegralInRange<std::int16_t>(1, 40);
  FuzzSession session(width, height);
  MemoryConsole& console = session.console();
  fill_screen(console);
  const ConsoleCoord start{data.ConsumeIntegralInRange<std::int16_t>(0, width - 1),
                           data.ConsumeIntegralInRange<std::int16_t>(0, height - 1)};
  console.set_cursor(start);
  const bool visible = data.ConsumeBool();
  console.set_cursor_visible(visible);
  const std::vector<std::string> before = [&] {
    std::vector<std::string> rows;
    for (std::int16_t y = 0; y < height; ++y) {
      rows.push_back(console.row_text(y));
    }
    return rows;
  }();

  // The editor moves by the width the console reports (80 when it is no screen).
  std::int32_t editor_width = 0;
  console_get_size(&editor_width, nullptr);
  Model model{static_cast<std::uint32_t>(editor_width), {}};
  // Up to the queue's 511 codes, typed ahead; the line ends at the first Enter.
  bool ended = false;
  for (int typed = 0; typed < KEY_QUEUE_SLOTS - 2 && data.remaining_bytes() > 0; ++typed) {
    const KeyCode code = next_key(data);
    key_queue_append(code);
    if (!ended) {
      ended = !model.key(code);
    }
  }
  key_queue_append(13);

  const std::optional<std::string> line = console_read_line();
  FUZZ_CHECK(line.has_value(), "no line returned");
  FUZZ_CHECK(
      *line == model.text, "line of %zu bytes, the model's %zu, first differing at %zu",
      line->size(), model.text.size(),
      static_cast<std::size_t>(
          std::mismatch(line->begin(), line->end(), model.text.begin(), model.text.end()).first -
          line->begin()));
  FUZZ_CHECK(console.beeps().size() == model.beeps, "%zu beeps, the model %zu",
             console.beeps().size(), model.beeps);
  FUZZ_CHECK(console.cursor_visible() == visible, "cursor visibility not restored");
  const ConsoleCoord cursor = console.cursor();
  FUZZ_CHECK(cursor.x >= 0 && cursor.x < width && cursor.y >= 0 && cursor.y < height,
             "cursor (%d, %d) outside the buffer", cursor.x, cursor.y);

  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t first =
      static_cast<std::size_t>(start.y) * static_cast<std::size_t>(width) + start.x;
  if (!console_is_screen() || first + model.longest > cells - 1) {
    return 0; // the line may have scrolled the screen
  }
  for (std::size_t cell = 0; cell < cells; ++cell) {
    const auto x = static_cast<std::int16_t>(cell % static_cast<std::size_t>(width));
    const auto y = static_cast<std::int16_t>(cell / static_cast<std::size_t>(width));
    char want = before[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    if (cell >= first && cell < first + model.text.size()) {
      want = model.text[cell - first];
    } else if (cell >= first && cell < first + model.longest) {
      want = ' ';
    }
    FUZZ_CHECK(console.cell(x, y).ch == static_cast<std::uint8_t>(want),
               "cell (%d, %d) holds %d, not %d", x, y, console.cell(x, y).ch,
               static_cast<std::uint8_t>(want));
  }
  const std::size_t end = first + model.text.size();
  FUZZ_CHECK(cursor.x == static_cast<std::int16_t>(end % static_cast<std::size_t>(width)) &&
                 cursor.y == static_cast<std::int16_t>(end / static_cast<std::size_t>(width)),
             "cursor at (%d, %d), not after the line", cursor.x, cursor.y);
  return 0;
}
