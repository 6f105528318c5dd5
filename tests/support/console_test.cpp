// The base fixture.
#include "tests/support/console_test.h"

#include "platform/console_platform.h"
#include "runtime/rnd.h"
#include "runtime/rt_context.h"
#include "runtime/timer.h"

namespace {

void reset_runtime_records() {
  rt_reset();
  timer_reset();
  rnd_reset();
}

} // namespace

ConsoleStarved::ConsoleStarved()
    : std::runtime_error("the code under test waits for console input that the test's "
                         "script never supplies") {}

void ConsoleTest::SetUp() {
  use_console(80, 25);
  reset_runtime_records();
}

void ConsoleTest::TearDown() {
  platform_install(nullptr);
  reset_runtime_records();
}

MemoryConsole& ConsoleTest::console() {
  return *console_;
}

void ConsoleTest::use_console(std::int16_t width, std::int16_t height) {
  auto fresh = std::make_unique<MemoryConsole>(width, height);
  fresh->set_starvation_handler([] { throw ConsoleStarved(); });
  platform_install(fresh.get());
  console_ = std::move(fresh);
}

std::vector<std::string> ConsoleTest::screen() const {
  return console_->window_lines();
}

std::string ConsoleTest::screen_row(int row) const {
  return console_->window_row(row);
}

ScreenCursor ConsoleTest::cursor() const {
  const ConsoleCoord cell = console_->cursor();
  const ConsoleRect window = console_->window();
  return {cell.y - window.top + 1, cell.x - window.left + 1};
}

std::vector<std::string> ConsoleTest::screen_with(std::vector<std::string> rows) const {
  const ConsoleRect window = console_->window();
  const int height = window.bottom - window.top + 1;
  rows.resize(static_cast<std::size_t>(height));
  return rows;
}
