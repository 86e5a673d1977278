// Ownership, names, notifications and the class registry of TComponent.
#include "runtime/component.h"

#include <gtest/gtest.h>

#include "runtime/class_registry.h"
#include "runtime/exception.h"
#include "tests/runtime/support/test_components.h"

namespace lumicar {
namespace {

using test::Log;
using test::TTestKinds;

// Records what it is told; notes whether it was marked destroying before its own
// destructor ran.
class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  ~Watcher() override { Log().push_back(QStringLiteral("Destroyed:%1 destroying=%2").arg(Name()).arg(IsDestroying())); }
  std::vector<std::pair<TComponent*, TOperation>> notices;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    notices.emplace_back(c, op);
  }
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { Log().clear(); }
};

TEST_F(ComponentTest, OwnerFreesItsComponentsLastCreatedFirst) {
  auto* owner = new TComponent;
  auto* a = new TTestKinds(owner);
  a->SetName(QStringLiteral("A"));
  auto* b = new TTestKinds(owner);
  b->SetName(QStringLiteral("B"));
  auto* c = new TTestKinds(owner);
  c->SetName(QStringLiteral("C"));
  EXPECT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(c->ComponentIndex(), 2);
  EXPECT_EQ(owner->FindComponent(QStringLiteral("b")), b);
  EXPECT_EQ(owner->FindComponent(QStringLiteral("D")), nullptr);
  EXPECT_EQ(owner->FindComponent(QString()), nullptr);
  EXPECT_THROW(owner->Components(3), EListError);
  EXPECT_THROW(owner->Components(-1), EListError);
  delete b;  // leaves its owner
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(c->ComponentIndex(), 1);
  delete owner;
  EXPECT_EQ(Log(), (std::vector<QString>{"Destroyed:B", "Destroyed:C", "Destroyed:A"}));
}

TEST_F(ComponentTest, NamesMustBeIdentifiersUniqueAmongTheOwnersComponents) {
  TComponent owner;
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName(QStringLiteral("Button1"));
  for (const char* bad : {"1abc", "a b", "a.b", "ä", "-x"}) {
    EXPECT_THROW(b->SetName(QString::fromUtf8(bad)), EComponentError) << bad;
  }
  try {
    b->SetName(QStringLiteral("BUTTON1"));
    FAIL() << "duplicate name accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("A component named BUTTON1 already exists"));
  }
  EXPECT_EQ(b->Name(), QString());
  b->SetName(QStringLiteral("_b2"));
  a->SetName(QStringLiteral("BUTTON1"));  // its own name in another case
  a->SetName(QString());                  // unnamed is allowed, also twice
  b->SetName(QString());
  EXPECT_EQ(a->Name(), QString());
  // A newcomer whose name is taken is refused.
  TComponent other;
  auto* c = new TComponent(&other);
  c->SetName(QStringLiteral("X"));
  auto* d = new TComponent(&owner);
  d->SetName(QStringLiteral("x"));
  EXPECT_THROW(owner.InsertComponent(c), EComponentError);
  EXPECT_EQ(c->Owner(), &other);
}

TEST_F(ComponentTest, InsertAndRemoveAreAnnouncedThroughTheOwnershipTree) {
  Watcher owner;
  auto* sibling = new Watcher(&owner);
  auto* child = new TComponent(&owner);
  ASSERT_EQ(owner.notices.size(), 2u);
  EXPECT_EQ(owner.notices[1], std::make_pair(child, opInsert));
  // The sibling hears about the newcomer through its owner.
  ASSERT_EQ(sibling->notices.size(), 1u);
  EXPECT_EQ(sibling->notices[0], std::make_pair(child, opInsert));
  TComponent other;
  other.InsertComponent(child);  // moves: removed here, inserted there
  EXPECT_EQ(child->Owner(), &other);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.notices.back(), std::make_pair(child, opRemove));
  other.RemoveComponent(child);
  EXPECT_EQ(child->Owner(), nullptr);
  delete child;
  EXPECT_THROW(sibling->InsertComponent(&owner), EComponentError);  // would own its owner
}

TEST_F(ComponentTest, FreeNotificationLetsAComponentForgetAnotherOneInTime) {
  TComponent form1;
  TComponent form2;
  auto* kinds = new TTestKinds(&form1);
  auto* buddy = new TComponent(&form2);
  kinds->SetBuddy(buddy);
  EXPECT_TRUE(buddy->ComponentState().testFlag(csFreeNotification));
  delete buddy;
  EXPECT_EQ(kinds->Buddy(), nullptr);
  // The other way round: the subscriber goes first and the subscription with it.
  auto* buddy2 = new TComponent(&form2);
  kinds->SetBuddy(buddy2);
  delete kinds;
  delete buddy2;  // must not reach the freed subscriber
  EXPECT_EQ(form2.ComponentCount(), 0);
}

TEST_F(ComponentTest, DestroyingMarksTheWholeTreeBeforeAnythingIsFreed) {
  auto* owner = new TComponent;
  auto* w = new Watcher(owner);
  w->SetName(QStringLiteral("W"));
  delete owner;
  EXPECT_EQ(Log(), (std::vector<QString>{"Destroyed:W destroying=1"}));
  auto* owner2 = new TComponent;
  auto* w2 = new TComponent(owner2);
  owner2->Destroying();
  EXPECT_TRUE(w2->IsDestroying());
  delete owner2;
}

TEST_F(ComponentTest, LoadedClearsLoadingAndNewComponentRunsAfterConstruction) {
  struct Started : TComponent {
    using TComponent::TComponent;
    int started = 0;
    void AfterConstruction() override { ++started; }
  };
  TComponent owner;
  auto* s = NewComponent<Started>(&owner);
  EXPECT_EQ(s->started, 1);
  EXPECT_FALSE(s->IsLoading());
  EXPECT_FALSE(s->IsDesigning());  // design mode never turns on by itself
  EXPECT_EQ(s->GetNamePath(), QString());
  s->SetName(QStringLiteral("S1"));
  EXPECT_EQ(s->GetNamePath(), QStringLiteral("S1"));
  EXPECT_EQ(s->GetOwner(), &owner);
}

TEST_F(ComponentTest, AssignWithoutAWayToCopyRaisesConvertError) {
  TTestKinds kinds;
  test::TTestSize size;
  try {
    size.Assign(&kinds);
    FAIL() << "assigned";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a TTestKinds to a TTestSize"));
  }
  test::TTestSize other;
  other.SetWidth(3);
  size.Assign(&other);
  EXPECT_EQ(size.Width(), 3);
  EXPECT_THROW(size.Assign(nullptr), EConvertError);
}

TEST_F(ComponentTest, ClassRegistryCreatesComponentsByName) {
  test::RegisterTestClasses();
  EXPECT_EQ(GetClass(QStringLiteral("ttestkinds")), &TTestKinds::staticMetaObject);
  EXPECT_EQ(GetClass(QStringLiteral("TNope")), nullptr);
  try {
    FindClass(QStringLiteral("TNope"));
    FAIL() << "found";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Class TNope not found"));
  }
  TComponent owner;
  TComponent* c = CreateComponent(QStringLiteral("TTestKinds"), &owner);
  EXPECT_NE(qobject_cast<TTestKinds*>(c), nullptr);
  EXPECT_EQ(c->Owner(), &owner);
  // Through the meta-object system alone: the invokable owner constructor.
  UnRegisterClass(&test::TTestContainer::staticMetaObject);
  RegisterClass(&test::TTestContainer::staticMetaObject);
  TComponent* m = CreateComponent(QStringLiteral("TTestContainer"), &owner);
  EXPECT_NE(qobject_cast<test::TTestContainer*>(m), nullptr);
  EXPECT_EQ(m->Owner(), &owner);
  EXPECT_THROW(RegisterClass(&test::TTestSize::staticMetaObject), EFilerError);  // not a component
}

}  // namespace
}  // namespace lumicar
