#include "runtime/sync/lock.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "runtime/sync/simple_lock_sections.h"

// Accounting. The owning thread's levels are lock levels (lockCount_); a
// request that a stop lets through without the lock becomes a let-through of
// the requesting thread. Each thread takes back only its own levels: the
// owner its lock levels, any thread its own let-throughs. The mutex is held
// exactly while there is an owning thread.

namespace lumicar {

HRESULT TOWLock::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IOWLock) {
    *object = static_cast<IOWLock*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

TIntf<IOWLockSection> TOWLock::ReadLock(IOWLock* ownerLock) {
  TIntf<TOWSimpleReadLockSection> section = MakeIntf<TOWSimpleReadLockSection>(this, ownerLock);
  // A let-through section is dropped here, which takes the let-through back.
  if (!section->Locked()) return {};
  return section;
}

TIntf<IOWLockSection> TOWLock::WriteLock(IOWLock* ownerLock) {
  TIntf<TOWSimpleWriteLockSection> section = MakeIntf<TOWSimpleWriteLockSection>(this, ownerLock);
  if (!section->Locked()) return {};
  return section;
}

TIntf<IOWLockSection> TOWLock::StopLock() { return MakeIntf<TOWSimpleStopLockSection>(this); }

TIntf<IOWLockSection> TOWLock::UnlockAll() { return MakeIntf<TOWSimpleUnlockSection>(this); }

bool TOWLock::BeginWrite(uint32_t timeoutMs) {
  const std::thread::id self = std::this_thread::get_id();
  {
    std::lock_guard guard(critSect_);
    // An owning thread always has lock levels or owner let-throughs, and it
    // holds the mutex in either case: re-entering never waits.
    if (owningThread_ == self) {
      ++lockCount_;
      return true;
    }
    if (inStopCount_ > 0) return false;
  }
  lockorder::Acquiring(rank_, this);
  if (!mutex_.Acquire(timeoutMs)) return false;
  lockorder::Acquired(rank_, this);
  std::lock_guard guard(critSect_);
  owningThread_ = self;
  ++lockCount_;
  return true;
}

void TOWLock::EndWrite() {
  std::lock_guard guard(critSect_);
  TakeBackOneLevel(std::this_thread::get_id());
}

void TOWLock::BeginStop() {
  const std::thread::id self = std::this_thread::get_id();
  {
    std::lock_guard guard(critSect_);
    if (owningThread_ == self) {
      ++lockCount_;
      ++inStopCount_;
      return;
    }
    // Marked before the wait, so that the threads now delivering stop
    // waiting for the lock and run through; that lets the owner finish.
    ++inStopCount_;
  }
  lockorder::Acquiring(rank_, this);
  while (!mutex_.Acquire(kStopWaitSliceMs)) {
  }
  lockorder::Acquired(rank_, this);
  std::lock_guard guard(critSect_);
  owningThread_ = self;
  ++lockCount_;
  // The pending mark becomes the held stop.
}

void TOWLock::EndStop() {
  std::lock_guard guard(critSect_);
  --inStopCount_;
  TakeBackOneLevel(std::this_thread::get_id());
}

bool TOWLock::LetThrough() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard guard(critSect_);
  if (inStopCount_ <= 0) return false;
  if (owningThread_ == self) {
    ++ownerStopLockCount_;
  } else {
    AddLetThroughs(self, 1);
  }
  return true;
}

TOWLock::TSavedLevels TOWLock::IntUnlockAll() {
  const std::thread::id self = std::this_thread::get_id();
  TSavedLevels saved;
  std::lock_guard guard(critSect_);
  if (owningThread_ != std::thread::id() && owningThread_ != self) return saved;
  if (owningThread_ == self) {
    saved.count = lockCount_ + ownerStopLockCount_;
    lockCount_ = 0;
    ownerStopLockCount_ = 0;
    owningThread_ = std::thread::id();
    lockorder::Released(this);
    mutex_.Release();
  }
  saved.stopCount = TakeLetThroughs(self, std::numeric_limits<int32_t>::max());
  return saved;
}

void TOWLock::IntBeginWrite(int32_t count, int32_t stopCount) {
  const std::thread::id self = std::this_thread::get_id();
  if (count == 0) {
    // Only let-throughs to give back: they never needed the mutex.
    if (stopCount > 0) {
      std::lock_guard guard(critSect_);
      AddLetThroughs(self, stopCount);
    }
    return;
  }
  for (;;) {
    if (BeginWrite(1)) {
      std::lock_guard guard(critSect_);
      lockCount_ += count - 1;
      AddLetThroughs(self, stopCount);
      return;
    }
    std::lock_guard guard(critSect_);
    if (inStopCount_ > 0) {
      if (owningThread_ == self) {
        ownerStopLockCount_ += count;
      } else {
        AddLetThroughs(self, count);
      }
      AddLetThroughs(self, stopCount);
      return;
    }
  }
}

void TOWLock::TakeBackOneLevel(std::thread::id self) {
  if (owningThread_ != self) {
    TakeLetThroughs(self, 1);
    return;
  }
  if (ownerStopLockCount_ > 0) {
    --ownerStopLockCount_;
  } else if (lockCount_ > 0) {
    --lockCount_;
  } else {
    TakeLetThroughs(self, 1);
  }
  if (lockCount_ == 0 && ownerStopLockCount_ == 0) {
    owningThread_ = std::thread::id();
    lockorder::Released(this);
    mutex_.Release();
  }
}

void TOWLock::AddLetThroughs(std::thread::id self, int32_t n) {
  if (n <= 0) return;
  stopLockCount_ += n;
  for (TLetThrough& entry : letThroughs_) {
    if (entry.thread == self) {
      entry.count += n;
      return;
    }
  }
  letThroughs_.push_back({self, n});
}

int32_t TOWLock::TakeLetThroughs(std::thread::id self, int32_t n) {
  auto it = std::find_if(letThroughs_.begin(), letThroughs_.end(),
                         [self](const TLetThrough& entry) { return entry.thread == self; });
  if (it == letThroughs_.end()) return 0;
  const int32_t taken = std::min(n, it->count);
  it->count -= taken;
  stopLockCount_ -= taken;
  if (it->count == 0) letThroughs_.erase(it);
  return taken;
}

int32_t TOWLock::LetThroughsOf(std::thread::id self) const {
  for (const TLetThrough& entry : letThroughs_) {
    if (entry.thread == self) return entry.count;
  }
  return 0;
}

int32_t TOWLock::LockCount() {
  std::lock_guard guard(critSect_);
  return lockCount_;
}

int32_t TOWLock::StopLockCount() {
  std::lock_guard guard(critSect_);
  return stopLockCount_;
}

int32_t TOWLock::OwnerStopLockCount() {
  std::lock_guard guard(critSect_);
  return ownerStopLockCount_;
}

int32_t TOWLock::InStopCount() {
  std::lock_guard guard(critSect_);
  return inStopCount_;
}

std::thread::id TOWLock::OwningThread() {
  std::lock_guard guard(critSect_);
  return owningThread_;
}

int32_t TOWLock::ThreadLetThroughs() {
  std::lock_guard guard(critSect_);
  return LetThroughsOf(std::this_thread::get_id());
}

bool TOWLock::IsFree() {
  std::lock_guard guard(critSect_);
  return owningThread_ == std::thread::id() && lockCount_ == 0 && ownerStopLockCount_ == 0 && stopLockCount_ == 0 &&
         inStopCount_ == 0;
}

}  // namespace lumicar
