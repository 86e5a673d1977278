#pragma once
// A recursive in-process lock for short critical regions: the thread that
// holds it may enter it again and must leave it as often as it entered. A
// section given a rank takes part in the lock-order check (lock_order.h).

#include <mutex>

#include "runtime/sync/lock_order.h"

namespace lumicar {

class TOWCriticalSection {
 public:
  // `name` (a string literal) names a leaf section in lock-order reports.
  explicit TOWCriticalSection(TLockRank rank = TLockRank::kUnranked, const char* name = nullptr)
      : rank_(rank), name_(name) {}
  TOWCriticalSection(const TOWCriticalSection&) = delete;
  TOWCriticalSection& operator=(const TOWCriticalSection&) = delete;

  void Enter() {
    lockorder::Acquiring(rank_, this, name_);
    mutex_.lock();
    lockorder::Acquired(rank_, this, name_);
  }
  bool TryEnter() {
    if (!mutex_.try_lock()) return false;
    lockorder::Acquired(rank_, this, name_);
    return true;
  }
  void Leave() {
    lockorder::Released(this);
    mutex_.unlock();
  }
  TLockRank Rank() const { return rank_; }

  // Standard lockable names, so that std::lock_guard and std::unique_lock work.
  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
  TLockRank rank_;
  const char* name_;
};

}  // namespace lumicar
