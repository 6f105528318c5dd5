// The least of the numbered-file layer this system needs: the console's entry
// (file 0) and closed entries for the file numbers -1 and 1 to 254.
#pragma once

#include <cstdint>

struct FileEntry;

// A device's read: on entry count is the number of bytes wanted, on return the
// number read (0 at the end). Returns a runtime error number.
using DeviceRead = std::int32_t (*)(FileEntry* device, std::uint8_t* buffer, std::uint32_t& count);

constexpr int FILE_PUTBACK_MAX = 4;
constexpr std::int32_t FILE_NUMBER_MAX = 254;

struct FileEntry {
  bool open;                              // the entry has a device
  DeviceRead read;                        // null when the device cannot read
  std::uint8_t putback[FILE_PUTBACK_MAX]; // bytes put back, read again first
  std::int32_t putback_count;
  std::int32_t print_column; // logical print column (0-based)
  std::int32_t print_width;  // line width; 0 means no limit
};

struct FileTable {
  FileEntry console;                   // file number 0
  FileEntry minus_one;                 // file number -1
  FileEntry numbered[FILE_NUMBER_MAX]; // file numbers 1 to 254
};

// The entry for a file number (0, -1 or 1 to 254); nullptr for any other number.
FileEntry* rt_file_entry(std::int32_t file_number);

// Reads up to count bytes through the entry: put-back bytes first, then the device.
// Error 1 when the entry is not open or cannot read; otherwise the device's number.
std::int32_t rt_file_read(FileEntry* entry, std::uint8_t* buffer, std::uint32_t& count);

// Puts one byte back in front of the entry's reads. Error 3 when the put-back
// buffer is full, 1 when the entry is not open.
std::int32_t rt_file_unread(FileEntry* entry, std::uint8_t byte);

// Closes every open numbered file from 1 to 254 and clears the table.
void rt_files_close_all();
