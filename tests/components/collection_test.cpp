// Announcing collections: listeners, the outside item variable, and the locked
// collection family with its Assign.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "components/ext_collection.h"
#include "components/lp_collection.h"
#include "tests/components/test_classes.h"

namespace lumicar::test {
namespace {

class TRecordingNotifier : public TInterfacedObject, public IOWCollectionNotifier {
 public:
  void ItemCreated(TOWExtCollection* collection, TCollectionItem* item) override {
    // The item is complete when it is announced.
    events.push_back(QStringLiteral("created %1 %2").arg(ClassNameOf(item)).arg(collection->Count()));
    if (throwing) throw std::runtime_error("listener failure");
  }
  void ItemDestroyed(TOWExtCollection* collection, TCollectionItem* item) override {
    (void)collection;
    events.push_back(QStringLiteral("destroyed %1").arg(item->ID()));
    if (throwing) throw std::runtime_error("listener failure");
  }
  QStringList events;
  bool throwing = false;
};

TEST(ExtCollection, ListenersHearCompleteNewItemsAndDestroyedOnes) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  auto collection = std::make_unique<TTestCollection>(comp.get());
  TIntf<TRecordingNotifier> first = MakeIntf<TRecordingNotifier>();
  TIntf<TRecordingNotifier> second = MakeIntf<TRecordingNotifier>();
  OWAddCollectionNotifier(collection.get(), first.get());
  OWAddCollectionNotifier(collection.get(), first.get());  // once only
  OWAddCollectionNotifier(collection.get(), second.get());
  first->throwing = true;  // swallowed; the next listener still hears

  auto* a = collection->AddItem<TTestItem>();
  auto* b = collection->AddItem<TTestItem>();
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->Announced());
  EXPECT_EQ(collection->created, QStringList({"TTestItem", "TTestItem"}));
  EXPECT_EQ(first->events, QStringList({"created TTestItem 1", "created TTestItem 2"}));
  EXPECT_EQ(second->events, first->events);

  const int idB = b->ID();
  collection->Delete(1);
  EXPECT_EQ(second->events.last(), QStringLiteral("destroyed %1").arg(idB));

  OWRemoveCollectionNotifier(collection.get(), second.get());
  collection->AddItem<TTestItem>();
  EXPECT_EQ(second->events.size(), 3);
  EXPECT_EQ(first->events.size(), 4);

  // Items that go with the collection are announced too, while the listeners can
  // still be told.
  collection.reset();
  EXPECT_EQ(first->events.size(), 6);
  EXPECT_TRUE(first->events.last().startsWith("destroyed"));
}

TEST(ExtCollection, DestroyedItemClearsItsOutsideVariable) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  TTestCollection collection(comp.get());
  TTestItem* kept = collection.AddItem<TTestItem>();
  kept->SetReferenceVariable(&kept);
  TCollectionItem* other = collection.AddItem<TTestItem>();
  static_cast<TTestItem*>(other)->SetReferenceVariable(&other);
  collection.Delete(0);
  EXPECT_EQ(kept, nullptr);
  EXPECT_NE(other, nullptr);
  collection.Clear();
  EXPECT_EQ(other, nullptr);
}

TEST(LPCollection, ItemsShareTheCollectionsLockAndAssignCopiesPropertiesAndItems) {
  std::unique_ptr<TTestComponent> comp(NewComponent<TTestComponent>(nullptr));
  TTestCollection source(comp.get());
  source.SetLimit(5);
  auto* s0 = source.AddItem<TTestItem>();
  s0->SetValue(10);
  s0->SetName("first");
  source.AddItem<TTestItem>()->SetValue(20);
  EXPECT_EQ(s0->Lock()->Instance(), comp->Lock()->Instance());

  TTestCollection dest(comp.get());
  dest.AddItem<TTestItem>()->SetValue(99);
  dest.Assign(&source);
  EXPECT_EQ(dest.Limit(), 5);
  ASSERT_EQ(dest.Count(), 2);
  auto* d0 = qobject_cast<TTestItem*>(dest.Items(0));
  EXPECT_EQ(d0->Value(), 10);
  EXPECT_EQ(qobject_cast<TTestItem*>(dest.Items(1))->Value(), 20);
  // Items keep their own names.
  EXPECT_EQ(d0->Name(), QString());
  // A lone item has a lock of its own.
  TTestItem lone(nullptr);
  EXPECT_NE(lone.Lock()->Instance(), comp->Lock()->Instance());
  lone.Assign(s0);
  EXPECT_EQ(lone.Value(), 10);
  EXPECT_TRUE(comp->Lock()->Instance()->IsFree());
}

}  // namespace
}  // namespace lumicar::test
