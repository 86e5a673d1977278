#pragma once
// A plain mutex that the lock-order checker knows as a leaf: it may be taken
// whatever the thread already holds, and while it is held the thread takes no
// other checked lock (lock_order.h). Use it for short guards of a class's own
// fields; a guard that must call out while held needs a rank instead.
//
//   mutable TLeafMutex lock_{"sample grabber lock"};
//   std::lock_guard guard(lock_);
//
// It is BasicLockable and Lockable, so std::lock_guard and std::unique_lock
// work; wait on it with std::condition_variable_any, which releases and takes
// it again through the same calls and so keeps the checker's view right.

#include <mutex>
#include <shared_mutex>

#include "runtime/sync/lock_order.h"

namespace lumicar {

template <typename Mutex>
class TBasicLeafMutex {
 public:
  // `name` must be a string literal: the checker keeps the pointer.
  explicit constexpr TBasicLeafMutex(const char* name) : name_(name) {}
  TBasicLeafMutex(const TBasicLeafMutex&) = delete;
  TBasicLeafMutex& operator=(const TBasicLeafMutex&) = delete;

  void lock() {
    lockorder::Acquiring(TLockRank::kLeaf, this, name_);
    mutex_.lock();
    lockorder::Acquired(TLockRank::kLeaf, this, name_);
  }
  bool try_lock() {
    if (!mutex_.try_lock()) return false;
    lockorder::Acquired(TLockRank::kLeaf, this, name_);
    return true;
  }
  void unlock() {
    lockorder::Released(this);
    mutex_.unlock();
  }
  // Shared ownership (std::shared_lock) where the mutex has it.
  void lock_shared() requires requires(Mutex& m) { m.lock_shared(); }
  {
    lockorder::Acquiring(TLockRank::kLeaf, this, name_);
    mutex_.lock_shared();
    lockorder::Acquired(TLockRank::kLeaf, this, name_);
  }
  void unlock_shared() requires requires(Mutex& m) { m.unlock_shared(); }
  {
    lockorder::Released(this);
    mutex_.unlock_shared();
  }
  const char* Name() const { return name_; }

 private:
  Mutex mutex_;
  const char* name_;
};

using TLeafMutex = TBasicLeafMutex<std::mutex>;
// For a registry read far more often than it is written.
using TLeafSharedMutex = TBasicLeafMutex<std::shared_mutex>;

}  // namespace lumicar
