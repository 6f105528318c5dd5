// The key wait and the ends of redirected input.
#include <string>

#include "game/chase_game.h"
#include "game/game_flow.h"
#include "tests/game/game_test.h"

TEST_F(GameTest, KeyWaitIdlesBetweenEmptyPolls) {
  // Every idle wait that finds nothing to wake it reaches the starvation handler,
  // which presses "h" on the third.
  int starved = 0;
  console().set_starvation_handler([&] {
    if (++starved == 3) {
      console().type_text("h");
    }
  });
  console().reset_call_counts();

  game_wait_key();

  EXPECT_EQ(chase_game.key_text, "h");
  EXPECT_EQ(starved, 3);
  EXPECT_EQ(console().call_count(ConsoleCall::idle_wait), 3u);
}

TEST_F(GameTest, KeyWaitTakesAWaitingKeyWithoutIdling) {
  console().press_key(ConsoleKey::up);
  console().reset_call_counts();

  game_wait_key();

  EXPECT_EQ(chase_game.key_text, std::string("\0H", 2));
  EXPECT_EQ(console().call_count(ConsoleCall::idle_wait), 0u);
}

TEST_F(GameTest, RedirectedInputEndingBeforeAValidDifficultyEndsTheGame) {
  const char* const scripts[] = {"", "0\n", "abc\n11\n", "\n\n"};
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    restart();
    console().set_input_redirected(true);
    console().feed_stdin(script);

    // No prompt is shown for redirected input, so the screen stays blank.
    expect_exit_screen([] { game_main(0, nullptr); }, screen_report({}, 1, 1));
  }
}

TEST_F(GameTest, RedirectedInputEndingWhileAKeyIsAwaitedEndsTheGame) {
  // The field this clock gives holds barriers above the player and the dog at the
  // start, so nothing moves before the first key.
  const Field field = model_field(GAME_CLOCK_MS, 6);
  ASSERT_EQ(field[9][9], '-');
  ASSERT_EQ(field[1][10], '-');
  console().set_input_redirected(true);
  console().feed_stdin("5\n");

  expect_exit_screen([] { game_main(0, nullptr); },
                     screen_report(board_screen(field, 5, 11, 10), 22, 1));
}
