#pragma once
// A manual-reset event the renderer waits on for a sample's presentation
// time; Stop and flushing set it to cut the wait short. Check is a plain
// read, so the sample path pays nothing when there is no wait.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/wait_timeout.h"

namespace lumicar {

class TDSAMEvent {
 public:
  bool Check() const { return set_.load(std::memory_order_acquire); }
  void Reset() {
    std::lock_guard guard(lock_);
    set_.store(false, std::memory_order_release);
  }
  void SetEv() {
    {
      std::lock_guard guard(lock_);
      set_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
  }
  // True when the event was set within `timeoutMs` (kWaitForever: no limit).
  bool Wait(uint32_t timeoutMs) {
    std::unique_lock guard(lock_);
    auto isSet = [this] { return set_.load(std::memory_order_acquire); };
    if (timeoutMs == kWaitForever) {
      changed_.wait(guard, isSet);
      return true;
    }
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSet);
  }

 private:
  TLeafMutex lock_{"media event flag lock"};  // only the flag for waiters
  std::condition_variable_any changed_;
  std::atomic<bool> set_{false};
};

}  // namespace lumicar
