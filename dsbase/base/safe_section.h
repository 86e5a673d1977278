#pragma once
// The lock of a filter (shared by its pins) and the streaming lock of
// transform filters and renderers: a recursive section with Enter and
// Leave, ranked so that the lock-order check sees filter before streaming.

#include "runtime/sync/critical_section.h"

namespace lumicar {

class TVLSafeSection {
 public:
  explicit TVLSafeSection(TLockRank rank) : section_(rank) {}
  TVLSafeSection(const TVLSafeSection&) = delete;
  TVLSafeSection& operator=(const TVLSafeSection&) = delete;

  void Enter() { section_.Enter(); }
  void Leave() { section_.Leave(); }
  void lock() { Enter(); }
  void unlock() { Leave(); }
  TLockRank Rank() const { return section_.Rank(); }

 private:
  TOWCriticalSection section_;  // recursive: state changes re-enter (Run → Pause)
};

}  // namespace lumicar
