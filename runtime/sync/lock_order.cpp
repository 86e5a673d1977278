#include "runtime/sync/lock_order.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace lumicar {

namespace {
constexpr const char* kRankNames[] = {"unranked lock",
#define LUMICAR_LOCK_RANK_NAME(id, name) name,
                                      LUMICAR_LOCK_RANKS(LUMICAR_LOCK_RANK_NAME)
#undef LUMICAR_LOCK_RANK_NAME
                                          "leaf lock"};
#define LUMICAR_LOCK_RANK_COUNT(id, name) +1
static_assert(std::size(kRankNames) == 2 LUMICAR_LOCK_RANKS(LUMICAR_LOCK_RANK_COUNT), "one name per lock rank");
static_assert(static_cast<size_t>(TLockRank::kLeaf) + 1 == std::size(kRankNames), "the leaf kind comes last");
#undef LUMICAR_LOCK_RANK_COUNT
}  // namespace

const char* LockRankName(TLockRank rank) {
  const auto index = static_cast<size_t>(rank);
  return index < std::size(kRankNames) ? kRankNames[index] : "unknown lock";
}

#ifdef LUMICAR_LOCK_ORDER_CHECK
namespace lockorder {
namespace {

struct THeld {
  const void* lock;
  TLockRank rank;
  const char* name;  // a leaf's own name, or null
};

// Deep enough for every real path; a deeper stack stops being checked rather
// than growing (the checker must not allocate under the locks it watches).
constexpr int kMaxHeld = 64;

struct TThreadLocks {
  std::array<THeld, kMaxHeld> held{};
  int count = 0;
  bool overflowed = false;
};

thread_local TThreadLocks threadLocks;

std::atomic<TViolationHandler> violationHandler{nullptr};

bool IsDeclaredException(TLockRank held, TLockRank taken) {
#define LUMICAR_LOCK_EXCEPTION_MATCH(h, t, why) \
  if (held == TLockRank::h && taken == TLockRank::t) return true;
  LUMICAR_LOCK_ORDER_EXCEPTIONS(LUMICAR_LOCK_EXCEPTION_MATCH)
#undef LUMICAR_LOCK_EXCEPTION_MATCH
  return false;
}

const char* NameOf(TLockRank rank, const char* name) { return name ? name : LockRankName(rank); }

bool Inverted(TLockRank held, TLockRank taken) {
  // Nothing checked is taken under a leaf, not even another leaf.
  if (held == TLockRank::kLeaf) return true;
  return held > taken && !IsDeclaredException(held, taken);
}

}  // namespace

void Acquiring(TLockRank rank, const void* lock, const char* name) {
  if (rank == TLockRank::kUnranked) return;
  const TThreadLocks& mine = threadLocks;
  for (int i = 0; i < mine.count; ++i) {
    if (mine.held[i].lock == lock) return;  // re-entering a held lock never waits
  }
  for (int i = 0; i < mine.count; ++i) {
    const THeld& held = mine.held[i];
    if (Inverted(held.rank, rank)) {
      const char* heldName = NameOf(held.rank, held.name);
      const char* takenName = NameOf(rank, name);
      if (TViolationHandler handler = violationHandler.load()) {
        handler(heldName, takenName);
        return;
      }
      std::fprintf(stderr, "lock order violated: taking the %s while holding the %s (see runtime/sync/LOCKING.md)\n",
                   takenName, heldName);
      std::fflush(stderr);
      std::abort();
    }
  }
}

void Acquired(TLockRank rank, const void* lock, const char* name) {
  if (rank == TLockRank::kUnranked) return;
  TThreadLocks& mine = threadLocks;
  if (mine.count == kMaxHeld) {
    mine.overflowed = true;
    return;
  }
  mine.held[mine.count++] = {lock, rank, name};
}

void Released(const void* lock) {
  TThreadLocks& mine = threadLocks;
  for (int i = mine.count - 1; i >= 0; --i) {
    if (mine.held[i].lock == lock) {
      for (int j = i; j + 1 < mine.count; ++j) mine.held[j] = mine.held[j + 1];
      --mine.count;
      return;
    }
  }
}

int HeldCount() { return threadLocks.count; }

void SetViolationHandler(TViolationHandler handler) { violationHandler.store(handler); }

}  // namespace lockorder
#endif

}  // namespace lumicar
