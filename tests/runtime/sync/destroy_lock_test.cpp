// Single-thread behaviour of the destroy lock: refusal while destroying,
// suspension of destroying claims, and claims ending exactly once.

#include "runtime/sync/destroy_lock.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace lumicar;

TEST(DestroyLock, ClaimsAreCountedAndRefusedWhileDestroying) {
  TIntf<TOWDestroyLock> lock = MakeIntf<TOWDestroyLock>();
  TIntf<IOWDestroyLock> intf = QueryIntf<IOWDestroyLock>(lock.get(), IID_IOWDestroyLock);
  ASSERT_TRUE(intf);
  EXPECT_EQ(intf->Instance(), lock.get());
  {
    TIntf<IOWDestroyLockSection> a = intf->Lock(), b = intf->Lock();
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(QueryIntf<IOWDestroyLockSection>(a.get(), IID_IOWDestroyLockSection));
    EXPECT_EQ(lock->InUseCount(), 2);
  }
  EXPECT_EQ(lock->InUseCount(), 0);
  TIntf<IOWDestroyLockSection> closing = lock->DestroyLock();
  EXPECT_EQ(lock->DestroyingCount(), 1);
  EXPECT_FALSE(lock->Lock());
  EXPECT_EQ(lock->InUseCount(), 0);
  {
    // The last delivery to a sink being unlinked must not be refused.
    TIntf<IOWDestroyLockSection> pass = lock->DestroyUnlockLock();
    EXPECT_EQ(lock->DestroyingCount(), 0);
    TIntf<IOWDestroyLockSection> last = lock->Lock();
    EXPECT_TRUE(last);
  }
  EXPECT_EQ(lock->DestroyingCount(), 1);
  EXPECT_FALSE(lock->Lock());
  closing.reset();
  EXPECT_EQ(lock->DestroyingCount(), 0);
  EXPECT_TRUE(lock->Lock());
}

TEST(DestroyLock, SectionsEndOnceAlsoWhenUnwinding) {
  TIntf<TOWDestroyLock> lock = MakeIntf<TOWDestroyLock>();
  TIntf<IOWDestroyLockSection> use = lock->Lock();
  auto* section = dynamic_cast<TOWDestroyLockSection*>(use.get());
  ASSERT_NE(section, nullptr);
  section->End();
  section->End();
  EXPECT_EQ(lock->InUseCount(), 0);
  use.reset();
  EXPECT_EQ(lock->InUseCount(), 0);

  auto body = [&] {
    TIntf<IOWDestroyLockSection> closing = lock->DestroyLock();
    TIntf<IOWDestroyLockSection> pass = lock->DestroyUnlockLock();
    TIntf<IOWDestroyLockSection> claim = lock->Lock();
    EXPECT_EQ(lock->InUseCount(), 1);
    throw std::runtime_error("unwind");
  };
  EXPECT_THROW(body(), std::runtime_error);
  EXPECT_EQ(lock->InUseCount(), 0);
  EXPECT_EQ(lock->DestroyingCount(), 0);
}
