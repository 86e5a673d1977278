#include "buffers/aligned_alloc.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace lumicar {

namespace {

void* SystemAllocate(std::size_t size) { return std::malloc(size); }
void SystemFree(void* block) { std::free(block); }

std::atomic<void* (*)(std::size_t)> heapAllocate{&SystemAllocate};
std::atomic<void (*)(void*)> heapFree{&SystemFree};

// Room for the stored heap address plus the worst-case step to the next
// 32-byte boundary.
constexpr std::size_t kOverhead = SLBlockAlignment + sizeof(void*);

}  // namespace

SLHeapFunctions SLSetHeapFunctions(SLHeapFunctions functions) {
  SLHeapFunctions previous{heapAllocate.exchange(functions.Allocate), heapFree.exchange(functions.Free)};
  return previous;
}

void* _malloc(std::size_t size) { return heapAllocate.load(std::memory_order_relaxed)(size); }
void _free(void* block) { heapFree.load(std::memory_order_relaxed)(block); }

void* _ippMalloc(std::ptrdiff_t size) {
  if (size <= 0 || static_cast<std::size_t>(size) > std::numeric_limits<std::size_t>::max() - kOverhead) return nullptr;
  void* heapBlock = _malloc(static_cast<std::size_t>(size) + kOverhead);
  if (!heapBlock) return nullptr;
  // Smallest multiple of 32 that leaves room for the heap address below it.
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(heapBlock);
  const std::uintptr_t aligned = (start + sizeof(void*) + SLBlockAlignment - 1) & ~std::uintptr_t(SLBlockAlignment - 1);
  std::memcpy(reinterpret_cast<void*>(aligned - sizeof(void*)), &heapBlock, sizeof(void*));
  return reinterpret_cast<void*>(aligned);
}

void _ippFree(void* block) {
  if (!block) return;
  void* heapBlock;
  std::memcpy(&heapBlock, static_cast<char*>(block) - sizeof(void*), sizeof(void*));
  _free(heapBlock);
}

}  // namespace lumicar
