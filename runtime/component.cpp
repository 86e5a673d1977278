#include "runtime/component.h"

#include <algorithm>

#include "runtime/exception.h"

namespace lumicar {

bool IsValidIdent(const QString& name) {
  if (name.isEmpty()) return false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t ch = name[i].unicode();
    const bool letter = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
    const bool digit = ch >= '0' && ch <= '9';
    if (!(letter || (i > 0 && digit))) return false;
  }
  return true;
}

TComponent::TComponent(TComponent* owner) : TPersistent(nullptr) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Subscribers forget this component; each notice removes one subscription.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    auto& theirs = other->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    if (theirs.empty()) other->state_ &= ~TComponentState(csFreeNotification);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TPersistent* TComponent::GetOwner() const { return owner_; }

void TComponent::SetName(const QString& name) {
  if (name == name_) return;
  if (!name.isEmpty() && !IsValidIdent(name)) {
    throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
  }
  if (owner_ != nullptr) {
    owner_->ValidateRename(this, name_, name);
  } else {
    ValidateRename(nullptr, name_, name);
  }
  name_ = name;
  setObjectName(name);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  }
  return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto& list = owner_->components_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  for (TComponent* c : components_) {
    if (c->name_.compare(name, Qt::CaseInsensitive) == 0) return c;
  }
  return nullptr;
}

void TComponent::ValidateRename(TComponent* c, const QString& current, const QString& next) {
  (void)current;
  if (next.isEmpty()) return;
  TComponent* existing = FindComponent(next);
  if (existing != nullptr && existing != c) {
    throw EComponentError(QStringLiteral("A component named %1 already exists").arg(next));
  }
}

void TComponent::InsertComponent(TComponent* c) {
  if (c == nullptr || c->owner_ == this) return;
  for (const TComponent* o = this; o != nullptr; o = o->owner_) {
    if (o == c) throw EComponentError(QStringLiteral("A component cannot own itself"));
  }
  ValidateRename(c, QString(), c->name_);
  if (c->owner_ != nullptr) c->owner_->RemoveComponent(c);
  Insert(c);
  if (IsDesigning()) c->IncludeState(csDesigning);
  Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (c == nullptr || c->owner_ != this) return;
  Notification(c, opRemove);
  Remove(c);
}

void TComponent::Insert(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
  components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
  c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    // The child stays listed (and so part of its window) until its own base
    // destructor takes it out: the parts it frees first, pins above all, can
    // still tell which window they belong to and that it is going.
    c->Destroying();
    delete c;
  }
}

void TComponent::FreeNotification(TComponent* c) {
  if (c == nullptr || c == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), c) == free_notifies_.end()) {
    free_notifies_.push_back(c);
  }
  if (std::find(c->free_notifies_.begin(), c->free_notifies_.end(), this) == c->free_notifies_.end()) {
    c->free_notifies_.push_back(this);
  }
  IncludeState(csFreeNotification);
  c->IncludeState(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* c) {
  free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), c), free_notifies_.end());
  if (free_notifies_.empty()) ExcludeState(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
  if (c == nullptr) return;
  RemoveNotification(c);
  c->RemoveNotification(this);
}

void TComponent::Destroying() {
  if (IsDestroying()) return;
  IncludeState(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::Loaded() { ExcludeState(TComponentState(csLoading) | csReading); }

QString TComponent::GetNamePath() const { return name_; }

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Owned components may vanish while they are told; walk by index from the end and
  // clamp after each call.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    components_[static_cast<size_t>(i)]->Notification(component, operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

}  // namespace lumicar
