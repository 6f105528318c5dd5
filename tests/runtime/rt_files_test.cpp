#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "runtime/rt_context.h"
#include "runtime/rt_files.h"

namespace {

// A device that hands out the bytes of a text and then reports the end.
std::string device_text;
std::size_t device_position = 0;
int device_reads = 0;

std::int32_t text_read(FileEntry*, std::uint8_t* buffer, std::uint32_t& count) {
  ++device_reads;
  std::uint32_t n = 0;
  while (n < count && device_position < device_text.size()) {
    buffer[n++] = static_cast<std::uint8_t>(device_text[device_position++]);
  }
  count = n;
  return RT_OK;
}

std::int32_t failing_read(FileEntry*, std::uint8_t*, std::uint32_t& count) {
  count = 0;
  return RT_ERROR_TRANSFER;
}

class RtFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    rt_reset();
    device_text.clear();
    device_position = 0;
    device_reads = 0;
  }
  void TearDown() override { rt_reset(); }

  // The console's entry as the console device leaves it.
  static FileEntry* open_console(const std::string& text) {
    device_text = text;
    FileEntry* console = rt_file_entry(0);
    console->open = true;
    console->read = text_read;
    return console;
  }

  static std::string read(FileEntry* entry, std::uint32_t wanted, std::int32_t& result) {
    std::uint8_t buffer[16] = {};
    std::uint32_t count = wanted;
    result = rt_file_read(entry, buffer, count);
    return std::string(reinterpret_cast<char*>(buffer), count);
  }
};

TEST_F(RtFilesTest, EntriesExistForConsoleMinusOneAndNumberedFiles) {
  struct Case {
    std::int32_t number;
    bool exists;
  };
  const Case cases[] = {
      {0, true},    {-1, true},  {1, true},     {254, true},
      {255, false}, {-2, false}, {1000, false}, {INT32_MIN, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    FileEntry* entry = rt_file_entry(c.number);
    EXPECT_EQ(entry != nullptr, c.exists);
    if (entry != nullptr) {
      EXPECT_FALSE(entry->open);
    }
  }
  EXPECT_NE(rt_file_entry(1), rt_file_entry(254));
  EXPECT_NE(rt_file_entry(-1), rt_file_entry(0));
}

TEST_F(RtFilesTest, ClosedOrMissingEntryRefusesTransfers) {
  FileEntry* readless = rt_file_entry(0);
  readless->open = true; // open, but its device cannot read
  struct Case {
    const char* name;
    FileEntry* entry;
    std::int32_t unread_error;
  };
  const Case cases[] = {
      {"no entry", nullptr, RT_ERROR_ARGUMENT},
      {"closed numbered file", rt_file_entry(7), RT_ERROR_ARGUMENT},
      {"closed file -1", rt_file_entry(-1), RT_ERROR_ARGUMENT},
      {"device without read", readless, RT_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::int32_t result = -1;
    EXPECT_EQ(read(c.entry, 4, result), "");
    EXPECT_EQ(result, RT_ERROR_ARGUMENT);
    EXPECT_EQ(rt_get_error(), RT_ERROR_ARGUMENT);
    EXPECT_EQ(rt_file_unread(c.entry, 'x'), c.unread_error);
    EXPECT_EQ(rt_get_error(), c.unread_error);
  }
}

TEST_F(RtFilesTest, ReadGoesToTheDevice) {
  FileEntry* console = open_console("abc");
  std::int32_t result = -1;
  rt_set_error(RT_ERROR_ARGUMENT);
  EXPECT_EQ(read(console, 2, result), "ab");
  EXPECT_EQ(result, RT_OK);
  EXPECT_EQ(rt_get_error(), RT_OK);
  EXPECT_EQ(read(console, 8, result), "c");
  EXPECT_EQ(read(console, 8, result), "");
  EXPECT_EQ(result, RT_OK);
}

TEST_F(RtFilesTest, PutBackBytesComeFirstNewestFirst) {
  FileEntry* console = open_console("xyz");
  std::int32_t result = -1;
  EXPECT_EQ(read(console, 1, result), "x");

  EXPECT_EQ(rt_file_unread(console, 'x'), RT_OK);
  EXPECT_EQ(read(console, 1, result), "x");
  EXPECT_EQ(device_reads, 1); // served without the device

  EXPECT_EQ(rt_file_unread(console, '1'), RT_OK);
  EXPECT_EQ(rt_file_unread(console, '2'), RT_OK);
  // Put-back bytes, then the device for the rest.
  EXPECT_EQ(read(console, 4, result), "21yz");
  EXPECT_EQ(result, RT_OK);
}

TEST_F(RtFilesTest, PutBackHoldsFourBytes) {
  FileEntry* console = open_console("");
  for (char byte : std::string("abcd")) {
    EXPECT_EQ(rt_file_unread(console, static_cast<std::uint8_t>(byte)), RT_OK);
  }
  EXPECT_EQ(rt_file_unread(console, 'e'), RT_ERROR_TRANSFER);
  EXPECT_EQ(rt_get_error(), RT_ERROR_TRANSFER);
  std::int32_t result = -1;
  EXPECT_EQ(read(console, 8, result), "dcba");
  EXPECT_EQ(rt_file_unread(console, 'e'), RT_OK);
}

TEST_F(RtFilesTest, DeviceErrorIsPassedOn) {
  FileEntry* file = rt_file_entry(3);
  file->open = true;
  file->read = failing_read;
  rt_file_unread(file, 'q');
  std::int32_t result = -1;
  EXPECT_EQ(read(file, 1, result), "q");
  EXPECT_EQ(result, RT_OK);
  EXPECT_EQ(read(file, 1, result), "");
  EXPECT_EQ(result, RT_ERROR_TRANSFER);
  EXPECT_EQ(rt_get_error(), RT_ERROR_TRANSFER);
}

TEST_F(RtFilesTest, CloseAllClearsNumberedFilesButNotConsole) {
  FileEntry* console = open_console("abc");
  rt_file_unread(console, 'z');
  for (std::int32_t number : {-1, 1, 100, 254}) {
    rt_file_entry(number)->open = true;
    rt_file_entry(number)->read = text_read;
  }
  rt_files_close_all();
  for (std::int32_t number : {-1, 1, 100, 254}) {
    SCOPED_TRACE(number);
    EXPECT_FALSE(rt_file_entry(number)->open);
    EXPECT_EQ(rt_file_entry(number)->read, nullptr);
  }
  std::int32_t result = -1;
  EXPECT_EQ(read(console, 2, result), "za");
}

} // namespace
