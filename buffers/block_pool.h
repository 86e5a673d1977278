#pragma once
// The process-wide pool of data blocks, keyed by exact size. A video source
// allocates a frame of the same size at every frame; the pool turns that into
// a list pop and gives idle blocks back to the heap a little at a time.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumicar {

// A 32-byte aligned block of exactly `size` bytes; null for size 0. Raises
// ESLOutOfMemory ("Out of memory") when the heap refuses.
void* SLBufferAllocate(std::size_t size);

// Returns a block to the pool. `size` must be the size it was allocated
// with. Null is ignored.
void SLBufferDeallocate(void* block, std::size_t size);

// Frees every pooled block and forgets every size.
void SLMemoryCleanUp();

// One trimming step; the user-interface thread runs it every
// SLMemoryTickInterval milliseconds (see pool_trim_clock.h).
void SLMemoryTick();

// A snapshot of one size chain, for diagnostics and tests.
struct TSLPoolChainState {
  std::size_t BlockSize;
  std::size_t FreeBlocks;
  uint32_t Countdown;
};
// The chains in pool order.
std::vector<TSLPoolChainState> SLMemoryPoolState();
// Blocks handed out and not yet given back, over all sizes: a frame that is
// never released shows here even while the free chains stay the same.
std::size_t SLBlocksInUse();

}  // namespace lumicar
