// The control handler appends from a thread of its own while the program pumps and
// takes: no code is lost or torn, and a full queue keeps its bound. Run under
// ThreadSanitizer too.
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

#include "input_test.h"

namespace {

using KeyQueueThreadTest = InputTest;

TEST_F(KeyQueueThreadTest, CloseRequestsFromTheHandlerThreadAllArrive) {
  constexpr int requests = 400; // with the program's one outstanding code, below 511
  constexpr int own_codes = 5000;
  key_queue_pump(); // registers the handler, as a running program has
  std::thread handler([] {
    for (int i = 0; i < requests; ++i) {
      console_ctrl_handler(CONTROL_CLOSE);
    }
  });
  std::vector<KeyCode> taken;
  for (KeyCode code = 0; code < own_codes; ++code) {
    key_queue_append(code);
    taken.push_back(key_queue_take());
  }
  handler.join();
  for (const KeyCode code : take_all()) {
    taken.push_back(code);
  }
  EXPECT_EQ(std::count(taken.begin(), taken.end(), KEY_CLOSE_REQUEST), requests);
  std::vector<KeyCode> own;
  std::copy_if(taken.begin(), taken.end(), std::back_inserter(own),
               [](KeyCode code) { return code != KEY_CLOSE_REQUEST; });
  std::vector<KeyCode> expected(own_codes);
  for (KeyCode code = 0; code < own_codes; ++code) {
    expected[static_cast<std::size_t>(code)] = code;
  }
  EXPECT_EQ(own, expected);
}

TEST_F(KeyQueueThreadTest, AFullQueueStaysBoundedUnderContention) {
  constexpr int appends = 20000;
  std::thread handler([] {
    for (int i = 0; i < appends; ++i) {
      console_ctrl_handler(CONTROL_SHUTDOWN);
    }
  });
  for (int i = 0; i < appends; ++i) {
    key_queue_append('a');
  }
  handler.join();
  const std::vector<KeyCode> codes = take_all();
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(KEY_QUEUE_SLOTS - 1));
  EXPECT_TRUE(std::all_of(codes.begin(), codes.end(),
                          [](KeyCode code) { return code == 'a' || code == KEY_CLOSE_REQUEST; }));
}

} // namespace
