// Start-up, shut-down and the runtime error number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/rt_files.h"

// Runtime error numbers.
constexpr std::int32_t RT_OK = 0;
constexpr std::int32_t RT_ERROR_ARGUMENT = 1; // invalid target or argument
constexpr std::int32_t RT_ERROR_TRANSFER = 3; // numbered-file transfer failed
constexpr std::int32_t RT_ERROR_NO_TEXT = 4;  // no text value for a typed line

// State block indexes handed out by rt_state_block.
constexpr int RT_BLOCK_ERROR = 0;
constexpr int RT_BLOCK_INPUT = 2;
constexpr int RT_BLOCK_COUNT = 5;

struct RuntimeErrorState {
  std::int32_t error_number;
};

struct RuntimeContext {
  std::int32_t argc;
  char** argv;
  void* state_blocks[RT_BLOCK_COUNT];
  FileTable files;
  std::int32_t dialect;
};

// The process-wide context; cleared by the first rt_static_init.
extern RuntimeContext rt_context;

// Counts rt_static_init calls not yet matched by rt_static_exit.
extern std::int32_t rt_init_count;

// Static initialisation's runtime step: clears the context and sets the
// floating-point environment (round to nearest, ties to even) on the step from 0 to 1.
void rt_static_init();
// The exit handler matching rt_static_init; closes open numbered files on the step
// from 1 to 0.
void rt_static_exit();
// Records the program's arguments and dialect.
void rt_init(std::int32_t argc, char** argv, std::int32_t dialect);
// Ends the program through exit(), so every exit handler runs, newest first.
[[noreturn]] void rt_end(std::int32_t exit_code);

// Stores the runtime error number and returns it.
std::int32_t rt_set_error(std::int32_t error_number);
std::int32_t rt_get_error();

// The zero-filled record for index (0 to RT_BLOCK_COUNT - 1), created with size bytes
// on its first request and kept until the process ends. nullptr for any other index,
// or when the memory cannot be obtained (the next request tries again).
void* rt_state_block(int index, std::size_t size);

// For tests: back to the state at process start (context, counter, state blocks).
void rt_reset();
