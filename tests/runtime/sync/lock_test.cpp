// Single-thread behaviour of the recursive lock and its sections: counting,
// unlock-all, stop sections of the owner, and sections ending exactly once.

#include "runtime/sync/lock.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/sync/simple_lock_sections.h"

using namespace lumicar;

namespace {

TIntf<TOWLock> NewLock() { return MakeIntf<TOWLock>(); }

}  // namespace

TEST(Lock, RecursionIsCountedAndFreedAfterTheLastSection) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> w1 = lock->WriteLock();
  TIntf<IOWLockSection> w2 = lock->WriteLock();
  TIntf<IOWLockSection> r = lock->ReadLock();
  ASSERT_TRUE(w1 && w2 && r);
  EXPECT_EQ(lock->LockCount(), 3);
  EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  // Out of creation order on purpose: the levels belong to the thread.
  w1.reset();
  EXPECT_EQ(lock->LockCount(), 2);
  r.reset();
  EXPECT_FALSE(lock->IsFree());
  w2.reset();
  EXPECT_TRUE(lock->IsFree());
  EXPECT_EQ(lock->OwningThread(), std::thread::id());
}

TEST(Lock, QueryAndInstance) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLock> intf = QueryIntf<IOWLock>(lock.get(), IID_IOWLock);
  ASSERT_TRUE(intf);
  EXPECT_EQ(intf->Instance(), lock.get());
  TIntf<IOWLockSection> s = intf->WriteLock();
  EXPECT_TRUE(QueryIntf<IOWLockSection>(s.get(), IID_IOWLockSection));
  EXPECT_FALSE(QueryIntf<IOWLock>(s.get(), IID_IOWLock));
}

TEST(Lock, SectionKeepsTheLockAlive) {
  TIntf<IOWLockSection> s;
  TOWLock* raw = nullptr;
  {
    TIntf<TOWLock> lock = NewLock();
    raw = lock.get();
    s = lock->WriteLock();
    EXPECT_EQ(lock->RefCount(), 2u);
  }
  EXPECT_EQ(raw->LockCount(), 1);  // still alive through the section
  s.reset();                       // frees both; ASan would flag a use after free
}

TEST(Lock, ExplicitEndAndReleaseEndOnce) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> outer = lock->WriteLock();
  TIntf<TOWSimpleWriteLockSection> inner = MakeIntf<TOWSimpleWriteLockSection>(lock.get());
  ASSERT_TRUE(inner->Locked());
  EXPECT_EQ(lock->LockCount(), 2);
  inner->End();
  EXPECT_TRUE(inner->Ended());
  EXPECT_EQ(lock->LockCount(), 1);
  inner->End();
  inner.reset();
  EXPECT_EQ(lock->LockCount(), 1);  // the outer level is untouched
  auto unlock = MakeIntf<TOWSimpleUnlockSection>(lock.get());
  EXPECT_TRUE(lock->IsFree());
  unlock->End();
  unlock->End();
  unlock.reset();
  EXPECT_EQ(lock->LockCount(), 1);
  auto stop = MakeIntf<TOWSimpleStopLockSection>(lock.get());
  EXPECT_EQ(lock->LockCount(), 2);
  stop->End();
  stop->End();
  stop.reset();
  EXPECT_EQ(lock->LockCount(), 1);
  EXPECT_EQ(lock->InStopCount(), 0);
  outer.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(Lock, SectionsEndWhileAnExceptionUnwinds) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<TOWLock> owner = NewLock();
  auto body = [&] {
    TIntf<IOWLockSection> a = owner->WriteLock();
    TIntf<IOWLockSection> b = lock->WriteLock(owner.get());
    TIntf<IOWLockSection> stop = lock->StopLock();
    TIntf<IOWLockSection> out = owner->UnlockAll();
    TIntf<IOWLockSection> again = owner->ReadLock();
    EXPECT_EQ(owner->LockCount(), 1);
    EXPECT_EQ(lock->LockCount(), 2);
    throw std::runtime_error("unwind");
  };
  EXPECT_THROW(body(), std::runtime_error);
  EXPECT_TRUE(lock->IsFree());
  EXPECT_TRUE(owner->IsFree());
}

TEST(Lock, UnlockAllDropsAndRestoresEveryLevel) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> a = lock->WriteLock(), b = lock->ReadLock(), c = lock->WriteLock();
  {
    TIntf<TOWSimpleUnlockSection> out = MakeIntf<TOWSimpleUnlockSection>(lock.get());
    EXPECT_EQ(out->SavedCount(), 3);
    EXPECT_EQ(out->SavedStopCount(), 0);
    EXPECT_TRUE(lock->IsFree());
    // Sections taken meanwhile stack up from zero and end before the restore.
    TIntf<IOWLockSection> inner = lock->WriteLock();
    EXPECT_EQ(lock->LockCount(), 1);
  }
  EXPECT_EQ(lock->LockCount(), 3);
  EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  a.reset();
  b.reset();
  c.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(Lock, UnlockAllOfAFreeLockSavesNothing) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<TOWSimpleUnlockSection> out = MakeIntf<TOWSimpleUnlockSection>(lock.get());
  EXPECT_EQ(out->SavedCount(), 0);
  out.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(Lock, OwnersStopNestsInItsOwnLevels) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> w = lock->WriteLock();
  TIntf<IOWLockSection> stop = lock->StopLock();
  EXPECT_EQ(lock->LockCount(), 2);
  EXPECT_EQ(lock->InStopCount(), 1);
  // The stopping thread itself still gets real sections.
  TIntf<IOWLockSection> inner = lock->WriteLock();
  ASSERT_TRUE(inner);
  EXPECT_EQ(lock->LockCount(), 3);
  inner.reset();
  stop.reset();
  EXPECT_EQ(lock->LockCount(), 1);
  EXPECT_EQ(lock->InStopCount(), 0);
  w.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(Lock, UnlockAllInsideOwnStopRunsOnAsLetThrough) {
  // After giving up its levels inside its own stop, the stopping thread gets
  // them back as let-throughs (a stop is in progress), and ends cleanly.
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> stop = lock->StopLock();
  {
    TIntf<IOWLockSection> out = lock->UnlockAll();
    EXPECT_EQ(lock->OwningThread(), std::thread::id());
    EXPECT_EQ(lock->InStopCount(), 1);
  }
  EXPECT_EQ(lock->OwningThread(), std::thread::id());
  EXPECT_EQ(lock->ThreadLetThroughs(), 1);
  stop.reset();
  EXPECT_TRUE(lock->IsFree());
}
