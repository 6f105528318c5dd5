// The runtime's screen output on the system console: the same print scripts run on
// the in-memory console and on a wine screen buffer must leave the same cells and
// the same cursor.
#include <functional>
#include <string>
#include <vector>

#include "console/console_clear.h"
#include "console/console_screen.h"
#include "console/print_items.h"
#include "platform/memory/memory_console.h"
#include "runtime/rt_context.h"
#include "win32_fixture.h"

namespace {

class Win32RuntimeTest : public Win32ConsoleTest {
protected:
  void SetUp() override {
    Win32ConsoleTest::SetUp();
    saved_stdout_ = GetStdHandle(STD_OUTPUT_HANDLE);
  }
  void TearDown() override {
    SetStdHandle(STD_OUTPUT_HANDLE, saved_stdout_);
    platform_install(nullptr);
    console_screen_reset();
    rt_reset();
    Win32ConsoleTest::TearDown();
  }

  // Runs the script with backend as the platform, from a fresh runtime.
  static void run(ConsolePlatform& backend, const std::function<void()>& script) {
    console_screen_reset();
    rt_reset();
    platform_install(&backend);
    script();
    platform_install(nullptr);
  }

  std::vector<std::string> system_rows() const {
    std::vector<std::string> rows;
    for (SHORT y = 0; y < HEIGHT; ++y) {
      rows.push_back(row_text(y));
    }
    return rows;
  }

  HANDLE saved_stdout_ = nullptr;
};

std::string repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) {
    result += text;
  }
  return result;
}

TEST_F(Win32RuntimeTest, PrintsLeaveTheSameScreenOnBothConsoles) {
  struct Case {
    const char* name;
    std::function<void()> script;
  };
  const Case cases[] = {
      {"lines and a newline", [] { print_string(0, "Hello\r\nWorld", 17); }},
      {"wrap at the right edge", [] { print_string(0, repeat("0123456789", 9), 16); }},
      {"tab, backspace and carriage return", [] { print_string(0, "a\tb\bc\rd", 16); }},
      {"scrolling at the bottom",
       [] {
         for (int i = 0; i < 30; ++i) {
           print_string(0, "line " + std::to_string(i), 17);
         }
       }},
      {"text ending in the last cell, then more",
       [] {
         console_locate(25, 75, CURSOR_KEEP, 0, 0);
         print_string(0, "abcdef", 16);
         print_string(0, "g", 16);
       }},
      {"clear and markers",
       [] {
         print_string(0, "junk", 17);
         console_clear(CLEAR_DEFAULT);
         console_locate(2, 1, CURSOR_KEEP, 0, 0);
         print_string(0, std::string(10, ' ') + "---- ----", 17);
         console_locate(21, 20, CURSOR_KEEP, 0, 0);
         print_string(0, "K", 17);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    blank();
    SetConsoleCursorPosition(screen_, COORD{0, 0});
    SetStdHandle(STD_OUTPUT_HANDLE, screen_);
    MemoryConsole memory(WIDTH, HEIGHT);
    run(memory, c.script);
    run(console_, c.script);

    std::vector<std::string> memory_rows;
    for (SHORT y = 0; y < HEIGHT; ++y) {
      std::string text = memory.row_text(y);
      memory_rows.push_back(text.erase(text.find_last_not_of(' ') + 1));
    }
    EXPECT_EQ(memory_rows, system_rows());
    CONSOLE_SCREEN_BUFFER_INFO info;
    ASSERT_TRUE(GetConsoleScreenBufferInfo(screen_, &info));
    EXPECT_EQ(memory.cursor(), (ConsoleCoord{info.dwCursorPosition.X, info.dwCursorPosition.Y}));
  }
}

} // namespace
