// The in-memory console's output calls: buffer information, the cursor, fills, cell
// writes, scrolling, the window, raw bytes and the beep.
#include <algorithm>

#include "platform/memory/memory_console.h"

bool MemoryConsole::get_screen_buffer_info(ConsoleHandle handle, ConsoleBufferInfo& info) {
  if (injected_failure(ConsoleCall::get_screen_buffer_info) || !is_console_output(handle)) {
    return false;
  }
  info.size = {width_, height_};
  info.cursor = cursor_;
  info.attributes = attribute_;
  info.window = window_;
  info.max_window = {width_, height_};
  return true;
}

bool MemoryConsole::set_cursor_position(ConsoleHandle handle, ConsoleCoord cell) {
  if (injected_failure(ConsoleCall::set_cursor_position) || !is_console_output(handle) ||
      !in_buffer(cell)) {
    return false;
  }
  cursor_ = cell;
  // A console moves its window by as little as it takes to show the cursor.
  const int dx = cell.x < window_.left    ? cell.x - window_.left
                 : cell.x > window_.right ? cell.x - window_.right
                                          : 0;
  const int dy = cell.y < window_.top      ? cell.y - window_.top
                 : cell.y > window_.bottom ? cell.y - window_.bottom
                                           : 0;
  window_ = {static_cast<std::int16_t>(window_.left + dx),
             static_cast<std::int16_t>(window_.top + dy),
             static_cast<std::int16_t>(window_.right + dx),
             static_cast<std::int16_t>(window_.bottom + dy)};
  return true;
}

bool MemoryConsole::get_cursor_info(ConsoleHandle handle, ConsoleCursorInfo& info) {
  if (injected_failure(ConsoleCall::get_cursor_info) || !is_console_output(handle)) {
    return false;
  }
  info = cursor_info_;
  return true;
}

bool MemoryConsole::set_cursor_info(ConsoleHandle handle, const ConsoleCursorInfo& info) {
  // A console accepts cursor sizes of 1 to 100 percent of the cell only.
  if (injected_failure(ConsoleCall::set_cursor_info) || !is_console_output(handle) ||
      info.size < 1 || info.size > 100) {
    return false;
  }
  cursor_info_ = info;
  return true;
}

std::uint32_t MemoryConsole::fill_run(ConsoleCoord first, std::uint32_t count, bool characters,
                                      ConsoleCell value) {
  std::uint32_t done = 0;
  int x = first.x;
  for (int y = first.y; y < height_ && done < count; ++y) {
    // 64 bits, so a count near 2^32 cannot wrap the row's reach.
    const std::uint64_t reach = static_cast<std::uint64_t>(x) + (count - done) - 1;
    const int last = static_cast<int>(std::min<std::uint64_t>(width_ - 1, reach));
    ConsoleCell* row = &at(0, y);
    for (int i = x; i <= last; ++i) {
      if (characters) {
        row[i].ch = value.ch;
      } else {
        row[i].attributes = value.attributes;
      }
    }
    mark_known(y, x, last);
    done += static_cast<std::uint32_t>(last - x + 1);
    x = 0;
  }
  return done;
}

bool MemoryConsole::fill_attribute(ConsoleHandle handle, std::uint16_t attributes,
                                   std::uint32_t count, ConsoleCoord first,
                                   std::uint32_t& written) {
  written = 0;
  if (injected_failure(ConsoleCall::fill_attribute) || !is_console_output(handle) ||
      !in_buffer(first)) {
    return false;
  }
  written = fill_run(first, count, false, {' ', attributes});
  return true;
}

bool MemoryConsole::fill_character(ConsoleHandle handle, std::uint8_t ch, std::uint32_t count,
                                   ConsoleCoord first, std::uint32_t& written) {
  written = 0;
  if (injected_failure(ConsoleCall::fill_character) || !is_console_output(handle) ||
      !in_buffer(first)) {
    return false;
  }
  written = fill_run(first, count, true, {ch, 0});
  return true;
}

// Moves whole rows by turning the ring when the move is the whole buffer sliding up or
// down (the source reaching its far end, overlapping its destination): the cells stay
// where they are, with their known flags, and only the uncovered rows are filled.
// False when the move has another shape.
bool MemoryConsole::scroll_whole_rows(const ConsoleRect& moved, int dy, ConsoleCell fill) {
  const int rows = dy < 0 ? -dy : dy;
  if (rows == 0 || 2 * rows > height_) {
    return false;
  }
  if (dy < 0 && moved.top == rows && moved.bottom == height_ - 1) {
    row_base_ = (row_base_ + rows) % height_;
    for (int y = height_ - rows; y < height_; ++y) {
      set_cells(y, 0, width_ - 1, fill);
    }
    return true;
  }
  if (dy > 0 && moved.top == 0 && moved.bottom == height_ - 1 - rows) {
    row_base_ = (row_base_ + height_ - rows) % height_;
    for (int y = 0; y < rows; ++y) {
      set_cells(y, 0, width_ - 1, fill);
    }
    return true;
  }
  return false;
}

bool MemoryConsole::scroll_buffer(ConsoleHandle handle, const ConsoleRect& source,
                                  const ConsoleRect* clip, ConsoleCoord destination,
                                  ConsoleCell fill) {
  if (injected_failure(ConsoleCall::scroll_buffer) || !is_console_output(handle)) {
    return false;
  }
  // The offset comes from the source as given, so clipping it keeps every cell's
  // destination.
  const int dx = destination.x - source.left;
  const int dy = destination.y - source.top;
  const int src_left = std::max<int>(source.left, 0);
  const int src_top = std::max<int>(source.top, 0);
  const int src_right = std::min<int>(source.right, width_ - 1);
  const int src_bottom = std::min<int>(source.bottom, height_ - 1);
  int clip_left = 0;
  int clip_top = 0;
  int clip_right = width_ - 1;
  int clip_bottom = height_ - 1;
  if (clip != nullptr) {
    clip_left = std::max<int>(clip->left, 0);
    clip_top = std::max<int>(clip->top, 0);
    clip_right = std::min<int>(clip->right, width_ - 1);
    clip_bottom = std::min<int>(clip->bottom, height_ - 1);
  }
  if (src_left > src_right || src_top > src_bottom || clip_left > clip_right ||
      clip_top > clip_bottom) {
    return false;
  }

  const bool clip_is_buffer =
      clip_left == 0 && clip_top == 0 && clip_right == width_ - 1 && clip_bottom == height_ - 1;
  const ConsoleRect moved{static_cast<std::int16_t>(src_left), static_cast<std::int16_t>(src_top),
                          static_cast<std::int16_t>(src_right),
                          static_cast<std::int16_t>(src_bottom)};
  if (clip_is_buffer && dx == 0 && src_left == 0 && src_right == width_ - 1 &&
      scroll_whole_rows(moved, dy, fill)) {
    return true;
  }

  // General move: copy the source first, since it may overlap its destination.
  // A moved cell keeps its known flag: text the terminal showed before the program
  // started moves along with the program's own, as it does on the terminal.
  const int copy_width = src_right - src_left + 1;
  scratch_.clear();
  scratch_known_.clear();
  for (int y = src_top; y <= src_bottom; ++y) {
    const ConsoleCell* row = &at(0, y);
    scratch_.insert(scratch_.end(), row + src_left, row + src_right + 1);
    if (unknown_cells_ != 0) {
      const std::uint8_t* known = &known_[static_cast<std::size_t>(row - cells_.data())];
      scratch_known_.insert(scratch_known_.end(), known + src_left, known + src_right + 1);
    }
  }
  // Every source cell inside the clip gets the fill, then the destination inside the
  // clip and the buffer takes the copy: what stays filled is what the copy left
  // uncovered.
  const int fill_left = std::max(src_left, clip_left);
  const int fill_right = std::min(src_right, clip_right);
  for (int y = std::max(src_top, clip_top); y <= std::min(src_bottom, clip_bottom); ++y) {
    if (fill_left <= fill_right) {
      set_cells(y, fill_left, fill_right, fill);
    }
  }
  const int dst_left = std::max(src_left + dx, clip_left);
  const int dst_right = std::min(src_right + dx, clip_right);
  for (int y = std::max(src_top + dy, clip_top); y <= std::min(src_bottom + dy, clip_bottom); ++y) {
    if (dst_left > dst_right) {
      break;
    }
    const std::size_t from =
        static_cast<std::size_t>(y - dy - src_top) * static_cast<std::size_t>(copy_width) +
        static_cast<std::size_t>(dst_left - dx - src_left);
    std::copy_n(scratch_.begin() + static_cast<std::ptrdiff_t>(from), dst_right - dst_left + 1,
                &at(dst_left, y));
    if (!scratch_known_.empty()) {
      copy_known(y, dst_left, dst_right, &scratch_known_[from]);
    }
  }
  return true;
}

bool MemoryConsole::write_output(ConsoleHandle handle, const ConsoleCell* cells,
                                 ConsoleCoord cells_size, ConsoleCoord cells_origin,
                                 ConsoleRect& region) {
  if (injected_failure(ConsoleCall::write_output) || !is_console_output(handle) ||
      cells == nullptr || cells_origin.x < 0 || cells_origin.y < 0 ||
      cells_origin.x >= cells_size.x || cells_origin.y >= cells_size.y) {
    return false;
  }
  // The region is clipped to the buffer and to what the block holds from its origin;
  // cells cut off on the left or top are skipped in the block as well.
  const int left = std::max<int>(region.left, 0);
  const int top = std::max<int>(region.top, 0);
  const int right = std::min({static_cast<int>(region.right), width_ - 1,
                              region.left + cells_size.x - cells_origin.x - 1});
  const int bottom = std::min({static_cast<int>(region.bottom), height_ - 1,
                               region.top + cells_size.y - cells_origin.y - 1});
  if (left > right || top > bottom) {
    return false;
  }
  for (int y = top; y <= bottom; ++y) {
    const int block_y = cells_origin.y + (y - region.top);
    const int block_x = cells_origin.x + (left - region.left);
    const ConsoleCell* from = cells + static_cast<std::ptrdiff_t>(block_y) * cells_size.x + block_x;
    std::copy_n(from, right - left + 1, &at(left, y));
    mark_known(y, left, right);
  }
  region = {static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
            static_cast<std::int16_t>(right), static_cast<std::int16_t>(bottom)};
  return true;
}

bool MemoryConsole::set_window_info(ConsoleHandle handle, bool absolute,
                                    const ConsoleRect& window) {
  if (injected_failure(ConsoleCall::set_window_info) || !is_console_output(handle)) {
    return false;
  }
  // Relative coordinates move each edge of the current window.
  const int left = absolute ? window.left : window_.left + window.left;
  const int top = absolute ? window.top : window_.top + window.top;
  const int right = absolute ? window.right : window_.right + window.right;
  const int bottom = absolute ? window.bottom : window_.bottom + window.bottom;
  if (left < 0 || top < 0 || left > right || top > bottom || right >= width_ || bottom >= height_) {
    return false;
  }
  window_ = {static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
             static_cast<std::int16_t>(right), static_cast<std::int16_t>(bottom)};
  return true;
}

bool MemoryConsole::write_file(ConsoleHandle handle, const void* bytes, std::uint32_t count,
                               std::uint32_t& written) {
  written = 0;
  if (injected_failure(ConsoleCall::write_file) || handle != OUTPUT_HANDLE ||
      (bytes == nullptr && count > 0)) {
    return false;
  }
  if (count > 0) {
    raw_output_.append(static_cast<const char*>(bytes), count);
  }
  written = count;
  return true;
}

bool MemoryConsole::beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) {
  if (injected_failure(ConsoleCall::beep)) {
    return false;
  }
  beeps_.push_back({frequency_hz, duration_ms});
  advance_clock(duration_ms); // the call returns when the tone has ended
  return true;
}
