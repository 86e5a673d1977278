#pragma once
// Paces the block pool's trimming tick from whatever timer the user-interface
// thread offers, without tying the pool to a particular event loop.

#include <chrono>

#include "buffers/block_pool.h"

namespace lumicar {

// The pool's trimming period.
inline constexpr std::chrono::milliseconds SLMemoryTickInterval{200};

// Call Advance from a timer of about SLMemoryTickInterval on the
// user-interface thread. It runs SLMemoryTick once per firing, except that a
// firing within half an interval of the last tick (a doubled or badly early
// timer) does nothing, and a late one (the thread was busy)
// runs a single tick, as a coalesced timer message would, so a stall never
// strips a pool that was in use all along.
class TSLPoolTrimClock {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TSLPoolTrimClock(Clock::time_point start = Clock::now()) : last_(start) {}

  // Returns whether a tick ran.
  bool Advance(Clock::time_point now = Clock::now()) {
    if (now - last_ < SLMemoryTickInterval / 2) return false;
    last_ = now;
    SLMemoryTick();
    return true;
  }

 private:
  Clock::time_point last_;
};

}  // namespace lumicar
