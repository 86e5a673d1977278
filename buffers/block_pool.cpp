#include "buffers/block_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <memory>
#include <mutex>

#include "buffers/aligned_alloc.h"
#include "buffers/sl_exception.h"
#include "runtime/sync/critical_section.h"

namespace lumicar {

namespace {

// Free blocks are kept this many ticks beyond their current count, so a size
// in steady use always finds a reserve and an idle size lingers for 1.6 s.
constexpr uint32_t kCountdownReserve = 8;
// A size in steady use keeps at most this many free blocks that it did not
// need for a whole tick. More are left after a stall (a full frame queue
// draining at once): half of the excess goes back at every tick, so a
// few hundred megabytes are back with the system within two seconds, while
// blocks that the stream takes within a tick are never freed and made again.
constexpr std::size_t kBusyReserve = 4;
// Trimming the C heap walks it: worth it only after a frame or more.
[[maybe_unused]] constexpr std::size_t kTrimAfterBytes = std::size_t(1) << 20;

// The free blocks of one exact size.
struct TSLSmartBufferList {
  explicit TSLSmartBufferList(std::size_t size) : BlockSize(size) {}
  TSLSmartBufferList(const TSLSmartBufferList&) = delete;
  TSLSmartBufferList& operator=(const TSLSmartBufferList&) = delete;
  ~TSLSmartBufferList() {
    for (void* block : FreeBlocks) _ippFree(block);
  }

  void ResetCountdown() { Countdown = static_cast<uint32_t>(FreeBlocks.size()) + kCountdownReserve; }

  std::size_t BlockSize;
  std::vector<void*> FreeBlocks;
  uint32_t Countdown = 0;
  // The fewest free blocks since the last tick: that many were not needed.
  std::size_t LowWater = 0;
};

// Owns the size chains and the one lock that guards them.
class TSLSmartBufferManager {
 public:
  void* Allocate(std::size_t size) {
    {
      std::lock_guard lock(lock_);
      TSLSmartBufferList& chain = Chain(size);
      chain.ResetCountdown();
      if (!chain.FreeBlocks.empty()) {
        void* block = chain.FreeBlocks.back();
        chain.FreeBlocks.pop_back();
        chain.LowWater = std::min(chain.LowWater, chain.FreeBlocks.size());
        inUse_.fetch_add(1, std::memory_order_relaxed);
        return block;
      }
    }
    // A fresh block: the heap call needs no pool state, so it runs unlocked.
    void* block = _ippMalloc(static_cast<std::ptrdiff_t>(size));
    if (!block) throw ESLOutOfMemory();
    inUse_.fetch_add(1, std::memory_order_relaxed);
    return block;
  }

  void Deallocate(void* block, std::size_t size) {
    std::lock_guard lock(lock_);
    TSLSmartBufferList& chain = Chain(size);
    chain.FreeBlocks.push_back(block);
    chain.ResetCountdown();
    inUse_.fetch_sub(1, std::memory_order_relaxed);
  }

  void CleanUp() {
    std::vector<std::unique_ptr<TSLSmartBufferList>> chains;
    {
      std::lock_guard lock(lock_);
      chains.swap(chains_);
    }
    // `chains` frees its blocks here, outside the lock.
  }

  // Returns the bytes given back to the heap.
  std::size_t Tick() {
    std::lock_guard lock(lock_);
    std::size_t freed = 0;
    auto freeLast = [&freed](TSLSmartBufferList& chain) {
      _ippFree(chain.FreeBlocks.back());
      chain.FreeBlocks.pop_back();
      freed += chain.BlockSize;
    };
    for (std::size_t i = chains_.size(); i-- > 0;) {
      TSLSmartBufferList& chain = *chains_[i];
      const std::size_t idle = std::min(chain.LowWater, chain.FreeBlocks.size());
      if (idle > kBusyReserve) {
        for (std::size_t n = (idle - kBusyReserve + 1) / 2; n > 0; --n) freeLast(chain);
      }
      if (chain.Countdown > 0) {
        --chain.Countdown;
        while (chain.FreeBlocks.size() > chain.Countdown) freeLast(chain);
      }
      chain.LowWater = chain.FreeBlocks.size();
      if (chain.Countdown == 0) chains_.erase(chains_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return freed;
  }

  std::vector<TSLPoolChainState> State() {
    std::lock_guard lock(lock_);
    std::vector<TSLPoolChainState> state;
    state.reserve(chains_.size());
    for (const auto& chain : chains_) state.push_back({chain->BlockSize, chain->FreeBlocks.size(), chain->Countdown});
    return state;
  }

  std::size_t InUse() const { return inUse_.load(std::memory_order_relaxed); }

 private:
  // The chain for `size`, appended when there is none yet. Few distinct
  // sizes are ever in use, so a linear search is the fastest lookup.
  TSLSmartBufferList& Chain(std::size_t size) {
    for (const auto& chain : chains_)
      if (chain->BlockSize == size) return *chain;
    return *chains_.emplace_back(std::make_unique<TSLSmartBufferList>(size));
  }

  TOWCriticalSection lock_{TLockRank::kBlockPool};
  std::vector<std::unique_ptr<TSLSmartBufferList>> chains_;
  // A counter of its own, so reading it never waits for the chains' lock.
  std::atomic<std::size_t> inUse_{0};
};

// The pool outlives every static object that might still hand a block back
// during shutdown, so it is never destroyed; its free blocks are returned to
// the heap when the program ends normally.
TSLSmartBufferManager& Manager() {
  static TSLSmartBufferManager* manager = [] {
    auto* m = new TSLSmartBufferManager;
    std::atexit([] { SLMemoryCleanUp(); });
    return m;
  }();
  return *manager;
}

}  // namespace

void* SLBufferAllocate(std::size_t size) {
  if (size == 0) return nullptr;
  return Manager().Allocate(size);
}

void SLBufferDeallocate(void* block, std::size_t size) {
  if (!block || size == 0) return;
  Manager().Deallocate(block, size);
}

void SLMemoryCleanUp() { Manager().CleanUp(); }

void SLMemoryTick() {
#if defined(__GLIBC__)
  // The C heap keeps large freed blocks it took from its own arenas rather
  // than from separate mappings; trimming hands whole free pages back, so
  // what the pool gave back leaves the process's resident memory too.
  if (Manager().Tick() >= kTrimAfterBytes) malloc_trim(0);
#else
  Manager().Tick();
#endif
}

std::vector<TSLPoolChainState> SLMemoryPoolState() { return Manager().State(); }

std::size_t SLBlocksInUse() { return Manager().InUse(); }

}  // namespace lumicar
