#include "runtime/rt_files.h"

#include "runtime/rt_context.h"

FileEntry* rt_file_entry(std::int32_t file_number) {
  FileTable& files = rt_context.files;
  if (file_number == 0) {
    return &files.console;
  }
  if (file_number == -1) {
    return &files.minus_one;
  }
  if (file_number >= 1 && file_number <= FILE_NUMBER_MAX) {
    return &files.numbered[file_number - 1];
  }
  return nullptr;
}

std::int32_t rt_file_read(FileEntry* entry, std::uint8_t* buffer, std::uint32_t& count) {
  const std::uint32_t wanted = count;
  count = 0;
  if (entry == nullptr || !entry->open || entry->read == nullptr) {
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  // Put-back bytes come back newest first, as a stream's unget gives them; the input
  // statement never puts back more than one, so for it the order cannot show.
  while (count < wanted && entry->putback_count > 0) {
    buffer[count++] = entry->putback[--entry->putback_count];
  }
  if (count == wanted) {
    return rt_set_error(RT_OK);
  }
  // Only what the put-back bytes did not supply is asked of the device, so a read of
  // one byte after a put-back never waits for input.
  std::uint32_t rest = wanted - count;
  const std::int32_t result = entry->read(entry, buffer + count, rest);
  count += rest;
  return rt_set_error(result);
}

std::int32_t rt_file_unread(FileEntry* entry, std::uint8_t byte) {
  if (entry == nullptr || !entry->open) {
    return rt_set_error(RT_ERROR_ARGUMENT);
  }
  if (entry->putback_count >= FILE_PUTBACK_MAX) {
    return rt_set_error(RT_ERROR_TRANSFER);
  }
  entry->putback[entry->putback_count++] = byte;
  return rt_set_error(RT_OK);
}

void rt_files_close_all() {
  // No device of this system needs work to close, so closing an entry is clearing it.
  // The console's entry (file 0) is left as it is.
  FileTable& files = rt_context.files;
  files.minus_one = FileEntry{};
  for (FileEntry& entry : files.numbered) {
    entry = FileEntry{};
  }
}
