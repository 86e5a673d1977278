#pragma once
// The one written lock order, and its checker. Every lock of the program has a
// rank; a thread takes locks in rising rank only. Within one rank a thread may
// hold several locks of that rank (a source and a sink component, two pins),
// and it may always re-enter a lock it already holds. The hierarchy and the
// call-out rule are explained in runtime/sync/LOCKING.md.
//
//   TOWCriticalSection section{TLockRank::kGlobalSection};   // ranked at birth
//   TOWLock pinLock{TLockRank::kFrameworkObject};
//
// With LUMICAR_LOCK_ORDER_CHECK (the sanitizer and thread-sanitizer builds)
// each thread keeps a stack of the ranked locks it holds. Taking a lock whose
// rank is below one already held, unless that pair is declared in
// LUMICAR_LOCK_ORDER_EXCEPTIONS, stops the program with both lock names.
// Release builds compile all of it away.
//
// A leaf lock (TLockRank::kLeaf, usually a TLeafMutex) sits above every rank:
// it may be taken whatever the thread holds, but nothing checked, ranked or
// leaf, may be taken while it is held. Its holder calls nothing that locks.

#include <cstdint>

namespace lumicar {

// X(enumerator, name): lowest rank first; a thread takes them top to bottom.
#define LUMICAR_LOCK_RANKS(X)                                  \
  X(kComponent, "component lock")                              \
  X(kGlobalSection, "framework global section")                \
  X(kFrameworkObject, "pin lock (framework object)")           \
  X(kObjectInner, "framework object's inner critical section") \
  X(kDisplay, "display lock")                                  \
  X(kGraph, "filter graph lock")                               \
  X(kFilter, "filter lock")                                    \
  X(kStreaming, "filter streaming lock")                       \
  X(kAllocator, "allocator lock")                              \
  X(kFrameQueue, "frame queue lock")                           \
  X(kRenderer, "renderer lock")                                \
  X(kBufferContainer, "buffer container lock")                 \
  X(kBlockPool, "block pool lock")                             \
  X(kCameraControl, "camera control lock")                     \
  X(kLockBookkeeping, "a lock's own bookkeeping section")

enum class TLockRank : uint8_t {
  kUnranked = 0,  // not checked: leaf locks private to one class
#define LUMICAR_LOCK_RANK_ENUM(id, name) id,
  LUMICAR_LOCK_RANKS(LUMICAR_LOCK_RANK_ENUM)
#undef LUMICAR_LOCK_RANK_ENUM
      kLeaf,  // above every rank; nothing checked may be taken while it is held
};

// X(held, taken, why): a thread holding `held` may take the lower `taken`.
// Each entry is a documented back-off path, not a licence to deadlock.
#define LUMICAR_LOCK_ORDER_EXCEPTIONS(X)                                                             \
  X(kFrameworkObject, kComponent,                                                                    \
    "a pin lock waits for its component lock with a time-out and gives the component lock up after " \
    "the first 20 ms, so the reversed pair cannot deadlock")

const char* LockRankName(TLockRank rank);

namespace lockorder {

#ifdef LUMICAR_LOCK_ORDER_CHECK
inline constexpr bool kEnabled = true;
// Call before waiting for `lock`: checks the order against what the thread
// holds. `name` (a string literal) names a leaf lock in reports; ranked locks
// are reported by their rank's name.
void Acquiring(TLockRank rank, const void* lock, const char* name = nullptr);
// Call once `lock` is held (after Acquiring, or after a successful try).
void Acquired(TLockRank rank, const void* lock, const char* name = nullptr);
// Call when the thread gives `lock` up (the last level of a recursive lock).
void Released(const void* lock);
// How many ranked locks the calling thread holds (for tests).
int HeldCount();

// Replaces what happens on an inverted pair (default: print both names and
// abort). For tests only; nullptr restores the default.
using TViolationHandler = void (*)(const char* heldName, const char* takenName);
void SetViolationHandler(TViolationHandler handler);
#else
inline constexpr bool kEnabled = false;
inline void Acquiring(TLockRank, const void*, const char* = nullptr) {}
inline void Acquired(TLockRank, const void*, const char* = nullptr) {}
inline void Released(const void*) {}
inline int HeldCount() { return 0; }
#endif

}  // namespace lockorder
}  // namespace lumicar
