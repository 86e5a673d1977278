#pragma once
// The recursive per-object lock of the pin framework and the components, with
// a stop mode and unlock-all. It is only taken and released through lock
// sections (see simple_lock_sections.h):
//
//   TIntf<IOWLock> lock = MakeIntf<TOWLock>();
//   if (TIntf<IOWLockSection> s = lock->WriteLock()) { ...guarded work... }
//   else { ...another thread is stopping the owner: skip the work... }
//
//   TIntf<IOWLockSection> stop = lock->StopLock();     // never blocked by deliverers
//   { auto out = lock->UnlockAll(); CallOut(); }       // drop all levels, restore after
//
// A pin passes its component's lock as `ownerLock`: while the pin lock is
// contended, the waiting thread gives up its hold on that component lock
// after the first 20 ms wait, which breaks pin/component lock-order cycles.
//
// Recursion is kept in counters, per thread: lock levels of the owning
// thread, and "let-throughs" (requests that ran on without the lock because a
// stop was in progress), which are taken back by the thread that made them.

#include <cstdint>
#include <thread>
#include <vector>

#include "runtime/interface.h"
#include "runtime/sync/critical_section.h"
#include "runtime/sync/lock_order.h"
#include "runtime/sync/lock_section.h"
#include "runtime/sync/mutex.h"

namespace lumicar {

class TOWLock;

inline const TGUID IID_IOWLock = TGUID::FromString("{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}");

class IOWLock : public virtual IUnknown {
 public:
  // The held section, or none when the lock was not obtained because another
  // thread is stopping (the caller then runs on without the lock).
  virtual TIntf<IOWLockSection> ReadLock(IOWLock* ownerLock = nullptr) = 0;
  virtual TIntf<IOWLockSection> WriteLock(IOWLock* ownerLock = nullptr) = 0;
  // Always a section.
  virtual TIntf<IOWLockSection> StopLock() = 0;
  virtual TIntf<IOWLockSection> UnlockAll() = 0;
  virtual TOWLock* Instance() = 0;
};

class TOWLock : public TInterfacedObject, public IOWLock {
 public:
  // Retry time-outs of read and write sections: 1, 2, ... kMaxRetryMs ms,
  // then kMaxRetryMs each time.
  static constexpr uint32_t kMaxRetryMs = 20;
  // Slice of the stop lock's unbounded mutex wait.
  static constexpr uint32_t kStopWaitSliceMs = 1000;

  // A rank makes the lock take part in the lock-order check (lock_order.h).
  explicit TOWLock(TLockRank rank = TLockRank::kUnranked) : rank_(rank) {}

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  TIntf<IOWLockSection> ReadLock(IOWLock* ownerLock = nullptr) override;
  TIntf<IOWLockSection> WriteLock(IOWLock* ownerLock = nullptr) override;
  TIntf<IOWLockSection> StopLock() override;
  TIntf<IOWLockSection> UnlockAll() override;
  TOWLock* Instance() override { return this; }

  // Low-level operations used by the sections. Reading and writing exclude
  // each other in the same way.
  bool BeginRead(uint32_t timeoutMs) { return BeginWrite(timeoutMs); }
  // True when the calling thread now holds one more level: at once when it
  // already owns the lock; false at once while a stop is in progress;
  // otherwise after waiting up to timeoutMs for the mutex.
  bool BeginWrite(uint32_t timeoutMs);
  void EndRead() { EndWrite(); }
  // Takes back one level of the calling thread (a let-through or a lock
  // level); the mutex is released when the owner has none left.
  void EndWrite();
  // Marks a stop and obtains the lock, waiting without limit.
  void BeginStop();
  void EndStop();
  // When a stop is in progress, records one let-through for the calling
  // thread and returns true; otherwise false.
  bool LetThrough();
  // The levels the calling thread gives up in an unlock-all section.
  struct TSavedLevels {
    int32_t count = 0;
    int32_t stopCount = 0;
  };
  TSavedLevels IntUnlockAll();
  // Gives saved levels back to the calling thread, waiting for the lock, or
  // as let-throughs when a stop is in progress.
  void IntBeginWrite(int32_t count, int32_t stopCount);
  void IntLock() { critSect_.Enter(); }
  void IntUnlock() { critSect_.Leave(); }

  // Snapshots, for diagnostics and tests.
  int32_t LockCount();
  int32_t StopLockCount();
  int32_t OwnerStopLockCount();
  int32_t InStopCount();
  std::thread::id OwningThread();
  // Let-throughs the calling thread holds.
  int32_t ThreadLetThroughs();
  // No owner, no let-through, no stop.
  bool IsFree();
  // Threads waiting for the lock's mutex (for tests that must know a thread
  // really waits).
  int WaiterCount() const { return mutex_.WaiterCount(); }

 protected:
  ~TOWLock() override = default;

 private:
  struct TLetThrough {
    std::thread::id thread;
    int32_t count;
  };
  // All below under critSect_.
  void TakeBackOneLevel(std::thread::id self);
  void AddLetThroughs(std::thread::id self, int32_t n);
  int32_t TakeLetThroughs(std::thread::id self, int32_t n);
  int32_t LetThroughsOf(std::thread::id self) const;

  TOWCriticalSection critSect_{TLockRank::kLockBookkeeping};
  // Let-throughs of threads other than the owner (total of letThroughs_).
  int32_t stopLockCount_ = 0;
  // Let-throughs of the owning thread made while it owned the lock.
  int32_t ownerStopLockCount_ = 0;
  int32_t lockCount_ = 0;
  int32_t inStopCount_ = 0;
  std::thread::id owningThread_;
  TOWMutex mutex_;
  std::vector<TLetThrough> letThroughs_;
  const TLockRank rank_;
};

}  // namespace lumicar
