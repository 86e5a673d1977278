#pragma once
// The sections of TOWLock: read, write, stop and unlock-all. TOWLock's
// interface methods create them; an object whose own ReadLock/WriteLock must
// return a section also when the request was let through creates them directly:
//
//   auto s = MakeIntf<TOWSimpleWriteLockSection>(lock->Instance(), ownerLock);
//   if (s->Locked()) ...   // else: running on without the lock (stop mode)
//
// A section ends on the thread that made it.

#include "runtime/sync/lock.h"
#include "runtime/sync/lock_section.h"

namespace lumicar {

// Waits for the read lock with growing retries; let through while a stop is
// in progress.
class TOWSimpleReadLockSection : public TOWLockSection {
 public:
  explicit TOWSimpleReadLockSection(TOWLock* lock, IOWLock* ownerLock = nullptr);
  ~TOWSimpleReadLockSection() override { End(); }
  bool Locked() const { return locked_; }

 protected:
  void DoEnd() noexcept override;

 private:
  TIntf<IOWLock> lockIntf_;
  TOWLock* lock_;
  bool locked_ = false;
  TIntf<IOWLockSection> unlockSection_;
};

// Common base of the write, stop and unlock-all sections: keeps the lock alive.
class TOWSimpleLockSection : public TOWLockSection {
 public:
  TOWLock* LockInstance() const { return lock_; }

 protected:
  explicit TOWSimpleLockSection(TOWLock* lock) : lockIntf_(lock), lock_(lock) {}
  ~TOWSimpleLockSection() override = default;

  TIntf<IOWLock> lockIntf_;
  TOWLock* lock_;
};

class TOWSimpleWriteLockSection : public TOWSimpleLockSection {
 public:
  explicit TOWSimpleWriteLockSection(TOWLock* lock, IOWLock* ownerLock = nullptr);
  ~TOWSimpleWriteLockSection() override { End(); }
  bool Locked() const { return locked_; }

 protected:
  void DoEnd() noexcept override;

 private:
  bool locked_ = false;
  TIntf<IOWLockSection> unlockSection_;
};

class TOWSimpleStopLockSection : public TOWSimpleLockSection {
 public:
  explicit TOWSimpleStopLockSection(TOWLock* lock);
  ~TOWSimpleStopLockSection() override { End(); }

 protected:
  void DoEnd() noexcept override;
};

class TOWSimpleUnlockSection : public TOWSimpleLockSection {
 public:
  explicit TOWSimpleUnlockSection(TOWLock* lock);
  ~TOWSimpleUnlockSection() override { End(); }
  int32_t SavedCount() const { return savedCount_; }
  int32_t SavedStopCount() const { return savedStopCount_; }

 protected:
  void DoEnd() noexcept override;

 private:
  int32_t savedCount_ = 0;
  int32_t savedStopCount_ = 0;
};

}  // namespace lumicar
