#include "buffers/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "buffers/aligned_alloc.h"
#include "buffers/block_buffer.h"
#include "buffers/pool_trim_clock.h"
#include "buffers/sl_exception.h"
#include "buffers/smart_buffer.h"
#include "tests/buffers/buffer_test_support.h"

using namespace lumicar;
using lumicar::test::BufferTest;

namespace {

std::optional<TSLPoolChainState> ChainOf(std::size_t size) {
  for (const TSLPoolChainState& chain : SLMemoryPoolState())
    if (chain.BlockSize == size) return chain;
  return std::nullopt;
}

void* RefusingHeap(std::size_t) { return nullptr; }

// Makes the heap refuse every request while it lives.
class RefusingHeapScope {
 public:
  RefusingHeapScope() {
    previous_ = SLSetHeapFunctions({&RefusingHeap, &std::free});
    SLSetHeapFunctions({&RefusingHeap, previous_.Free});
  }
  ~RefusingHeapScope() { SLSetHeapFunctions(previous_); }

 private:
  SLHeapFunctions previous_;
};

using BlockPool = BufferTest;

}  // namespace

TEST_F(BlockPool, ZeroBytesGiveNullAndNoChain) {
  EXPECT_EQ(SLBufferAllocate(0), nullptr);
  EXPECT_TRUE(SLMemoryPoolState().empty());
}

TEST_F(BlockPool, BlocksAreAlignedAndReusedPerExactSize) {
  void* a = SLBufferAllocate(100);
  void* b = SLBufferAllocate(101);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 32, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 32, 0u);
  ASSERT_TRUE(ChainOf(100));
  EXPECT_EQ(ChainOf(100)->Countdown, 8u);  // no free block when it was taken

  SLBufferDeallocate(a, 100);
  EXPECT_EQ(ChainOf(100)->FreeBlocks, 1u);
  EXPECT_EQ(ChainOf(100)->Countdown, 9u);
  // Another size never gets this block; the same size does.
  void* c = SLBufferAllocate(101);
  EXPECT_NE(c, a);
  EXPECT_EQ(SLBufferAllocate(100), a);
  EXPECT_EQ(ChainOf(100)->FreeBlocks, 0u);

  SLBufferDeallocate(a, 100);
  SLBufferDeallocate(b, 101);
  SLBufferDeallocate(c, 101);
  EXPECT_EQ(ChainOf(101)->FreeBlocks, 2u);
  SLMemoryCleanUp();
  EXPECT_TRUE(SLMemoryPoolState().empty());
}

TEST_F(BlockPool, IdleChainShrinksOneBlockPerTickAfterEightTicks) {
  void* blocks[3] = {SLBufferAllocate(64), SLBufferAllocate(64), SLBufferAllocate(64)};
  for (void* block : blocks) SLBufferDeallocate(block, 64);
  ASSERT_EQ(ChainOf(64)->Countdown, 11u);

  for (int tick = 1; tick <= 8; ++tick) {
    SLMemoryTick();
    EXPECT_EQ(ChainOf(64)->FreeBlocks, 3u) << "tick " << tick;
  }
  SLMemoryTick();
  EXPECT_EQ(ChainOf(64)->FreeBlocks, 2u);
  SLMemoryTick();
  EXPECT_EQ(ChainOf(64)->FreeBlocks, 1u);
  SLMemoryTick();  // countdown reaches 0: the chain goes with its last block
  EXPECT_FALSE(ChainOf(64));
}

TEST_F(BlockPool, SizeInSteadyUseKeepsItsReserve) {
  // A block taken and given back every tick keeps its chain alive for good.
  for (int tick = 0; tick < 30; ++tick) {
    SLBufferDeallocate(SLBufferAllocate(256), 256);
    SLMemoryTick();
  }
  ASSERT_TRUE(ChainOf(256));
  EXPECT_EQ(ChainOf(256)->FreeBlocks, 1u);
  // A chain whose only block is in use disappears when idle; the block comes
  // back into a new chain.
  void* block = SLBufferAllocate(256);
  for (int tick = 0; tick < 9; ++tick) SLMemoryTick();
  EXPECT_FALSE(ChainOf(256));
  SLBufferDeallocate(block, 256);
  EXPECT_EQ(ChainOf(256)->FreeBlocks, 1u);
}

// Counts the heap's allocations while it lives.
class CountingHeapScope {
 public:
  CountingHeapScope() {
    previous_ = SLSetHeapFunctions({&Count, &std::free});
    SLSetHeapFunctions({&Count, previous_.Free});
    allocations = 0;
  }
  ~CountingHeapScope() { SLSetHeapFunctions(previous_); }
  static inline int allocations = 0;

 private:
  static void* Count(std::size_t size) {
    ++allocations;
    return std::malloc(size);
  }
  SLHeapFunctions previous_;
};

// Takes `count` blocks of `size` and gives them back, as a stream does with
// the frames it has in flight.
void Cycle(std::size_t size, int count) {
  std::vector<void*> taken;
  for (int i = 0; i < count; ++i) taken.push_back(SLBufferAllocate(size));
  for (void* block : taken) SLBufferDeallocate(block, size);
}

TEST_F(BlockPool, AfterAStallABusySizeGivesBackWhatItDoesNotTake) {
  constexpr std::size_t kSize = 4096;
  Cycle(kSize, 120);  // a full queue drains at once
  ASSERT_EQ(ChainOf(kSize)->FreeBlocks, 120u);
  std::vector<std::size_t> free;
  for (int tick = 0; tick < 20; ++tick) {
    Cycle(kSize, 3);
    SLMemoryTick();
    free.push_back(ChainOf(kSize)->FreeBlocks);
  }
  // Gone within a couple of seconds of ticks, a little at a time, down to a
  // small reserve above what the stream takes.
  EXPECT_LT(free[10], 12u);
  EXPECT_GE(free.back(), 3u);
  EXPECT_LE(free.back(), 8u);
  for (std::size_t i = 1; i < free.size(); ++i) EXPECT_LE(free[i], free[i - 1]);
}

TEST_F(BlockPool, BlocksAStreamTakesEveryTickAreNeverMadeAgain) {
  constexpr std::size_t kSize = 8192;
  CountingHeapScope heap;
  for (int tick = 0; tick < 50; ++tick) {
    Cycle(kSize, 12);
    SLMemoryTick();
  }
  EXPECT_EQ(CountingHeapScope::allocations, 12);
  EXPECT_EQ(ChainOf(kSize)->FreeBlocks, 12u);
}

TEST_F(BlockPool, RefusedHeapRaisesOutOfMemoryAndPoolStaysUsable) {
  MakeIntf<TSLBlockBuffer>(1u);  // leaves a container-sized block in the pool
  {
    RefusingHeapScope refuse;
    try {
      SLBufferAllocate(4096);
      FAIL() << "no exception";
    } catch (const ESLOutOfMemory& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("Out of memory"));
    }
    // A container whose data block is refused leaves nothing behind.
    EXPECT_THROW((void)new TSLBlockBuffer(5000u), ESLOutOfMemory);
    EXPECT_EQ(_SLCountStores.load(), 0);
  }
  void* block = SLBufferAllocate(4096);
  ASSERT_NE(block, nullptr);
  SLBufferDeallocate(block, 4096);
  EXPECT_EQ(ChainOf(4096)->FreeBlocks, 1u);
}

TEST_F(BlockPool, BlocksInUseCountsWhatIsHandedOutUntilItComesBack) {
  const std::size_t before = SLBlocksInUse();
  void* fresh = SLBufferAllocate(512);
  void* other = SLBufferAllocate(700);
  EXPECT_EQ(SLBlocksInUse(), before + 2);
  SLBufferDeallocate(fresh, 512);
  EXPECT_EQ(SLBlocksInUse(), before + 1);
  // A block taken again from its chain counts like a fresh one.
  EXPECT_EQ(SLBufferAllocate(512), fresh);
  EXPECT_EQ(SLBlocksInUse(), before + 2);
  // Neither trimming nor clean-up touch blocks in use; one whose chain went
  // meanwhile still counts off when it comes back.
  for (int tick = 0; tick < 20; ++tick) SLMemoryTick();
  SLMemoryCleanUp();
  EXPECT_EQ(SLBlocksInUse(), before + 2);
  SLBufferDeallocate(fresh, 512);
  SLBufferDeallocate(other, 700);
  EXPECT_EQ(SLBlocksInUse(), before);
  // Null, empty and refused requests hand nothing out.
  SLBufferDeallocate(nullptr, 512);
  EXPECT_EQ(SLBufferAllocate(0), nullptr);
  {
    RefusingHeapScope refuse;
    EXPECT_THROW(SLBufferAllocate(4096), ESLOutOfMemory);
  }
  EXPECT_EQ(SLBlocksInUse(), before);
}

TEST_F(BlockPool, AlignedHeapBlocks) {
  EXPECT_EQ(_ippMalloc(0), nullptr);
  EXPECT_EQ(_ippMalloc(-5), nullptr);
  _ippFree(nullptr);
  std::vector<void*> blocks;
  for (std::ptrdiff_t size = 1; size < 200; size += 7) {
    auto* p = static_cast<uint8_t*>(_ippMalloc(size));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % SLBlockAlignment, 0u);
    p[0] = 1;
    p[size - 1] = 2;  // the whole requested range is usable
    blocks.push_back(p);
  }
  for (void* p : blocks) _ippFree(p);
}

TEST_F(BlockPool, TrimClockTicksOncePerTimerFiring) {
  SLBufferDeallocate(SLBufferAllocate(32), 32);
  const uint32_t start = ChainOf(32)->Countdown;
  const auto t0 = TSLPoolTrimClock::Clock::time_point{};
  TSLPoolTrimClock clock(t0);
  EXPECT_FALSE(clock.Advance(t0 + std::chrono::milliseconds(90)));
  EXPECT_TRUE(clock.Advance(t0 + std::chrono::milliseconds(199)));
  EXPECT_FALSE(clock.Advance(t0 + std::chrono::milliseconds(250)));  // doubled firing
  EXPECT_TRUE(clock.Advance(t0 + std::chrono::seconds(10)));         // a stall gives one tick
  EXPECT_EQ(ChainOf(32)->Countdown, start - 2);
}

TEST(SmartBufferSizes, AllocationSizeIsPowerOfTwoFromFour) {
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize(0), 4u);
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize(1), 4u);
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize(4), 4u);
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize(5), 8u);
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize((1u << 20) + 1), 1u << 21);
  EXPECT_EQ(TSLSmartBuffer::CalculateAllocationSize(1u << 30), 1u << 30);
  // No block may be smaller than what was asked for.
  EXPECT_THROW(TSLSmartBuffer::CalculateAllocationSize((1u << 30) + 1), ESLException);
}
