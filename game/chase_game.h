// The chase game's state and routines.
#pragma once

#include <string>

constexpr int GRID_CELLS = 201; // cell 0 unused, then 10 rows of 20
constexpr float CELL_BARRIER = 45.0f;
constexpr float CELL_GAP = 32.0f;

struct BarrierGrid {
  float cell[GRID_CELLS];
};

struct ChaseGame {
  BarrierGrid grid;
  float difficulty;
  float dog_row;
  float player_row;
  float player_col;
  float dog_col;
  std::string key_text;
};

extern ChaseGame chase_game;

// The program's entry after static initialisation; never returns.
[[noreturn]] void game_main(int argc, char** argv);

void game_wait_key();
void game_new_row();
void game_pursuit_check();
[[noreturn]] void game_finish(const char* first_line, const char* second_line);
void game_place_cursor(float target_row, float target_col);
void game_clear_screen();
void game_draw_board();
void game_erase_markers();
void game_draw_markers();

// For tests: back to the state at process start.
void game_reset();
