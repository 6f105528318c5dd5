// The in-memory console's state: construction, set-up, observation, the standard
// handles with their modes, and the call counts and injected failures.
#include "platform/memory/memory_console.h"

#include <algorithm>

namespace {

// The modes a fresh console gives its handles: processed, line and echo input;
// processed output that wraps at the end of a line.
constexpr std::uint32_t INITIAL_INPUT_MODE = 0x0007;
constexpr std::uint32_t INITIAL_OUTPUT_MODE = 0x0003;

std::int16_t clamp16(int value, int low, int high) {
  return static_cast<std::int16_t>(std::clamp(value, low, high));
}

std::string trim_right(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

} // namespace

MemoryConsole::MemoryConsole(std::int16_t width, std::int16_t height)
    : width_(std::max<std::int16_t>(width, 1)), height_(std::max<std::int16_t>(height, 1)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)),
      known_(cells_.size(), 1), window_{0, 0, static_cast<std::int16_t>(width_ - 1),
                                        static_cast<std::int16_t>(height_ - 1)},
      input_mode_(INITIAL_INPUT_MODE), output_mode_(INITIAL_OUTPUT_MODE) {}

// --- Set-up ------------------------------------------------------------------

void MemoryConsole::set_buffer_size(std::int16_t width, std::int16_t height) {
  const std::int16_t new_width = std::max<std::int16_t>(width, 1);
  const std::int16_t new_height = std::max<std::int16_t>(height, 1);
  std::vector<ConsoleCell> cells(static_cast<std::size_t>(new_width) *
                                 static_cast<std::size_t>(new_height));
  std::vector<std::uint8_t> known(cells.size(), 1);
  std::size_t unknown = 0;
  for (int y = 0; y < std::min(height_, new_height); ++y) {
    for (int x = 0; x < std::min(width_, new_width); ++x) {
      const std::size_t from =
          static_cast<std::size_t>((row_base_ + y) % height_) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x);
      const std::size_t to = static_cast<std::size_t>(y) * static_cast<std::size_t>(new_width) +
                             static_cast<std::size_t>(x);
      cells[to] = cells_[from];
      known[to] = known_[from];
      unknown += known_[from] == 0 ? 1 : 0;
    }
  }
  cells_ = std::move(cells);
  known_ = std::move(known);
  unknown_cells_ = unknown;
  width_ = new_width;
  height_ = new_height;
  row_base_ = 0;
  set_window(window_);
  cursor_ = {clamp16(cursor_.x, 0, width_ - 1), clamp16(cursor_.y, 0, height_ - 1)};
}

void MemoryConsole::set_window(ConsoleRect window) {
  window_.left = clamp16(window.left, 0, width_ - 1);
  window_.top = clamp16(window.top, 0, height_ - 1);
  window_.right = clamp16(window.right, window_.left, width_ - 1);
  window_.bottom = clamp16(window.bottom, window_.top, height_ - 1);
}

void MemoryConsole::set_output_redirected(bool redirected) {
  output_redirected_ = redirected;
}

void MemoryConsole::set_input_redirected(bool redirected) {
  input_redirected_ = redirected;
}

void MemoryConsole::set_attribute(std::uint16_t attributes) {
  attribute_ = attributes;
}

void MemoryConsole::set_cursor(ConsoleCoord cell) {
  cursor_ = {clamp16(cell.x, 0, width_ - 1), clamp16(cell.y, 0, height_ - 1)};
}

void MemoryConsole::set_cursor_visible(bool visible) {
  cursor_info_.visible = visible;
}

void MemoryConsole::set_performance_counter(bool available) {
  performance_counter_ = available;
}

void MemoryConsole::set_clock_ms(std::uint64_t ms) {
  clock_ms_ = ms;
  empty_peeks_ = 0;
}

std::uint64_t MemoryConsole::clock_ms() const {
  return clock_ms_;
}

// --- Observation -------------------------------------------------------------

std::int16_t MemoryConsole::width() const {
  return width_;
}

std::int16_t MemoryConsole::height() const {
  return height_;
}

ConsoleRect MemoryConsole::window() const {
  return window_;
}

ConsoleCoord MemoryConsole::cursor() const {
  return cursor_;
}

bool MemoryConsole::cursor_visible() const {
  return cursor_info_.visible;
}

std::uint16_t MemoryConsole::attribute() const {
  return attribute_;
}

ConsoleCell MemoryConsole::cell(std::int16_t x, std::int16_t y) const {
  return in_buffer({x, y}) ? at(x, y) : ConsoleCell{};
}

const ConsoleCell* MemoryConsole::row_cells(std::int16_t y) const {
  return &at(0, y);
}

const std::uint8_t* MemoryConsole::row_known(std::int16_t y) const {
  return unknown_cells_ == 0 ? nullptr
                             : &known_[static_cast<std::size_t>(&at(0, y) - cells_.data())];
}

bool MemoryConsole::cell_known(std::int16_t x, std::int16_t y) const {
  if (!in_buffer({x, y})) {
    return false;
  }
  return known_[static_cast<std::size_t>(&at(x, y) - cells_.data())] != 0;
}

void MemoryConsole::set_cells_unknown() {
  std::fill(known_.begin(), known_.end(), std::uint8_t{0});
  unknown_cells_ = known_.size();
}

std::string MemoryConsole::row_text(std::int16_t y) const {
  std::string text;
  if (y < 0 || y >= height_) {
    return text;
  }
  text.reserve(static_cast<std::size_t>(width_));
  for (int x = 0; x < width_; ++x) {
    text.push_back(static_cast<char>(at(x, y).ch));
  }
  return text;
}

std::string MemoryConsole::window_row(int row) const {
  const int y = window_.top + row - 1;
  if (row < 1 || y > window_.bottom) {
    return {};
  }
  const std::string text = row_text(static_cast<std::int16_t>(y));
  const int columns = window_.right - window_.left + 1;
  return trim_right(
      text.substr(static_cast<std::size_t>(window_.left), static_cast<std::size_t>(columns)));
}

std::vector<std::string> MemoryConsole::window_lines() const {
  std::vector<std::string> lines;
  for (int row = 1; row <= window_.bottom - window_.top + 1; ++row) {
    lines.push_back(window_row(row));
  }
  return lines;
}

const std::string& MemoryConsole::raw_output() const {
  return raw_output_;
}

const std::vector<MemoryConsole::Beep>& MemoryConsole::beeps() const {
  return beeps_;
}

std::uint64_t MemoryConsole::call_count(ConsoleCall call) const {
  return call_counts_[static_cast<std::size_t>(call)];
}

void MemoryConsole::reset_call_counts() {
  call_counts_.fill(0);
}

void MemoryConsole::fail_call(ConsoleCall call, std::uint32_t times, std::uint32_t after) {
  faults_[static_cast<std::size_t>(call)] = {after, times};
}

// --- Handles and modes ---------------------------------------------------------

ConsoleHandle MemoryConsole::get_std_handle(StdStream which) {
  if (injected_failure(ConsoleCall::get_std_handle)) {
    return 0;
  }
  // A redirected stream still has a handle (of its file or pipe); only the calls
  // that need a console fail on it.
  return which == StdStream::input ? INPUT_HANDLE : OUTPUT_HANDLE;
}

bool MemoryConsole::get_console_mode(ConsoleHandle handle, std::uint32_t& mode) {
  if (injected_failure(ConsoleCall::get_console_mode)) {
    return false;
  }
  if (is_console_input(handle)) {
    mode = input_mode_;
    return true;
  }
  if (is_console_output(handle)) {
    mode = output_mode_;
    return true;
  }
  return false;
}

bool MemoryConsole::set_console_mode(ConsoleHandle handle, std::uint32_t mode) {
  if (injected_failure(ConsoleCall::set_console_mode)) {
    return false;
  }
  if (is_console_input(handle)) {
    input_mode_ = mode;
    return true;
  }
  if (is_console_output(handle)) {
    output_mode_ = mode;
    return true;
  }
  return false;
}

// --- Internals -----------------------------------------------------------------

bool MemoryConsole::injected_failure(ConsoleCall call) {
  const auto index = static_cast<std::size_t>(call);
  ++call_counts_[index];
  Fault& fault = faults_[index];
  if (fault.skip > 0) {
    --fault.skip;
    return false;
  }
  if (fault.fail > 0) {
    --fault.fail;
    return true;
  }
  return false;
}

bool MemoryConsole::is_console_input(ConsoleHandle handle) const {
  return handle == INPUT_HANDLE && !input_redirected_;
}

bool MemoryConsole::is_console_output(ConsoleHandle handle) const {
  return handle == OUTPUT_HANDLE && !output_redirected_;
}

bool MemoryConsole::in_buffer(ConsoleCoord cell) const {
  return cell.x >= 0 && cell.x < width_ && cell.y >= 0 && cell.y < height_;
}

ConsoleCell& MemoryConsole::at(int x, int y) {
  const std::size_t ring_row = static_cast<std::size_t>((row_base_ + y) % height_);
  return cells_[ring_row * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

const ConsoleCell& MemoryConsole::at(int x, int y) const {
  const std::size_t ring_row = static_cast<std::size_t>((row_base_ + y) % height_);
  return cells_[ring_row * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

void MemoryConsole::mark_known(int y, int x_first, int x_last) {
  // Once every cell is known (always, unless a terminal backend asked otherwise)
  // this costs nothing.
  if (unknown_cells_ == 0) {
    return;
  }
  const std::size_t row = static_cast<std::size_t>(&at(0, y) - cells_.data());
  for (int x = x_first; x <= x_last; ++x) {
    std::uint8_t& known = known_[row + static_cast<std::size_t>(x)];
    if (known == 0) {
      known = 1;
      --unknown_cells_;
    }
  }
}

void MemoryConsole::copy_known(int y, int x_first, int x_last, const std::uint8_t* flags) {
  const std::size_t row = static_cast<std::size_t>(&at(0, y) - cells_.data());
  for (int x = x_first; x <= x_last; ++x) {
    std::uint8_t& known = known_[row + static_cast<std::size_t>(x)];
    const std::uint8_t flag = flags[x - x_first];
    unknown_cells_ += known == 0 ? 0 : 1;
    unknown_cells_ -= flag == 0 ? 0 : 1;
    known = flag;
  }
}

void MemoryConsole::set_cells(int y, int x_first, int x_last, ConsoleCell fill) {
  ConsoleCell* row = &at(0, y);
  std::fill(row + x_first, row + x_last + 1, fill);
  mark_known(y, x_first, x_last);
}
