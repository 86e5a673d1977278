// The recursive lock under several threads: waiting, stop mode, unlock-all,
// the owner-lock deadlock breaker, and the accounting of let-throughs when
// stops and deliveries end in any order.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <vector>

#include "runtime/sync/event.h"
#include "runtime/sync/lock.h"
#include "runtime/sync/simple_lock_sections.h"
#include "tests/runtime/sync/sync_test_util.h"

using namespace lumicar;
using namespace lumicar::testing;

namespace {

TIntf<TOWLock> NewLock() { return MakeIntf<TOWLock>(); }

// Whether a fresh thread obtains the lock within a bound; never hangs.
bool AnotherThreadGetsIt(TOWLock* lock) {
  bool got = false;
  std::thread([&] {
    got = lock->BeginWrite(2000);
    if (got) lock->EndWrite();
  }).join();
  return got;
}

}  // namespace

TEST(LockThreads, SecondThreadWaitsUntilEverySectionEnded) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> a = lock->WriteLock(), b = lock->ReadLock();
  std::atomic<bool> got{false};
  auto reader = RunAsync([&] {
    TIntf<IOWLockSection> r = lock->ReadLock();
    EXPECT_TRUE(r);
    got = true;
  });
  ASSERT_TRUE(Eventually([&] { return lock->WaiterCount() == 1; }));
  a.reset();
  EXPECT_FALSE(got);  // one section is still held
  EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  b.reset();
  ASSERT_TRUE(Finishes(reader));
  EXPECT_TRUE(got);
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, SectionsExcludeEachOther) {
  TIntf<TOWLock> lock = NewLock();
  int counter = 0;  // guarded only by the lock: ThreadSanitizer checks it
  std::vector<std::future<void>> workers;
  for (int t = 0; t < 3; ++t) {
    workers.push_back(RunAsync([&] {
      for (int i = 0; i < 300; ++i) {
        TIntf<IOWLockSection> w = lock->WriteLock();
        TIntf<IOWLockSection> r = lock->ReadLock();  // nested
        ++counter;
      }
    }));
  }
  for (auto& w : workers) ASSERT_TRUE(Finishes(w));
  EXPECT_EQ(counter, 900);
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, StopLetsOtherThreadsThroughAtOnce) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> stop = lock->StopLock();
  EXPECT_EQ(lock->InStopCount(), 1);
  EXPECT_EQ(lock->LockCount(), 1);
  auto other = RunAsync([&] {
    // Through the interface: none, and nothing stays registered.
    EXPECT_FALSE(lock->WriteLock());
    EXPECT_FALSE(lock->ReadLock());
    EXPECT_EQ(lock->StopLockCount(), 0);
    // Kept as a section: runs on without the lock, one let-through recorded.
    auto w = MakeIntf<TOWSimpleWriteLockSection>(lock.get());
    EXPECT_FALSE(w->Locked());
    auto r = MakeIntf<TOWSimpleReadLockSection>(lock.get());
    EXPECT_FALSE(r->Locked());
    EXPECT_EQ(lock->StopLockCount(), 2);
    EXPECT_EQ(lock->ThreadLetThroughs(), 2);
    r.reset();
    w.reset();
    EXPECT_EQ(lock->StopLockCount(), 0);
  });
  ASSERT_TRUE(Finishes(other));  // no waiting at all while the stop is held
  other.get();
  EXPECT_EQ(lock->LockCount(), 1);
  EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  stop.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, StopGetsTheLockWhileDeliverersKeepTrying) {
  // A delivering thread holds the lock; the stopping thread waits for it,
  // and meanwhile every other request runs through instead of queueing up.
  TIntf<TOWLock> lock = NewLock();
  TOWEvent holding(true, false), finish(true, false);
  auto deliverer = RunAsync([&] {
    TIntf<IOWLockSection> w = lock->WriteLock();
    holding.Signal();
    finish.WaitFor(kWaitForever);
    // The owner keeps re-entering during the pending stop.
    TIntf<IOWLockSection> nested = lock->WriteLock();
    EXPECT_TRUE(nested);
  });
  ASSERT_TRUE(holding.WaitFor(5000));
  std::atomic<bool> stopped{false};
  auto stopper = RunAsync([&] {
    TIntf<IOWLockSection> stop = lock->StopLock();
    stopped = true;
    EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  });
  ASSERT_TRUE(Eventually([&] { return lock->InStopCount() == 1; }));
  EXPECT_FALSE(stopped);
  auto late = RunAsync([&] { EXPECT_FALSE(lock->WriteLock()); });
  ASSERT_TRUE(Finishes(late));
  finish.Signal();
  ASSERT_TRUE(Finishes(deliverer));
  ASSERT_TRUE(Finishes(stopper));
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, StopEndingBeforeALetThroughLeavesTheLockFree) {
  // The stop ends while a let-through section of another thread is still
  // open; ending that section later must free the lock completely.
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> stop = lock->StopLock();
  TOWEvent letThrough(true, false), finish(true, false);
  auto deliverer = RunAsync([&] {
    auto w = MakeIntf<TOWSimpleWriteLockSection>(lock.get());
    EXPECT_FALSE(w->Locked());
    letThrough.Signal();
    finish.WaitFor(kWaitForever);
  });
  ASSERT_TRUE(letThrough.WaitFor(5000));
  stop.reset();
  EXPECT_EQ(lock->OwningThread(), std::thread::id());
  EXPECT_EQ(lock->LockCount(), 0);
  finish.Signal();
  ASSERT_TRUE(Finishes(deliverer));
  EXPECT_TRUE(lock->IsFree());
  EXPECT_TRUE(AnotherThreadGetsIt(lock.get()));
}

TEST(LockThreads, UnlockAllFreesTheLockForOthersAndRestoresEveryLevel) {
  TIntf<TOWLock> lock = NewLock();
  TIntf<IOWLockSection> a = lock->WriteLock(), b = lock->WriteLock(), c = lock->ReadLock();
  TOWEvent taken(true, false), release(true, false);
  std::future<void> other;
  std::atomic<bool> restored{false};
  std::future<void> restore;
  {
    TIntf<IOWLockSection> out = lock->UnlockAll();
    other = RunAsync([&] {
      TIntf<IOWLockSection> w = lock->WriteLock();
      EXPECT_TRUE(w);
      taken.Signal();
      release.WaitFor(kWaitForever);
    });
    ASSERT_TRUE(taken.WaitFor(5000));
    // Ending the unlock-all below has to wait until the other thread lets go.
    restore = RunAsync([&] {
      ASSERT_TRUE(Eventually([&] { return lock->WaiterCount() == 1; }));
      EXPECT_FALSE(restored);
      release.Signal();
    });
  }
  restored = true;
  ASSERT_TRUE(Finishes(restore));
  ASSERT_TRUE(Finishes(other));
  EXPECT_EQ(lock->LockCount(), 3);
  EXPECT_EQ(lock->OwningThread(), std::this_thread::get_id());
  a.reset();
  b.reset();
  c.reset();
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, UnlockAllEndingDuringAnotherThreadsStopRunsThrough) {
  // A delivery gave up its levels to call out; meanwhile another thread
  // stops the component. The delivery must come back without waiting for
  // that stop, run on as let-through, and leave the accounting balanced.
  TIntf<TOWLock> lock = NewLock();
  TOWEvent calledOut(true, false), stopHeld(true, false), deliveryDone(true, false), endStop(true, false);
  auto deliverer = RunAsync([&] {
    TIntf<IOWLockSection> w = lock->WriteLock();
    {
      TIntf<IOWLockSection> out = lock->UnlockAll();
      calledOut.Signal();
      stopHeld.WaitFor(kWaitForever);
    }
    EXPECT_EQ(lock->ThreadLetThroughs(), 1);
    EXPECT_NE(lock->OwningThread(), std::this_thread::get_id());
    deliveryDone.Signal();
    endStop.WaitFor(kWaitForever);  // its write section outlives the stop
  });
  ASSERT_TRUE(calledOut.WaitFor(5000));
  auto stopper = RunAsync([&] {
    TIntf<IOWLockSection> stop = lock->StopLock();
    stopHeld.Signal();
    ASSERT_TRUE(deliveryDone.WaitFor(5000));
  });
  ASSERT_TRUE(Finishes(stopper));
  endStop.Signal();
  ASSERT_TRUE(Finishes(deliverer));
  EXPECT_TRUE(lock->IsFree());
}

TEST(LockThreads, OwnerLockIsGivenUpAfterTheFirstFullWait) {
  // Thread 1 holds the component and wants the pin; thread 2 holds the pin
  // and wants the component. Thread 1 gives the component up after waiting
  // 1 + 2 + ... + 20 ms for the pin, so both finish.
  TIntf<TOWLock> component = NewLock();
  TIntf<TOWLock> pin = NewLock();
  TOWEvent pinHeld(true, false), componentHeld(true, false);
  std::thread::id t1;
  std::atomic<bool> t2Done{false};
  auto second = RunAsync([&] {
    TIntf<IOWLockSection> p = pin->WriteLock();
    pinHeld.Signal();
    componentHeld.WaitFor(kWaitForever);
    TIntf<IOWLockSection> c = component->WriteLock();
    EXPECT_TRUE(c);
    t2Done = true;
  });
  ASSERT_TRUE(pinHeld.WaitFor(5000));
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration gaveUpAfter{};
  auto first = RunAsync([&] {
    t1 = std::this_thread::get_id();
    TIntf<IOWLockSection> c = component->WriteLock();
    TIntf<IOWLockSection> c2 = component->WriteLock();
    componentHeld.Signal();
    TIntf<IOWLockSection> p = pin->WriteLock(component.get());
    EXPECT_TRUE(p);
    EXPECT_TRUE(t2Done);
    // Both component levels are back once the pin section ends.
    p.reset();
    EXPECT_EQ(component->LockCount(), 2);
    EXPECT_EQ(component->OwningThread(), std::this_thread::get_id());
  });
  ASSERT_TRUE(componentHeld.WaitFor(5000));
  // Both threads now wait, each for the lock the other holds.
  ASSERT_TRUE(Eventually([&] { return component->WaiterCount() == 1; }));
  ASSERT_TRUE(Eventually([&] { return t2Done.load(); }));
  // A lower bound only: the first thread cannot give the component up before
  // its waits of 1 + 2 + ... + 20 ms are over, however slow the machine is.
  gaveUpAfter = std::chrono::steady_clock::now() - start;
  EXPECT_GE(gaveUpAfter, 210ms);
  ASSERT_TRUE(Finishes(first));
  ASSERT_TRUE(Finishes(second));
  EXPECT_TRUE(component->IsFree());
  EXPECT_TRUE(pin->IsFree());
}

TEST(LockThreads, AccountingStaysBalancedUnderRandomStopsAndUnlocks) {
  // Deliverers nest write, read and unlock-all sections while a stopper
  // keeps stopping; whatever order things end in, the lock ends up free
  // and usable. Data is not touched while let through (that is unlocked).
  TIntf<TOWLock> lock = NewLock();
  std::atomic<bool> running{true};
  std::atomic<int> lockedRuns{0}, letThroughRuns{0};
  auto deliver = [&](unsigned seed) {
    std::minstd_rand rng(seed);
    for (int i = 0; i < 500; ++i) {
      auto w = MakeIntf<TOWSimpleWriteLockSection>(lock.get());
      (w->Locked() ? lockedRuns : letThroughRuns)++;
      auto r = MakeIntf<TOWSimpleReadLockSection>(lock.get());
      if (rng() % 3 == 0) {
        TIntf<IOWLockSection> out = lock->UnlockAll();
        std::this_thread::yield();
      }
      if (rng() % 4 == 0) w->End();  // explicit end before the nested one
    }
  };
  auto stopper = RunAsync([&] {
    std::minstd_rand rng(7);
    while (running) {
      TIntf<IOWLockSection> stop = lock->StopLock();
      if (rng() % 2) {
        TIntf<IOWLockSection> out = lock->UnlockAll();
      }
      std::this_thread::yield();
    }
  });
  auto d1 = RunAsync([&] { deliver(1); });
  auto d2 = RunAsync([&] { deliver(2); });
  ASSERT_TRUE(Finishes(d1));
  ASSERT_TRUE(Finishes(d2));
  running = false;
  ASSERT_TRUE(Finishes(stopper));
  EXPECT_EQ(lockedRuns + letThroughRuns, 1000);
  EXPECT_TRUE(lock->IsFree());
  EXPECT_TRUE(AnotherThreadGetsIt(lock.get()));
}
