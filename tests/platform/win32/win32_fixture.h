// A private screen buffer and the console's input buffer, so backend tests use the
// real console without disturbing what the terminal shows.
#pragma once

#include <gtest/gtest.h>
#include <string>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_console.h"

class Win32ConsoleTest : public ::testing::Test {
protected:
  static constexpr SHORT WIDTH = 80;
  static constexpr SHORT HEIGHT = 25;

  void SetUp() override {
    if (GetConsoleWindow() == nullptr) {
      GTEST_SKIP() << "no console attached; run under a terminal (tools/test-windows does)";
    }
    screen_ =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(screen_, INVALID_HANDLE_VALUE);
    const SMALL_RECT window{0, 0, WIDTH - 1, HEIGHT - 1};
    ASSERT_TRUE(SetConsoleWindowInfo(screen_, TRUE, &window));
    ASSERT_TRUE(SetConsoleScreenBufferSize(screen_, COORD{WIDTH, HEIGHT}));
    blank();

    input_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(input_, INVALID_HANDLE_VALUE);
    FlushConsoleInputBuffer(input_);
    saved_stdin_ = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, input_);
  }

  void TearDown() override {
    if (input_ != INVALID_HANDLE_VALUE) {
      FlushConsoleInputBuffer(input_);
      SetStdHandle(STD_INPUT_HANDLE, saved_stdin_);
      CloseHandle(input_);
    }
    if (screen_ != INVALID_HANDLE_VALUE) {
      CloseHandle(screen_);
    }
  }

  // Every cell a space in attribute 7.
  void blank() {
    DWORD written = 0;
    FillConsoleOutputCharacterA(screen_, ' ', WIDTH * HEIGHT, COORD{0, 0}, &written);
    FillConsoleOutputAttribute(screen_, 7, WIDTH * HEIGHT, COORD{0, 0}, &written);
  }

  ConsoleHandle screen() const { return reinterpret_cast<ConsoleHandle>(screen_); }
  ConsoleHandle input() const { return reinterpret_cast<ConsoleHandle>(input_); }

  // Characters of one buffer row, trailing blanks trimmed.
  std::string row_text(SHORT row) const {
    CHAR_INFO cells[WIDTH];
    SMALL_RECT region{0, row, WIDTH - 1, row};
    if (!ReadConsoleOutputA(screen_, cells, COORD{WIDTH, 1}, COORD{0, 0}, &region)) {
      return "<unreadable>";
    }
    std::string text;
    for (const CHAR_INFO& cell : cells) {
      text += cell.Char.AsciiChar;
    }
    return text.erase(text.find_last_not_of(' ') + 1);
  }

  WORD attribute_at(SHORT column, SHORT row) const {
    WORD attribute = 0;
    DWORD read = 0;
    ReadConsoleOutputAttribute(screen_, &attribute, 1, COORD{column, row}, &read);
    return attribute;
  }

  void put_text(SHORT column, SHORT row, const std::string& text) {
    DWORD written = 0;
    WriteConsoleOutputCharacterA(screen_, text.data(), static_cast<DWORD>(text.size()),
                                 COORD{column, row}, &written);
  }

  Win32Console console_;
  HANDLE screen_ = INVALID_HANDLE_VALUE;
  HANDLE input_ = INVALID_HANDLE_VALUE;
  HANDLE saved_stdin_ = nullptr;
};
