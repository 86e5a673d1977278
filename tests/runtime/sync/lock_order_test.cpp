// The lock-order checker: ranked locks taken out of order are reported with
// both names, the allowed patterns are not, and the default reaction stops
// the program (checked in a child process by a death test).

#include "runtime/sync/lock_order.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/sync/critical_section.h"
#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/lock.h"

using namespace lumicar;

namespace {

std::vector<std::string> reports;

void Record(const char* held, const char* taken) { reports.push_back(std::string(taken) + " under " + held); }

class LockOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lockorder::kEnabled) GTEST_SKIP() << "the lock-order checker is compiled out of this build";
    reports.clear();
    lockorder::SetViolationHandler(&Record);
  }
  void TearDown() override {
    if (lockorder::kEnabled) lockorder::SetViolationHandler(nullptr);
  }
};

TEST_F(LockOrderTest, RisingOrderReEntryAndSameRankPass) {
  TOWCriticalSection global{TLockRank::kGlobalSection}, inner{TLockRank::kObjectInner};
  TOWCriticalSection containerA{TLockRank::kBufferContainer}, containerB{TLockRank::kBufferContainer};
  global.Enter();
  inner.Enter();
  global.Enter();  // re-entering a held lock is never an inversion
  containerA.Enter();
  containerB.Enter();  // two locks of one rank (source and copy of a buffer)
  EXPECT_EQ(lockorder::HeldCount(), 5);
  containerB.Leave();
  containerA.Leave();
  global.Leave();
  inner.Leave();
  global.Leave();
  EXPECT_EQ(lockorder::HeldCount(), 0);
  // Once released, a lower rank may be taken again.
  inner.Enter();
  inner.Leave();
  global.Enter();
  global.Leave();
  EXPECT_TRUE(reports.empty());
}

TEST_F(LockOrderTest, InvertedPairIsReportedWithBothNames) {
  TOWCriticalSection global{TLockRank::kGlobalSection};
  TIntf<TOWLock> pin = MakeIntf<TOWLock>(TLockRank::kFrameworkObject);
  {
    TIntf<IOWLockSection> held = pin->WriteLock();
    global.Enter();
    global.Leave();
  }
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::string(LockRankName(TLockRank::kGlobalSection)) + " under " +
                            LockRankName(TLockRank::kFrameworkObject));
}

TEST_F(LockOrderTest, UnlockAllGivesTheLockUpForTheCheckerToo) {
  // A pin that drops all its levels to call out may then take lower locks.
  TIntf<TOWLock> pin = MakeIntf<TOWLock>(TLockRank::kFrameworkObject);
  TOWCriticalSection global{TLockRank::kGlobalSection};
  TIntf<IOWLockSection> a = pin->WriteLock(), b = pin->WriteLock();
  {
    TIntf<IOWLockSection> out = pin->UnlockAll();
    EXPECT_EQ(lockorder::HeldCount(), 0);
    global.Enter();
    global.Leave();
  }
  EXPECT_EQ(lockorder::HeldCount(), 1);  // one entry for the mutex, whatever the levels
  a.reset();
  b.reset();
  EXPECT_EQ(lockorder::HeldCount(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(LockOrderTest, DeclaredBackOffPairPasses) {
  // A pin lock holder may wait for its component lock: the other side backs off.
  TIntf<TOWLock> component = MakeIntf<TOWLock>(TLockRank::kComponent);
  TIntf<TOWLock> pin = MakeIntf<TOWLock>(TLockRank::kFrameworkObject);
  TIntf<IOWLockSection> p = pin->WriteLock();
  TIntf<IOWLockSection> c = component->WriteLock();
  EXPECT_TRUE(reports.empty());
}

TEST_F(LockOrderTest, UnrankedLocksAreNotChecked) {
  TOWCriticalSection plain, pool{TLockRank::kBlockPool};
  pool.Enter();
  plain.Enter();
  plain.Leave();
  pool.Leave();
  EXPECT_TRUE(reports.empty());
}

TEST_F(LockOrderTest, LeafMayBeTakenUnderAnyRankedLock) {
  TOWCriticalSection component{TLockRank::kComponent}, pool{TLockRank::kBlockPool};
  TLeafMutex leaf{"test leaf"};
  component.Enter();
  pool.Enter();
  {
    std::lock_guard guard(leaf);
    EXPECT_EQ(lockorder::HeldCount(), 3);
  }
  pool.Leave();
  component.Leave();
  EXPECT_EQ(lockorder::HeldCount(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(LockOrderTest, NothingCheckedIsTakenUnderALeafAndReportsNameIt) {
  TLeafMutex leaf{"test leaf"}, other{"other leaf"};
  TOWCriticalSection pool{TLockRank::kBlockPool};
  {
    std::lock_guard guard(leaf);
    pool.Enter();  // even the highest rank
    pool.Leave();
    std::lock_guard second(other);  // and another leaf
  }
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], std::string(LockRankName(TLockRank::kBlockPool)) + " under test leaf");
  EXPECT_EQ(reports[1], "other leaf under test leaf");
}

TEST_F(LockOrderTest, LeafTakenByTryAndReleasedByAWaitLeavesTheStackRight) {
  TLeafMutex leaf{"test leaf"};
  ASSERT_TRUE(leaf.try_lock());
  EXPECT_EQ(lockorder::HeldCount(), 1);
  leaf.unlock();
  std::condition_variable_any wake;
  std::unique_lock guard(leaf);
  // The wait gives the leaf up and takes it back through the checked calls.
  EXPECT_FALSE(wake.wait_for(guard, std::chrono::milliseconds(0), [] { return false; }));
  EXPECT_EQ(lockorder::HeldCount(), 1);
  guard.unlock();
  EXPECT_EQ(lockorder::HeldCount(), 0);
  EXPECT_TRUE(reports.empty());
}

using LockOrderDeathTest = LockOrderTest;

void TakeThePoolThenAContainer() {
  TOWCriticalSection pool{TLockRank::kBlockPool};
  TOWCriticalSection container{TLockRank::kBufferContainer};
  pool.Enter();
  container.Enter();
}

TEST_F(LockOrderDeathTest, DefaultReactionStopsTheProgramNamingBothLocks) {
  lockorder::SetViolationHandler(nullptr);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(TakeThePoolThenAContainer(), "taking the buffer container lock while holding the block pool lock");
}

void TakeAComponentLockUnderALeaf() {
  TLeafMutex leaf{"test leaf"};
  TOWCriticalSection component{TLockRank::kComponent};
  std::lock_guard guard(leaf);
  component.Enter();
}

TEST_F(LockOrderDeathTest, RankedLockUnderALeafStopsTheProgram) {
  lockorder::SetViolationHandler(nullptr);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(TakeAComponentLockUnderALeaf(), "taking the component lock while holding the test leaf");
}

}  // namespace
