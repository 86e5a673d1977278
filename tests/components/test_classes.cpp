#include "tests/components/test_classes.h"

#include "runtime/class_registry.h"

namespace lumicar::test {

QStringList& Log() {
  static QStringList log;
  return log;
}

void TTestPin::Assign(TPersistent* source) {
  if (auto* other = qobject_cast<TTestPin*>(source)) {
    value_ = other->value_;
    return;
  }
  TOWObject::Assign(source);
}

void TTestSize::NotifyProp() { ++notifications; }

TTestComponent::TTestComponent(TComponent* owner)
    : TLPComponent(owner), size_(new TTestSize(this)), pin_(new TTestPin()) {}

TTestComponent::~TTestComponent() {
  delete pin_;
  delete size_;
}

void TTestComponent::SetMakeHelper(bool make) {
  if (!make) return;
  auto* helper = NewComponent<TTestComponent>(Owner());
  helper->SetName(Name() + QStringLiteral("Helper"));
  Log() << QStringLiteral("made:%1 started=%2").arg(helper->Name(), helper->Started() ? "yes" : "no");
}

void TTestComponent::NotifyProp() {
  ++notifications;
  Log() << QStringLiteral("notify:%1").arg(Name());
}

void TTestComponent::CreateStart() {
  ++starts;
  loadingAtStart = IsLoadingOrOwnerLoading(this);
  Log() << QStringLiteral("start:%1").arg(Name());
}

void TTestForm::Loaded() {
  Log() << QStringLiteral("loaded:%1").arg(Name());
  TLPComponent::Loaded();
}

void TTestForm::CreateStart() { Log() << QStringLiteral("start:%1").arg(Name()); }

void TTestCollection::NewItemCreated(TCollectionItem* item) { created << ClassNameOf(item); }

void RegisterTestClasses() {
  RegisterClass<TTestComponent>();
  RegisterClass<TTestForm>();
  RegisterClass<TPlainForm>();
}

}  // namespace lumicar::test
