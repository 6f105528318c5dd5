// console_print, the print items, cursor placement and clearing over arbitrary bytes
// on consoles of arbitrary geometry: buffers from 1 by 1 to 300 by 9001, windows
// anywhere in them, view areas smaller than the window, buffers resized and buffer
// information failing midway. After every operation the print column is the one
// counted from the bytes printed; while the geometry stays as set up, the cursor
// stands inside the view, an owed line feed only ever waits in the view's last
// cell, the last bytes of a plain print stand in the cells before the cursor, and
// cells outside a view smaller than the window are never touched; output that is
// not a console receives exactly the bytes printed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

#include "console/console_clear.h"
#include "console/console_print.h"
#include "console/console_screen.h"
#include "console/print_items.h"
#include "fuzz/fuzz_check.h"

namespace {

// The view area in buffer rows, as the output engine derives it.
struct View {
  std::int32_t top;
  std::int32_t bottom;
};

View current_view() {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t top = 0;
  console_view_rows(&first, &last);
  console_screen_extent(nullptr, &top, nullptr, nullptr);
  return {top + first - 1, top + last - 1};
}

bool has_control(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return c == 7 || c == 8 || c == 9 || c == 10 || c == 13; });
}

// The print column after bytes reach a target: counted from the last line end in
// them, then wrapped by the target's width.
std::int32_t column_after(std::int32_t column, std::string_view bytes, std::int32_t width) {
  const std::size_t last_end = bytes.find_last_of("\r\n");
  std::int64_t next = last_end == std::string_view::npos
                          ? std::int64_t{column} + static_cast<std::int64_t>(bytes.size())
                          : static_cast<std::int64_t>(bytes.size() - last_end - 1);
  if (width != 0) {
    next %= width;
  }
  return static_cast<std::int32_t>(next);
}

// The bytes a separator prints at a print column: a line end, the spaces up to the
// next 14-column zone (a line end when no zone is left on the line), or nothing.
std::string separator_bytes(std::int32_t flags, std::int32_t column, std::int32_t width) {
  if ((flags & 5) != 0) {
    return "\r\n";
  }
  if ((flags & PRINT_PAD) == 0) {
    return {};
  }
  std::int32_t zone = PRINT_ZONE_WIDTH * ((column + PRINT_ZONE_WIDTH) / PRINT_ZONE_WIDTH) + 1;
  if (width != 0 &&
      static_cast<std::uint32_t>(zone) > static_cast<std::uint32_t>(width - PRINT_ZONE_WIDTH)) {
    zone = 1;
  }
  if (zone <= column + 1) {
    return "\r\n";
  }
  return std::string(static_cast<std::size_t>(zone - column - 1), ' ');
}

enum class Op {
  print,
  print_failing_write,
  print_string,
  print_newline,
  locate,
  clear,
  unreadable_buffer,
  resize,
  kMaxValue = resize // the name ConsumeEnum looks for
};

class Harness {
public:
  Harness(FuzzedDataProvider& data, MemoryConsole& console) : data_(data), console_(console) {}

  void set_up() {
    width_ = console_.width();
    height_ = console_.height();
    // The window: anywhere in the buffer, its full width.
    const auto top = data_.ConsumeIntegralInRange<std::int16_t>(0, height_ - 1);
    const auto bottom = data_.ConsumeIntegralInRange<std::int16_t>(top, height_ - 1);
    // The view is fixed at its first query by the window's height at that moment; a
    // window made taller afterwards shows rows below the view.
    const auto view_rows = data_.ConsumeIntegralInRange<std::int16_t>(1, bottom - top + 1);
    console_.set_window({0, top, static_cast<std::int16_t>(width_ - 1),
                         static_cast<std::int16_t>(top + view_rows - 1)});
    std::int32_t first_row = 0;
    std::int32_t last_row = 0;
    console_view_rows(&first_row, &last_row);
    console_.set_window({0, top, static_cast<std::int16_t>(width_ - 1), bottom});
    console_capture_screen();

    is_screen_ = console_is_screen();
    const View view = current_view();
    // A window one row high at the first query is no screen: the view then takes the
    // fallback's 25 rows, which the window (or the buffer) may not hold. A view that
    // reaches below the window moves with it as the console follows the cursor, as
    // after a terminal shrinks; the runtime then only has to stay within bounds.
    geometry_checks_ = is_screen_ && view.bottom <= bottom;
    raw_checks_ = !is_screen_;
    sub_view_ = geometry_checks_ && view.bottom < bottom;
    if (geometry_checks_) {
      console_.set_cursor({data_.ConsumeIntegralInRange<std::int16_t>(0, width_ - 1),
                           static_cast<std::int16_t>(
                               data_.ConsumeIntegralInRange<std::int32_t>(view.top, view.bottom))});
    }
    console_init_device();
    column_ = console_screen.print_column;
    print_width_ = console_screen.print_width;
    // From here on a touched cell is a known one.
    console_.set_cells_unknown();
    view_at_start_ = view;
  }

  void step() {
    switch (data_.ConsumeEnum<Op>()) {
    case Op::print:
      print(data_.ConsumeRandomLengthString(3000), false);
      break;
    case Op::print_failing_write:
      print(data_.ConsumeRandomLengthString(3000), true);
      break;
    case Op::print_string: {
      const std::string text = data_.ConsumeRandomLengthString(300);
      const std::int32_t flags = data_.ConsumeIntegralInRange(0, 31);
      print_string(0, text, flags);
      expect_printed(text);
      expect_printed(separator_bytes(flags, column_, print_width_));
      break;
    }
    case Op::print_newline: {
      const std::int32_t flags = data_.ConsumeIntegralInRange(0, 31);
      print_newline(0, flags);
      expect_printed(separator_bytes(flags, column_, print_width_));
      break;
    }
    case Op::locate:
      locate();
      break;
    case Op::clear:
      clear();
      break;
    case Op::unreadable_buffer:
      // The output engine falls back to an 80 by 25 buffer; the capture at the end
      // may find no screen at all. Only memory safety is checked from here on.
      console_.fail_call(ConsoleCall::get_screen_buffer_info, 1,
                         data_.ConsumeIntegralInRange<std::uint32_t>(0, 3));
      geometry_checks_ = false;
      raw_checks_ = false;
      break;
    case Op::resize: // as a terminal does when the user resizes it
      console_.set_buffer_size(data_.ConsumeIntegralInRange<std::int16_t>(1, 300),
                               data_.ConsumeIntegralInRange<std::int16_t>(1, 300));
      console_.set_window({0, 0, 299, data_.ConsumeIntegralInRange<std::int16_t>(0, 299)});
      geometry_checks_ = false;
      raw_checks_ = false;
      break;
    }
    check_state();
  }

  // Cells outside a view smaller than the window: never touched.
  void check_untouched_outside_view() const {
    if (!geometry_checks_ || !sub_view_) {
      return;
    }
    for (std::int16_t y = 0; y < height_; ++y) {
      if (y >= view_at_start_.top && y <= view_at_start_.bottom) {
        continue;
      }
      for (std::int16_t x = 0; x < width_; ++x) {
        FUZZ_CHECK(!console_.cell_known(x, y),
                   "cell (%d, %d) outside the view rows %d to %d touched", x, y, view_at_start_.top,
                   view_at_start_.bottom);
      }
    }
  }

  void check_raw_output() const {
    if (raw_checks_) {
      FUZZ_CHECK(console_.raw_output() == raw_expected_,
                 "output not a console received %zu bytes, %zu printed",
                 console_.raw_output().size(), raw_expected_.size());
    }
  }

private:
  void print(const std::string& text, bool failing_write) {
    const bool always = data_.ConsumeBool();
    if (failing_write) {
      console_.fail_call(ConsoleCall::write_output, 1,
                         data_.ConsumeIntegralInRange<std::uint32_t>(0, 4));
    }
    const bool owed = console_screen.pending_wrap;
    console_print(text.data(), text.size(), always ? CONSOLE_PRINT_ALWAYS : 0);
    console_.fail_call(ConsoleCall::write_output, 0);
    // console_print leaves the print column alone; only the print items keep it.
    raw_expected_ += text;
    if (!geometry_checks_) {
      return;
    }
    if (!failing_write && !text.empty() && !has_control(text)) {
      check_text_before_cursor(text);
    }
    if (owed && always && text.empty()) {
      FUZZ_CHECK(!console_screen.pending_wrap, "an empty print kept the owed line feed");
    }
  }

  void expect_printed(const std::string& bytes) {
    if (bytes.empty()) {
      return;
    }
    column_ = column_after(column_, bytes, print_width_);
    raw_expected_ += bytes;
  }

  void locate() {
    const std::int32_t row = data_.ConsumeIntegralInRange(-2, height_ + 2);
    const std::int32_t column = data_.ConsumeIntegralInRange(-2, width_ + 2);
    const std::int32_t visibility = data_.ConsumeIntegralInRange(-1, 1);
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t width = 0;
    console_view_rows(&first, &last);
    console_get_size(&width, nullptr);
    std::int32_t before_column = 0;
    std::int32_t before_row = 0;
    console_get_cursor(&before_column, &before_row);

    console_locate(row, column, visibility, 0, 0);

    const bool valid = (row == 0 || (row >= first && row <= last)) &&
                       (column == 0 || (column >= 1 && column <= width));
    if (valid && column != 0) {
      column_ = column - 1;
    }
    FUZZ_CHECK(rt_get_error() == 0, "console_locate left error %d", rt_get_error());
    FUZZ_CHECK(!console_screen.pending_wrap, "a placement kept the owed line feed");
    if (geometry_checks_) {
      std::int32_t after_column = 0;
      std::int32_t after_row = 0;
      console_get_cursor(&after_column, &after_row);
      const std::int32_t want_row = valid && row != 0 ? row : before_row;
      const std::int32_t want_column = valid && column != 0 ? column : before_column;
      FUZZ_CHECK(after_row == want_row && after_column == want_column,
                 "locate (%d, %d) from (%d, %d) ended at (%d, %d)", row, column, before_row,
                 before_column, after_row, after_column);
    }
  }

  void clear() {
    // Clearing the whole screen is meant to blank rows outside a smaller view.
    const std::uint32_t mode =
        sub_view_ ? data_.PickValueInArray({CLEAR_DEFAULT, CLEAR_VIEW})
                  : data_.PickValueInArray({CLEAR_DEFAULT, CLEAR_VIEW, CLEAR_SKIP, 0u, 77u});
    console_clear(mode);
    column_ = 0;
    if (!geometry_checks_ || mode == CLEAR_SKIP) {
      return;
    }
    const View view = current_view();
    for (std::int32_t y = view.top; y <= view.bottom; ++y) {
      const std::string row = console_.row_text(static_cast<std::int16_t>(y));
      FUZZ_CHECK(row.find_first_not_of(' ') == std::string::npos, "row %d not blank after a clear",
                 y);
    }
    const ConsoleCoord cursor = console_.cursor();
    FUZZ_CHECK(cursor.x == 0 && cursor.y == view.top, "a clear left the cursor at (%d, %d)",
               cursor.x, cursor.y);
  }

  // The last bytes printed fill the cells just before the cursor, wrapped at the
  // right edge and scrolled up with the view, as far back as the view's first cell.
  void check_text_before_cursor(const std::string& text) const {
    const View view = current_view();
    const ConsoleCoord cursor = console_.cursor();
    std::int64_t end = std::int64_t{cursor.y - view.top} * width_ + cursor.x;
    if (console_screen.pending_wrap) {
      end += 1;
    }
    const std::int64_t shown = std::min<std::int64_t>(end, static_cast<std::int64_t>(text.size()));
    for (std::int64_t i = 0; i < shown; ++i) {
      const std::int64_t cell = end - shown + i;
      const auto x = static_cast<std::int16_t>(cell % width_);
      const auto y = static_cast<std::int16_t>(view.top + cell / width_);
      const char want =
          text[text.size() - static_cast<std::size_t>(shown) + static_cast<std::size_t>(i)];
      FUZZ_CHECK(console_.cell(x, y).ch == static_cast<std::uint8_t>(want),
                 "cell (%d, %d) holds %d instead of byte %lld of %zu printed", x, y,
                 console_.cell(x, y).ch, static_cast<long long>(text.size() - shown + i),
                 text.size());
    }
  }

  void check_state() const {
    if (print_width_ != 0 && column_ >= 0) {
      FUZZ_CHECK(console_screen.print_column == column_, "print column %d, counted %d",
                 console_screen.print_column, column_);
    }
    if (!geometry_checks_) {
      return;
    }
    const View view = current_view();
    const ConsoleCoord cursor = console_.cursor();
    FUZZ_CHECK(view.top >= 0 && view.bottom < height_ && view.top <= view.bottom,
               "view rows %d to %d in a buffer of %d rows", view.top, view.bottom, height_);
    FUZZ_CHECK(cursor.x >= 0 && cursor.x < width_ && cursor.y >= view.top &&
                   cursor.y <= view.bottom,
               "cursor (%d, %d) outside the view rows %d to %d of %d columns", cursor.x, cursor.y,
               view.top, view.bottom, width_);
    if (console_screen.pending_wrap) {
      FUZZ_CHECK(cursor.x == width_ - 1 && cursor.y == view.bottom,
                 "line feed owed with the cursor at (%d, %d), not in the view's last cell",
                 cursor.x, cursor.y);
    }
    if (sub_view_) {
      FUZZ_CHECK(view.top == view_at_start_.top && view.bottom == view_at_start_.bottom,
                 "a view smaller than the window moved from rows %d-%d to %d-%d",
                 view_at_start_.top, view_at_start_.bottom, view.top, view.bottom);
    }
  }

  FuzzedDataProvider& data_;
  MemoryConsole& console_;
  std::int16_t width_ = 0;
  std::int16_t height_ = 0;
  bool is_screen_ = false;
  bool sub_view_ = false;
  bool geometry_checks_ = false; // the geometry is still the one set up, in the buffer
  bool raw_checks_ = false;      // output is not a console, and the buffer stays unread
  View view_at_start_{};
  std::int32_t column_ = 0;
  std::int32_t print_width_ = 0;
  std::string raw_expected_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  // Mostly small consoles, which run fast; now and then one up to the largest.
  const bool large = data.ConsumeIntegralInRange(0, 15) == 0;
  const auto width = data.ConsumeIntegralInRange<std::int16_t>(1, large ? 300 : 40);
  const auto height = data.ConsumeIntegralInRange<std::int16_t>(1, large ? 9001 : 40);
  FuzzSession session(width, height);
  Harness harness(data, session.console());
  harness.set_up();
  for (int steps = 0; data.remaining_bytes() > 0 && steps < 64; ++steps) {
    harness.step();
  }
  harness.check_untouched_outside_view();
  harness.check_raw_output();
  return 0;
}
