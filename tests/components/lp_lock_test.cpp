#include "components/lp_lock.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace lumicar {
namespace {

// A lock whose change callback counts, as a component's NotifyProp would.
struct CountingLock {
  int changes = 0;
  TIntf<TLPLock> lock = MakeIntf<TLPLock>([this] { ++changes; });
};

TEST(LPLockSetter, EqualValueChangesNothingAndCallsNothing) {
  CountingLock c;
  int field = 7;
  int callbacks = 0;
  EXPECT_FALSE(c.lock->Setter(field, 7, [&] { ++callbacks; }));
  EXPECT_EQ(field, 7);
  EXPECT_EQ(callbacks, 0);
  EXPECT_EQ(c.changes, 0);

  QString text = QStringLiteral("same");
  EXPECT_FALSE(c.lock->Setter(text, QStringLiteral("same")));
  EXPECT_EQ(c.changes, 0);
}

TEST(LPLockSetter, NewValueRunsCallbackThenChangeCallbackUnderTheWriteLock) {
  std::vector<std::string> order;
  TIntf<TLPLock> lock;
  bool heldInChange = false;
  lock = MakeIntf<TLPLock>([&] {
    order.push_back("change");
    TOWLock* l = lock->Instance();
    heldInChange = l->OwningThread() == std::this_thread::get_id() && l->LockCount() >= 1;
  });
  double field = 1.5;
  EXPECT_TRUE(lock->Setter(field, 2.5, [&] { order.push_back("callback"); }));
  EXPECT_EQ(field, 2.5);
  EXPECT_EQ(order, (std::vector<std::string>{"callback", "change"}));
  EXPECT_TRUE(heldInChange);
  // The section ended with the setter.
  EXPECT_TRUE(lock->Instance()->IsFree());
}

TEST(LPLockSetter, EveryListedTypeStoresAndReportsChange) {
  CountingLock c;
  ILPLock* l = c.lock.get();
  TColor color{};
  int16_t i16 = 0;
  uint16_t u16 = 0;
  uint8_t u8 = 0;
  int64_t i64 = 0;
  uint32_t u32 = 0;
  QChar ch;
  float f = 0;
  bool b = false;
  TDateTime when;
  TSLClockSource source = csInternal;
  TSLSynchronizeType sync = stNone;
  EXPECT_TRUE(l->Setter(color, TColor(0x00FF00)));
  EXPECT_TRUE(l->Setter(i16, int16_t(-3)));
  EXPECT_TRUE(l->Setter(u16, uint16_t(65535)));
  EXPECT_TRUE(l->Setter(u8, uint8_t(200)));
  EXPECT_TRUE(l->Setter(i64, std::numeric_limits<int64_t>::min()));
  EXPECT_TRUE(l->Setter(ch, QChar(u'x')));
  EXPECT_TRUE(l->Setter(f, 0.25f));
  EXPECT_TRUE(l->Setter(b, true));
  EXPECT_TRUE(l->Setter(when, TDateTime{45000.5}));
  EXPECT_TRUE(l->Setter(source, csExternal));
  EXPECT_TRUE(l->Setter(sync, stSynchronize));
  // The flag of the unsigned variant changes nothing.
  EXPECT_TRUE(l->Setter(u32, 9u, false, nullptr));
  EXPECT_FALSE(l->Setter(u32, 9u, true, nullptr));
  EXPECT_EQ(c.changes, 12);
  EXPECT_EQ(color, TColor(0x00FF00));
  EXPECT_EQ(i64, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(when.Value, 45000.5);
  EXPECT_EQ(l->Getter(source), csExternal);
  EXPECT_EQ(l->Getter(ch), QChar(u'x'));
  const long double extended = 1.0L / 3.0L;
  EXPECT_EQ(l->Getter(extended), extended);
}

TEST(LPLockClamping, MinimumMaximumAndBoth) {
  CountingLock c;
  ILPLock* l = c.lock.get();
  int32_t i = 0;
  EXPECT_TRUE(l->SetterMin(i, -5, 2));
  EXPECT_EQ(i, 2);
  EXPECT_FALSE(l->SetterMin(i, 1, 2));  // raised to 2, which it already holds
  EXPECT_TRUE(l->SetterMax(i, 100, 10));
  EXPECT_EQ(i, 10);
  EXPECT_TRUE(l->SetterMinMax(i, 5, 0, 8));
  EXPECT_EQ(i, 5);
  // Minimum above maximum: raised to the minimum, then lowered to the maximum.
  EXPECT_TRUE(l->SetterMinMax(i, 5, 10, 3));
  EXPECT_EQ(i, 3);

  int64_t big = 0;
  EXPECT_TRUE(l->SetterMin(big, -7, -3));  // signed comparison
  EXPECT_EQ(big, -3);
  uint32_t u = 0;
  EXPECT_TRUE(l->SetterMax(u, 0xFFFFFFFFu, 1000u));
  EXPECT_EQ(u, 1000u);
  uint8_t byte = 0;
  EXPECT_TRUE(l->SetterMinMax(byte, uint8_t(250), uint8_t(1), uint8_t(200)));
  EXPECT_EQ(byte, 200);
  uint16_t word = 0;
  EXPECT_TRUE(l->SetterMin(word, uint16_t(0), uint16_t(16)));
  EXPECT_EQ(word, 16);
  double d = 5;
  EXPECT_TRUE(l->SetterMinMax(d, -1.5, 0.0, 1.0));
  EXPECT_EQ(d, 0.0);
  EXPECT_FALSE(l->SetterMax(d, 0.0, 1.0));
  float f = 0;
  EXPECT_TRUE(l->SetterMax(f, 3.0f, 2.5f));
  EXPECT_EQ(f, 2.5f);
  EXPECT_EQ(c.changes, 10);
}

TEST(LPLockSharing, PropertyObjectLockSharesTheTOWLockButKeepsItsOwnCallback) {
  int parentChanges = 0;
  int childChanges = 0;
  TIntf<TLPLock> parent = MakeIntf<TLPLock>([&] { ++parentChanges; });
  TIntf<TLPLock> child = MakeIntf<TLPLock>(parent.get(), [&] { ++childChanges; });
  EXPECT_EQ(child->Instance(), parent->Instance());
  int field = 0;
  child->Setter(field, 1);
  EXPECT_EQ(childChanges, 1);
  EXPECT_EQ(parentChanges, 0);
  // A section on one is a section on the other.
  {
    TIntf<IOWLockSection> s = child->WriteLock();
    EXPECT_EQ(parent->Instance()->LockCount(), 1);
  }
  EXPECT_TRUE(parent->Instance()->IsFree());
  // Without a parent there is a lock of its own.
  TIntf<TLPLock> orphan = MakeIntf<TLPLock>(nullptr);
  EXPECT_NE(orphan->Instance(), nullptr);
  EXPECT_NE(orphan->Instance(), parent->Instance());
  TIntf<ILPLock> asInterface = QueryIntf<ILPLock>(child.get(), IID_ILPLock);
  EXPECT_EQ(asInterface.get(), static_cast<ILPLock*>(child.get()));
}

TEST(LPLockHolder, OwnerGoneBeforeItsLockNoLongerHearsChanges) {
  int changes = 0;
  TIntf<ILPLock> kept;
  {
    TLPLockHolder holder([&] { ++changes; });
    kept = holder.get();
    int field = 0;
    kept->Setter(field, 1);
    EXPECT_EQ(changes, 1);
  }
  int field = 0;
  EXPECT_TRUE(kept->Setter(field, 2));
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace lumicar
