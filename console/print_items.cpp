// Print items: text to a file number, the newline and zone separators, and the
// print column each target keeps.
#include "console/print_items.h"

#include <cstring>

#include "console/console_print.h"
#include "console/console_screen.h"
#include "runtime/rt_context.h"
#include "runtime/rt_files.h"

namespace {

constexpr char NEWLINE[] = "\r\n";
constexpr char ZONE_SPACES[] = "              "; // one zone's worth
static_assert(sizeof(ZONE_SPACES) - 1 == PRINT_ZONE_WIDTH);

// A print target's column and width; the console keeps its own in console_screen.
struct PrintTarget {
  FileEntry* entry;
  std::int32_t* column;
  std::int32_t width;
};

PrintTarget find_target(std::int32_t file) {
  FileEntry* entry = rt_file_entry(file);
  if (entry == nullptr) {
    return PrintTarget{nullptr, nullptr, 0};
  }
  if (file == 0) {
    return PrintTarget{entry, &console_screen.print_column, console_screen.print_width};
  }
  return PrintTarget{entry, &entry->print_column, entry->print_width};
}

// The column counts bytes since the last line end, whatever the cursor did.
void advance_column(const PrintTarget& target, const char* bytes, std::size_t length) {
  std::int64_t column = *target.column;
  std::size_t i = length;
  while (i > 0 && bytes[i - 1] != '\r' && bytes[i - 1] != '\n') {
    --i;
  }
  if (i > 0) {
    column = static_cast<std::int64_t>(length - i);
  } else {
    column += static_cast<std::int64_t>(length);
  }
  if (target.width != 0) {
    column %= target.width;
  }
  *target.column = static_cast<std::int32_t>(column);
}

} // namespace

std::int32_t print_bytes(std::int32_t file, const char* bytes, std::size_t length) {
  // Every print starts the console, whatever the target.
  console_init_device();
  const PrintTarget target = find_target(file);
  if (target.entry == nullptr || !target.entry->open || file != 0) {
    // Only the console has a write device in this system.
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  console_print(bytes, length, 0);
  const std::int32_t error = rt_set_error(RT_OK);
  advance_column(target, bytes, length);
  return error;
}

void print_string(std::int32_t file, std::string_view text, std::int32_t flags) {
  if (!text.empty()) {
    print_bytes(file, text.data(), text.size());
  }
  print_separator(file, flags);
}

void print_cstring(std::int32_t file, const char* text, std::int32_t flags) {
  if (text != nullptr && *text != '\0') {
    print_bytes(file, text, std::strlen(text));
  }
  print_separator(file, flags);
}

void print_newline(std::int32_t file, std::int32_t flags) {
  print_separator(file, flags);
}

void print_separator(std::int32_t file, std::int32_t flags) {
  if ((flags & (PRINT_NEWLINE | 4)) != 0) {
    print_bytes(file, NEWLINE, 2);
  } else if ((flags & PRINT_PAD) != 0) {
    print_zone_pad(file);
  }
}

void print_zone_pad(std::int32_t file) {
  console_init_device();
  const PrintTarget target = find_target(file);
  if (target.entry == nullptr) {
    rt_set_error(RT_ERROR_ARGUMENT);
    return;
  }
  const std::int64_t column = *target.column;
  // 1-based start of the first zone beyond the current column: 15, 29, 43, ...
  std::int64_t zone = PRINT_ZONE_WIDTH * ((column + PRINT_ZONE_WIDTH) / PRINT_ZONE_WIDTH) + 1;
  // Unsigned on purpose: a width below one zone never sends the item to a new line.
  if (target.width != 0 &&
      static_cast<std::uint32_t>(zone) >
          static_cast<std::uint32_t>(std::int64_t{target.width} - PRINT_ZONE_WIDTH)) {
    zone = 1;
  }
  if (zone <= column + 1) {
    print_bytes(file, NEWLINE, 2);
    return;
  }
  for (std::int64_t spaces = zone - column - 1; spaces > 0; spaces -= PRINT_ZONE_WIDTH) {
    const std::int64_t piece = spaces < PRINT_ZONE_WIDTH ? spaces : PRINT_ZONE_WIDTH;
    print_bytes(file, ZONE_SPACES, static_cast<std::size_t>(piece));
  }
}
