// Frame-sized blocks (1600 x 1200 x 2 bytes, one YUY2 frame at the quality
// size) taken from a warm block pool and given back, against malloc and free
// of the same size; and the same with every page touched, as a frame fill
// would, so that the cost of fresh pages from the system shows. Then the
// resident memory around a stall: the frame queue's 121 frames held, let go
// at once, and a minute of streaming at 30 frames a second in pool ticks.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return -1;
}

// Takes `count` frames, fills them, and gives them back in order.
void Stream(std::vector<void*>& frames, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    frames.push_back(SLBufferAllocate(kFrameBytes));
    TouchPages(frames.back());
  }
  for (void* frame : frames) SLBufferDeallocate(frame, kFrameBytes);
  frames.clear();
}

void BM_ResidentAfterStall(benchmark::State& state) {
  constexpr int kTicksPerSecond = 5;  // the pool's 200 ms clock
  constexpr int kFramesPerTick = 6;   // 30 frames a second
  constexpr std::size_t kInFlight = 3;
  std::vector<void*> frames;
  double before = 0, stalled = 0, after = 0;
  for (auto _ : state) {
    for (int tick = 0; tick < 10 * kTicksPerSecond; ++tick) {
      for (int f = 0; f < kFramesPerTick; ++f) Stream(frames, kInFlight);
      SLMemoryTick();
    }
    before = ResidentMiB();
    Stream(frames, 121);  // the consumer stalled: the queue filled, then drained
    stalled = ResidentMiB();
    for (int tick = 0; tick < 60 * kTicksPerSecond; ++tick) {
      for (int f = 0; f < kFramesPerTick; ++f) Stream(frames, kInFlight);
      SLMemoryTick();
    }
    after = ResidentMiB();
    SLMemoryCleanUp();
  }
  state.counters["rss_before_MiB"] = before;
  state.counters["rss_stalled_MiB"] = stalled;
  state.counters["rss_after_MiB"] = after;
  state.counters["rss_left_MiB"] = after - before;
}
BENCHMARK(BM_ResidentAfterStall)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
