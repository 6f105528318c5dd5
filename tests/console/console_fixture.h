// The console suites' fixture: a fresh in-memory console and a fresh screen record,
// plus helpers that read the window the way a user sees it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console_print.h"
#include "console/console_screen.h"
#include "tests/support/console_test.h"

class ScreenTest : public ConsoleTest {
protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    console_screen_reset();
  }
  void TearDown() override {
    ConsoleTest::TearDown();
    console_screen_reset();
  }

  // A fresh console and screen record, for each case of a table.
  void restart() {
    TearDown();
    SetUp();
  }

  static void print(std::string_view text, std::uint32_t flags = 0) {
    console_print(text.data(), text.size(), flags);
  }

  // Puts text straight into buffer row y from column x (0-based), bypassing the
  // code under test, then forgets the calls it took.
  void put_text(std::int16_t x, std::int16_t y, std::string_view text,
                std::uint16_t attribute = 7) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const ConsoleCell cell{static_cast<std::uint8_t>(text[i]), attribute};
      ConsoleRect region{static_cast<std::int16_t>(x + i), y, static_cast<std::int16_t>(x + i), y};
      console().write_output(MemoryConsole::OUTPUT_HANDLE, &cell, ConsoleCoord{1, 1},
                             ConsoleCoord{0, 0}, region);
    }
    console().reset_call_counts();
  }

  // Labels every buffer row "row N" (N from 0), so moved rows can be recognised.
  void label_rows() {
    for (std::int16_t y = 0; y < console().height(); ++y) {
      put_text(0, y, "row " + std::to_string(y));
    }
  }

  // A buffer row with trailing spaces removed.
  std::string buffer_row(std::int16_t y) {
    std::string text = console().row_text(y);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
};
