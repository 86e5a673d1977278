// Property objects: their owner kinds and shared lock, the notifying variants and
// Assign between them.

#include "components/lp_persistent.h"

#include <gtest/gtest.h>

#include <memory>

#include "components/lp_collection.h"
#include "components/lp_locked_persistent_notify.h"
#include "runtime/exception.h"
#include "tests/components/test_classes.h"

namespace lumicar::test {
namespace {

TEST(LPPersistent, EveryOwnerKindLendsItsLockAndIsTheOwner) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  TOWLock* lock = comp->Lock()->Instance();

  TTestSize fromComponent(comp.get());
  TTestSize fromPersistent(&fromComponent);
  TTestCollection collection(comp.get());
  auto* item = collection.AddItem<TTestItem>();
  TTestSize fromItem(item);
  TTestSize fromCollection(&collection);
  TIntf<TLPLock> other = MakeIntf<TLPLock>();
  TTestSize fromPair(comp.get(), other.get());

  EXPECT_EQ(fromComponent.GetOwner(), comp.get());
  EXPECT_EQ(fromPersistent.GetOwner(), &fromComponent);
  EXPECT_EQ(fromItem.GetOwner(), item);
  EXPECT_EQ(fromPair.GetOwner(), comp.get());
  for (TTestSize* p : {&fromComponent, &fromPersistent, &fromItem, &fromCollection}) {
    EXPECT_EQ(p->Lock()->Instance(), lock);
  }
  EXPECT_EQ(item->Lock()->Instance(), lock);
  EXPECT_EQ(fromPair.Lock()->Instance(), other->Instance());

  // Each keeps its own change callback.
  fromPersistent.SetWidth(1);
  EXPECT_EQ(fromPersistent.notifications, 1);
  EXPECT_EQ(fromComponent.notifications, 0);
  EXPECT_EQ(comp->notifications, 0);

  // Without owner and lock: a lock of its own.
  TTestSize alone(nullptr, nullptr);
  EXPECT_NE(alone.Lock()->Instance(), lock);
  alone.SetWidth(2);
  EXPECT_EQ(alone.Width(), 2u);
}

TEST(LPLockedPersistentNotify, OnChangeHearsEveryChangeWithTheObject) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  std::vector<QObject*> senders;
  TLPOptionalProperty optional(comp.get(), TNotifyEvent([&](TObject* sender) { senders.push_back(sender); }));
  EXPECT_TRUE(optional.Visible());
  optional.SetVisible(true);
  EXPECT_TRUE(senders.empty());
  optional.SetVisible(false);
  EXPECT_FALSE(optional.Visible());
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], &optional);

  // No callback: changes are simply stored.
  TLPOptionalProperty silent(comp.get());
  silent.SetVisible(false);
  EXPECT_FALSE(silent.Visible());
  silent.SetOnChange(TNotifyEvent([&](TObject* sender) { senders.push_back(sender); }));
  silent.SetVisible(true);
  EXPECT_EQ(senders.size(), 2u);

  // The pair constructor with a callback.
  TIntf<TLPLock> lock = MakeIntf<TLPLock>();
  TLPOptionalProperty paired(comp.get(), lock.get(), TNotifyEvent([&](TObject* sender) { senders.push_back(sender); }));
  paired.SetVisible(false);
  EXPECT_EQ(senders.size(), 3u);
  EXPECT_EQ(paired.Lock()->Instance(), lock->Instance());
}

TEST(LPPersistent, AssignCopiesPublishedValuesWithinTheFamilyOnly) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  TTestSize a(comp.get());
  TTestSize b(comp.get());
  a.SetWidth(800);
  a.SetScale(0.5);
  b.Assign(&a);
  EXPECT_EQ(b.Width(), 800u);
  EXPECT_EQ(b.Scale(), 0.5);
  EXPECT_EQ(b.notifications, 2);

  // A property object of another class of the family: the properties both publish.
  TLPOptionalProperty optional(comp.get());
  optional.SetVisible(false);
  TLPOptionalProperty other(comp.get());
  other.Assign(&optional);
  EXPECT_FALSE(other.Visible());
  EXPECT_NO_THROW(other.Assign(&a));  // nothing in common: nothing copied
  EXPECT_FALSE(other.Visible());

  // Outside the family: the inherited Assign refuses.
  EXPECT_THROW(b.Assign(comp.get()), EConvertError);
  EXPECT_TRUE(comp->Lock()->Instance()->IsFree());
}

}  // namespace
}  // namespace lumicar::test
