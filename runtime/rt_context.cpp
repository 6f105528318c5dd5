#include "runtime/rt_context.h"

#include <cfenv>
#include <cstdlib>

RuntimeContext rt_context{};
std::int32_t rt_init_count = 0;

namespace {

void set_float_environment() {
  // Round to nearest, ties to even: every conversion of a game quantity to an integer
  // that sets no rounding of its own then turns 2.5 into 2 and 3.5 into 4. The
  // exception masks stay as the process start left them (all masked), so an overflow
  // gives an infinity, an invalid operation a NaN, and nothing traps.
  //
  // SSE arithmetic has no precision field to widen. The nearest to a 64-bit
  // significand for intermediate results is what the game does anyway: it carries
  // out its arithmetic in double and rounds to float only when it stores.
  std::fesetround(FE_TONEAREST);
}

// The runtime is ready before the game's first statement, and its exit step is
// registered right after it, before anything else of this system registers one: exit
// handlers run newest first, so rt_static_exit runs last. The destructor is trivial,
// so the object adds no exit handler of its own.
struct StaticStart {
  StaticStart() {
    rt_static_init();
    std::atexit(rt_static_exit);
  }
};

const StaticStart static_start;

} // namespace

void rt_static_init() {
  if (rt_init_count++ != 0) {
    return;
  }
  rt_context = RuntimeContext{};
  set_float_environment();
}

void rt_static_exit() {
  if (--rt_init_count != 0) {
    return;
  }
  // The console (file 0) stays open: output may still be flushed after this step.
  rt_files_close_all();
}

void rt_init(std::int32_t argc, char** argv, std::int32_t dialect) {
  rt_context.argc = argc;
  rt_context.argv = argv;
  rt_context.dialect = dialect;
}

void rt_end(std::int32_t exit_code) {
  std::exit(exit_code);
}

std::int32_t rt_set_error(std::int32_t error_number) {
  auto* state =
      static_cast<RuntimeErrorState*>(rt_state_block(RT_BLOCK_ERROR, sizeof(RuntimeErrorState)));
  // Without memory for the record the number is still returned; the caller carries on.
  if (state != nullptr) {
    state->error_number = error_number;
  }
  return error_number;
}

std::int32_t rt_get_error() {
  const auto* state =
      static_cast<RuntimeErrorState*>(rt_state_block(RT_BLOCK_ERROR, sizeof(RuntimeErrorState)));
  return state != nullptr ? state->error_number : RT_OK;
}

void* rt_state_block(int index, std::size_t size) {
  if (index < 0 || index >= RT_BLOCK_COUNT) {
    return nullptr;
  }
  void*& block = rt_context.state_blocks[index];
  if (block == nullptr) {
    // Never released: the record lives until the process ends. A failed allocation
    // leaves the slot empty, so the next request tries again.
    block = std::calloc(1, size);
  }
  return block;
}

void rt_reset() {
  for (void* block : rt_context.state_blocks) {
    std::free(block);
  }
  rt_context = RuntimeContext{};
  rt_init_count = 0;
}
