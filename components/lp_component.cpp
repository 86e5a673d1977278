#include "components/lp_component.h"

#include <QPointer>
#include <vector>

#include "components/floats_property.h"
#include "components/property_copy.h"

namespace lumicar {

TLPComponent::TLPComponent(TComponent* owner) : TComponent(owner), lock_([this] { NotifyProp(); }) {}

TLPComponent::~TLPComponent() = default;

bool IsLoadingOrOwnerLoading(const TComponent* component) {
  for (const TComponent* c = component; c != nullptr; c = c->Owner()) {
    if (c->IsLoading()) return true;
  }
  return false;
}

void TLPComponent::AfterConstruction() {
  TComponent::AfterConstruction();
  if (IsDesigning() || IsLoading()) return;
  // A design reader creates its components under the loading root: those start from
  // their own Loaded. One made by code meanwhile gets no Loaded call, so it waits for
  // its owners' loading to end instead.
  if (IsLoadingOrOwnerLoading(this)) {
    start_pending_ = true;
    return;
  }
  Start();
}

void TLPComponent::Loaded() {
  TComponent::Loaded();
  if (!IsDesigning()) Start();
  StartPendingComponents(this);
}

void TLPComponent::Start() {
  start_pending_ = false;
  if (started_) return;
  started_ = true;
  CreateStart();
}

namespace {

void CollectPending(TComponent* owner, std::vector<QPointer<TLPComponent>>& pending) {
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (auto* lp = qobject_cast<TLPComponent*>(c); lp != nullptr && lp->StartPending()) pending.emplace_back(lp);
    CollectPending(c, pending);
  }
}

}  // namespace

void StartPendingComponents(TComponent* loaded) {
  if (loaded == nullptr || IsLoadingOrOwnerLoading(loaded)) return;
  // Gather first: a CreateStart may create or free components.
  std::vector<QPointer<TLPComponent>> pending;
  CollectPending(loaded, pending);
  for (const QPointer<TLPComponent>& lp : pending) {
    if (lp.isNull() || !lp->start_pending_ || IsLoadingOrOwnerLoading(lp.data())) continue;
    lp->start_pending_ = false;
    if (!lp->IsDesigning()) lp->Start();
  }
}

void TLPComponent::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  DefineFloatsProperty(filer, this);
}

void TLPComponent::Assign(TPersistent* source) {
  AssignLocked<TLPComponent>(this, source, /*skipName=*/true, [this](TPersistent* s) { TComponent::Assign(s); });
}

}  // namespace lumicar
