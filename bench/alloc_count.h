// Heap allocations made by this process so far (every operator new counts).
#pragma once

#include <cstdint>

std::uint64_t alloc_count();
