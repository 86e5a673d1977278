#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "components/lp_lock.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar {
namespace {

TEST(LPLockThreads, SetterWaitsForAnotherThreadsSection) {
  TIntf<TLPLock> lock = MakeIntf<TLPLock>();
  int field = 0;
  std::atomic<bool> stored{false};
  std::thread writer;
  {
    TIntf<IOWLockSection> held = lock->WriteLock();
    writer = std::thread([&] {
      lock->Setter(field, 5);
      stored = true;
    });
    EXPECT_TRUE(lumicar::testing::Eventually([&] { return lock->Instance()->WaiterCount() == 1; }));
    EXPECT_FALSE(stored.load());
    EXPECT_EQ(field, 0);
  }
  writer.join();
  EXPECT_TRUE(stored.load());
  EXPECT_EQ(field, 5);
}

TEST(LPLockThreads, SetterRunsOnWhileAnotherThreadStops) {
  // A stop in progress must not block a setter of another thread (it runs on
  // without the lock and stores).
  TIntf<TLPLock> lock = MakeIntf<TLPLock>();
  int field = 0;
  TIntf<IOWLockSection> stop = lock->StopLock();
  std::thread writer([&] { EXPECT_TRUE(lock->Setter(field, 5)); });
  writer.join();
  EXPECT_EQ(field, 5);
  stop.reset();
  EXPECT_TRUE(lock->Instance()->IsFree());
}

}  // namespace
}  // namespace lumicar
