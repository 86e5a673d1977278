// The thin waiting primitives across threads: mutex ownership and time-outs,
// manual and auto-reset events, semaphore counting, named sharing.

#include <gtest/gtest.h>

#include <atomic>

#include "runtime/exception.h"
#include "runtime/sync/event.h"
#include "runtime/sync/mutex.h"
#include "runtime/sync/semaphore.h"
#include "tests/runtime/sync/sync_test_util.h"

using namespace lumicar;
using namespace lumicar::testing;

TEST(Mutex, OwnedRecursiveAndTimed) {
  TOWMutex m;
  ASSERT_TRUE(m.Acquire(0));
  ASSERT_TRUE(m.Acquire(0));  // the owner may take it again
  auto other = RunAsync([&] {
    EXPECT_FALSE(m.Release());    // not the owner
    EXPECT_FALSE(m.Acquire(10));  // times out
  });
  ASSERT_TRUE(Finishes(other));
  other.get();
  EXPECT_TRUE(m.Release());
  auto stillHeld = RunAsync([&] { EXPECT_FALSE(m.Acquire(0)); });
  ASSERT_TRUE(Finishes(stillHeld));
  EXPECT_TRUE(m.Release());
  EXPECT_FALSE(m.Release());
  auto waiter = RunAsync([&] {
    EXPECT_TRUE(m.Acquire(kWaitForever));
    EXPECT_TRUE(m.Release());
  });
  ASSERT_TRUE(Finishes(waiter));
}

TEST(Mutex, WaiterGetsItWhenReleased) {
  TOWMutex m;
  ASSERT_TRUE(m.Acquire());
  std::atomic<bool> got{false};
  auto waiter = RunAsync([&] {
    EXPECT_TRUE(m.Acquire(kWaitForever));
    got = true;
    m.Release();
  });
  ASSERT_TRUE(Eventually([&] { return m.WaiterCount() == 1; }));
  EXPECT_FALSE(got);
  m.Release();
  ASSERT_TRUE(Finishes(waiter));
  EXPECT_TRUE(got);
}

TEST(Mutex, SameNameSharesOneMutex) {
  TOWMutex a(QStringLiteral("lumicar-test-mutex")), b(QStringLiteral("lumicar-test-mutex")), c;
  EXPECT_EQ(a.GetHandle(), b.GetHandle());
  EXPECT_NE(a.GetHandle(), c.GetHandle());
  ASSERT_TRUE(a.Acquire(0));
  auto other = RunAsync([&] { EXPECT_FALSE(b.Acquire(0)); });
  ASSERT_TRUE(Finishes(other));
  a.Release();
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSignalled) {
  TOWEvent ev(true, false);
  EXPECT_TRUE(ev.ManualReset());
  EXPECT_FALSE(ev.WaitFor(0));
  std::atomic<int> woken{0};
  auto w1 = RunAsync([&] {
    if (ev.WaitFor(kWaitForever)) ++woken;
  });
  auto w2 = RunAsync([&] {
    if (ev.WaitFor(kWaitForever)) ++woken;
  });
  ASSERT_TRUE(Eventually([&] { return ev.WaiterCount() == 2; }));
  EXPECT_EQ(woken, 0);
  ev.Signal();
  ASSERT_TRUE(Finishes(w1));
  ASSERT_TRUE(Finishes(w2));
  EXPECT_EQ(woken, 2);
  EXPECT_TRUE(ev.WaitFor(0));
  ev.Reset();
  EXPECT_FALSE(ev.WaitFor(5));
}

TEST(Event, AutoResetReleasesOneWaiterPerSignal) {
  TOWEvent ev(false, true);
  EXPECT_TRUE(ev.WaitFor(0));
  EXPECT_FALSE(ev.WaitFor(0));  // consumed
  std::atomic<int> woken{0};
  auto waiter = [&] {
    if (ev.WaitFor(2000)) ++woken;
  };
  auto w1 = RunAsync(waiter), w2 = RunAsync(waiter);
  ASSERT_TRUE(Eventually([&] { return ev.WaiterCount() == 2; }));
  ev.Signal();
  ASSERT_TRUE(Eventually([&] { return woken == 1; }));
  // The one signal is consumed: the other waiter is still in WaitFor.
  ASSERT_TRUE(Eventually([&] { return ev.WaiterCount() == 1; }));
  EXPECT_EQ(woken, 1);
  ev.Signal();
  ASSERT_TRUE(Finishes(w1));
  ASSERT_TRUE(Finishes(w2));
  EXPECT_EQ(woken, 2);
  EXPECT_FALSE(ev.WaitFor(0));
}

TEST(Event, SameNameSharesOneEvent) {
  TOWEvent a(true, false, QStringLiteral("lumicar-test-event"));
  TOWEvent b(false, true, QStringLiteral("lumicar-test-event"));  // kind and state of the first
  EXPECT_EQ(a.GetHandle(), b.GetHandle());
  EXPECT_TRUE(b.ManualReset());
  EXPECT_FALSE(b.WaitFor(0));
  a.Signal();
  EXPECT_TRUE(b.WaitFor(0));
}

TEST(Semaphore, CountsWithinTheMaximum) {
  EXPECT_THROW(TOWSemaphore(2, 1), Exception);
  EXPECT_THROW(TOWSemaphore(-1, 1), Exception);
  EXPECT_THROW(TOWSemaphore(0, 0), Exception);
  TOWSemaphore sem(1, 3);
  EXPECT_TRUE(sem.Decrement(0));
  EXPECT_FALSE(sem.Decrement(5));
  EXPECT_TRUE(sem.Increment(3));
  EXPECT_FALSE(sem.Increment(1));  // beyond the maximum: refused, count kept
  EXPECT_FALSE(sem.Increment(0));
  EXPECT_FALSE(sem.Increment(-1));
  EXPECT_EQ(sem.Count(), 3);
}

TEST(Semaphore, ProducerAndConsumerHandOverEveryUnit) {
  TOWSemaphore sem(0, 4);
  constexpr int kUnits = 200;
  std::atomic<int> taken{0};
  auto consumer = RunAsync([&] {
    for (int i = 0; i < kUnits; ++i) {
      if (sem.Decrement(kWaitForever)) ++taken;
    }
  });
  for (int i = 0; i < kUnits;) {
    if (sem.Increment(1)) {
      ++i;
    } else {
      std::this_thread::yield();
    }
  }
  ASSERT_TRUE(Finishes(consumer));
  EXPECT_EQ(taken, kUnits);
  EXPECT_EQ(sem.Count(), 0);
}
