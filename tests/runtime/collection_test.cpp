// TCollection and TCollectionItem: adding, moving, deleting, identities, assigning
// and change announcements.
#include <gtest/gtest.h>

#include "runtime/exception.h"
#include "tests/runtime/support/test_components.h"

namespace lumicar {
namespace {

using test::TTestItem;
using test::TTestItems;

TEST(CollectionTest, AddInsertDeleteClearKeepOrderAndIds) {
  test::TTestKinds owner;
  owner.SetName(QStringLiteral("Kinds1"));
  TTestItems& items = *owner.TestItems();
  EXPECT_EQ(items.ItemClass(), &TTestItem::staticMetaObject);
  auto* a = items.AddItem<TTestItem>();
  auto* b = items.AddItem<TTestItem>();
  ASSERT_NE(a, nullptr);
  auto* c = qobject_cast<TTestItem*>(items.Insert(0));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(items.Count(), 3);
  EXPECT_EQ(items.Items(0), c);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(b->Index(), 2);
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(c->ID(), 2);
  EXPECT_EQ(items.FindItemID(1), b);
  EXPECT_EQ(items.FindItemID(9), nullptr);
  EXPECT_EQ(a->Collection(), &items);
  EXPECT_EQ(a->GetOwner(), &items);
  EXPECT_EQ(a->GetNamePath(), QStringLiteral("Kinds1.Items[1]"));
  EXPECT_EQ(a->GetDisplayName(), QStringLiteral("TTestItem"));
  a->SetCaption(QStringLiteral("first"));
  EXPECT_EQ(a->GetDisplayName(), QStringLiteral("first"));
  b->SetIndex(0);
  EXPECT_EQ(items.Items(0), b);
  b->SetIndex(99);  // clamped
  EXPECT_EQ(items.Items(2), b);
  EXPECT_THROW(items.Items(3), EListError);
  EXPECT_THROW(items.Delete(-1), EListError);
  items.Delete(0);  // c
  EXPECT_EQ(items.Count(), 2);
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Items(0), b);
  TTestItem* d = items.AddItem<TTestItem>();
  EXPECT_EQ(d->ID(), 3);  // identities are never reused
  items.Clear();
  EXPECT_EQ(items.Count(), 0);
}

TEST(CollectionTest, ChangesAreAnnouncedOnceOutsideUpdates) {
  test::TTestKinds owner;
  TTestItems& items = *owner.TestItems();
  items.updates = 0;
  items.Add();
  EXPECT_EQ(items.updates, 1);
  EXPECT_EQ(items.notices, (std::vector<QString>{QStringLiteral("%1:0").arg(cnAdded)}));
  items.BeginUpdate();
  items.Add();
  items.Add();
  qobject_cast<TTestItem*>(items.Items(0))->SetCaption(QStringLiteral("x"));
  EXPECT_EQ(items.updates, 1);
  items.EndUpdate();
  EXPECT_EQ(items.updates, 2);
  items.Delete(1);
  EXPECT_EQ(items.notices.back(), QStringLiteral("%1:1").arg(cnDeleting));
  TTestItem* moved = qobject_cast<TTestItem*>(items.Items(0));
  TTestItems other(nullptr);
  moved->SetCollection(&other);
  EXPECT_EQ(items.notices.back(), QStringLiteral("%1:0").arg(cnExtracting));
  EXPECT_EQ(other.Count(), 1);
  EXPECT_EQ(items.Count(), 1);
}

TEST(CollectionTest, AssignCopiesEveryItem) {
  test::TTestKinds from;
  test::TTestKinds to;
  auto* a = from.TestItems()->AddItem<TTestItem>();
  a->SetCaption(QStringLiteral("one"));
  a->Size()->SetWidth(7);
  from.TestItems()->AddItem<TTestItem>()->SetValue(2);
  to.TestItems()->AddItem<TTestItem>();
  to.TestItems()->AddItem<TTestItem>();
  to.TestItems()->AddItem<TTestItem>();
  to.Items()->Assign(from.Items());
  ASSERT_EQ(to.Items()->Count(), 2);
  auto* copy = qobject_cast<TTestItem*>(to.Items()->Items(0));
  EXPECT_EQ(copy->Caption(), QStringLiteral("one"));
  EXPECT_EQ(copy->Size()->Width(), 7);
  EXPECT_EQ(qobject_cast<TTestItem*>(to.Items()->Items(1))->Value(), 2);
  EXPECT_THROW(to.Items()->Assign(&from), EConvertError);
}

}  // namespace
}  // namespace lumicar
