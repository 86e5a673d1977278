// Frame-sized blocks (1600 x 1200 x 2 bytes, one YUY2 frame at the quality
// size) taken from a warm block pool and given back, against malloc and free
// of the same size; and the same with every page touched, as a frame fill
// would, so that the cost of fresh pages from the system shows.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "buffers/block_buffer.h"
#include "buffers/block_pool.h"

namespace {

using namespace lumicar;

constexpr std::size_t kFrameBytes = 1600 * 1200 * 2;
constexpr std::size_t kPage = 4096;

void TouchPages(void* block) {
  auto* p = static_cast<volatile char*>(block);
  for (std::size_t i = 0; i < kFrameBytes; i += kPage) p[i] = 1;
}

void BM_PoolAllocate(benchmark::State& state) {
  SLBufferDeallocate(SLBufferAllocate(kFrameBytes), kFrameBytes);  // warm
  for (auto _ : state) {
    void* block = SLBufferAllocate(kFrameBytes);
    benchmark::DoNotOptimize(block);
    SLBufferDeallocate(block, kFrameBytes);
  }
  SLMemoryCleanUp();
}
BENCHMARK(BM_PoolAllocate);

void BM_MallocFree(benchmark::State& state) {
  for (auto _ : state) {
    void* block = std::malloc(kFrameBytes);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}
BENCHMARK(BM_MallocFree);

void BM_PoolAllocateTouched(benchmark::State& state) {
  SLBufferDeallocate(SLBufferAllocate(kFrameBytes), kFrameBytes);
  for (auto _ : state) {
    void* block = SLBufferAllocate(kFrameBytes);
    TouchPages(block);
    SLBufferDeallocate(block, kFrameBytes);
  }
  SLMemoryCleanUp();
}
BENCHMARK(BM_PoolAllocateTouched);

void BM_MallocFreeTouched(benchmark::State& state) {
  for (auto _ : state) {
    void* block = std::malloc(kFrameBytes);
    TouchPages(block);
    std::free(block);
  }
}
BENCHMARK(BM_MallocFreeTouched);

// A whole frame handle: container object and data block both from the pool.
void BM_BlockBufferHandle(benchmark::State& state) {
  { MakeIntf<TSLBlockBuffer>(uint32_t(kFrameBytes)); }
  for (auto _ : state) {
    auto frame = MakeIntf<TSLBlockBuffer>(uint32_t(kFrameBytes));
    benchmark::DoNotOptimize(frame->Write());
  }
  SLMemoryCleanUp();
}
BENCHMARK(BM_BlockBufferHandle);

}  // namespace
