// The destroy lock across threads: destroying waits for running claims, and
// claims made while destroying are refused.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "runtime/sync/destroy_lock.h"
#include "runtime/sync/event.h"
#include "tests/runtime/sync/sync_test_util.h"

using namespace lumicar;
using namespace lumicar::testing;

TEST(DestroyLockThreads, DestroyWaitsForTheRunningDelivery) {
  TIntf<TOWDestroyLock> lock = MakeIntf<TOWDestroyLock>();
  TOWEvent delivering(true, false), finish(true, false);
  std::atomic<bool> deliveryOver{false};
  auto delivery = RunAsync([&] {
    TIntf<IOWDestroyLockSection> use = lock->Lock();
    ASSERT_TRUE(use);
    delivering.Signal();
    finish.WaitFor(kWaitForever);
    deliveryOver = true;
  });
  ASSERT_TRUE(delivering.WaitFor(5000));
  std::atomic<bool> destroyed{false};
  auto destroyer = RunAsync([&] {
    TIntf<IOWDestroyLockSection> closing = lock->DestroyLock();
    EXPECT_TRUE(deliveryOver);
    destroyed = true;
  });
  // Marked as destroying: from here on the destroyer can only return after
  // the delivery's claim has ended.
  ASSERT_TRUE(Eventually([&] { return lock->DestroyingCount() == 1; }));
  EXPECT_FALSE(destroyed);
  // New deliveries are refused while the destroyer waits.
  auto late = RunAsync([&] { EXPECT_FALSE(lock->Lock()); });
  ASSERT_TRUE(Finishes(late));
  EXPECT_FALSE(destroyed);
  finish.Signal();
  ASSERT_TRUE(Finishes(delivery));
  ASSERT_TRUE(Finishes(destroyer));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(lock->InUseCount(), 0);
  EXPECT_EQ(lock->DestroyingCount(), 0);
}

TEST(DestroyLockThreads, NoClaimOutlivesTheStartOfADestroy) {
  // Many short claims race with one destroyer: once DestroyLock returned,
  // no claim is running and none is granted until it ends.
  TIntf<TOWDestroyLock> lock = MakeIntf<TOWDestroyLock>();
  std::atomic<int> running{0};
  std::atomic<bool> destroyedWhileRunning{false}, stop{false};
  std::vector<std::future<void>> users;
  for (int t = 0; t < 2; ++t) {
    users.push_back(RunAsync([&] {
      while (!stop) {
        if (TIntf<IOWDestroyLockSection> use = lock->Lock()) {
          ++running;
          std::this_thread::yield();
          --running;
        }
      }
    }));
  }
  for (int i = 0; i < 100; ++i) {
    TIntf<IOWDestroyLockSection> closing = lock->DestroyLock();
    if (running != 0) destroyedWhileRunning = true;
    std::this_thread::yield();
    if (running != 0) destroyedWhileRunning = true;
  }
  stop = true;
  for (auto& u : users) ASSERT_TRUE(Finishes(u));
  EXPECT_FALSE(destroyedWhileRunning);
  EXPECT_EQ(lock->InUseCount(), 0);
  EXPECT_EQ(lock->DestroyingCount(), 0);
}
