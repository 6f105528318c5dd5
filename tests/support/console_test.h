// The base fixture of every suite: a fresh in-memory console installed as the
// platform, the process-wide records reset, and a test that waits for input its
// script never supplies failing at once instead of hanging.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_console.h"

// Thrown by the fixture's console when the code under test waits for input that can
// no longer come.
class ConsoleStarved : public std::runtime_error {
public:
  ConsoleStarved();
};

// A cursor position in screen terms: 1-based, row 1 being the window's top row.
struct ScreenCursor {
  int row = 0;
  int column = 0;
  friend bool operator==(const ScreenCursor&, const ScreenCursor&) = default;
  friend std::ostream& operator<<(std::ostream& out, const ScreenCursor& cursor) {
    return out << "(row " << cursor.row << ", column " << cursor.column << ")";
  }
};

class ConsoleTest : public ::testing::Test {
protected:
  // Installs a fresh 80x25 MemoryConsole as platform(); rt_reset(), timer_reset(),
  // rnd_reset(); a starvation handler that throws ConsoleStarved.
  void SetUp() override;
  // platform_install(nullptr) and the same resets.
  void TearDown() override;

  MemoryConsole& console();
  // Replaces the console with a fresh one of this size (call before the code under
  // test first touches the console).
  void use_console(std::int16_t width, std::int16_t height);

  // The window's rows, trailing blanks trimmed.
  std::vector<std::string> screen() const;
  // One window row (1-based), trailing blanks trimmed.
  std::string screen_row(int row) const;
  // The console cursor relative to the window.
  ScreenCursor cursor() const;
  // A screen of the console's window height showing rows (top first), blank below.
  std::vector<std::string> screen_with(std::vector<std::string> rows) const;

private:
  std::unique_ptr<MemoryConsole> console_;
};
