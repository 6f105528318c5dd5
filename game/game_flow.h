// The stages of game_main, so that tests and benchmarks can run them one at a time.
#pragma once

// Starts the runtime with the program's arguments and seeds the random generator
// from the timer.
void game_start(int argc, char** argv);

// Asks for the difficulty until one from 1 to 10 is typed and stores it in
// chase_game.difficulty. Ends the program (status 0) when redirected standard input
// runs out first.
void game_ask_difficulty();

// From a stored typed difficulty: the starting positions, the ten barrier rows and
// the board on a cleared screen.
void game_set_up();

// One pass of the turn loop: pursuit check, key wait, move, redraw. Ends the program
// on the quit key, an ending, or the end of redirected input while a key is awaited.
void game_turn();
