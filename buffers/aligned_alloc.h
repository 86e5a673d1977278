#pragma once
// The heap under the block pool: plain process-heap calls (replaceable so
// that tests can make the heap refuse) and 32-byte aligned blocks on top of
// them, so that vector kernels can load whole rows without split accesses.

#include <cstddef>

namespace lumicar {

// The two heap functions every pool block finally comes from.
struct SLHeapFunctions {
  void* (*Allocate)(std::size_t size);
  void (*Free)(void* block);
};

// Installs other heap functions and returns the previous pair. Only for tests
// that need a refusing heap; call it while no other thread allocates.
SLHeapFunctions SLSetHeapFunctions(SLHeapFunctions functions);

// Process heap, no flags; null when the heap refuses.
void* _malloc(std::size_t size);
void _free(void* block);

// Alignment of every block _ippMalloc returns.
inline constexpr std::size_t SLBlockAlignment = 32;

// A block of `size` bytes at a multiple of 32. Null for size <= 0 or when the
// heap refuses. The heap block's own address is kept just below the result.
void* _ippMalloc(std::ptrdiff_t size);
// Gives a block of _ippMalloc back to the heap; null is ignored.
void _ippFree(void* block);

}  // namespace lumicar
