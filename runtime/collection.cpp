#include "runtime/collection.h"

#include <algorithm>

#include "runtime/class_registry.h"
#include "runtime/exception.h"
#include "runtime/properties.h"

namespace lumicar {

// ---------------------------------------------------------------- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) : TPersistent(nullptr) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (collection_ != nullptr) {
    collection_->Notify(this, cnDeleting);
    collection_->RemoveItem(this);
  }
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_ != nullptr) {
    collection_->Notify(this, cnExtracting);
    collection_->RemoveItem(this);
  }
  if (collection != nullptr) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& items = collection_->items_;
  const auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  const int current = Index();
  if (current < 0) return;
  auto& items = collection_->items_;
  index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
  if (index == current) return;
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

QString TCollectionItem::GetDisplayName() const { return ClassNameOf(this); }

void TCollectionItem::SetDisplayName(const QString& name) {
  (void)name;
  Changed(false);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

QString TCollectionItem::GetNamePath() const {
  if (collection_ == nullptr) return ClassNameOf(this);
  return QStringLiteral("%1[%2]").arg(collection_->GetNamePath()).arg(Index());
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_ != nullptr && collection_->update_count_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---------------------------------------------------------------- TCollection

TCollection::TCollection(const QMetaObject* itemClass, TPersistent* owner)
    : TPersistent(nullptr),
      item_class_(itemClass != nullptr ? itemClass : &TCollectionItem::staticMetaObject),
      owner_(owner) {
  if (!item_class_->inherits(&TCollectionItem::staticMetaObject)) {
    throw EConvertError(QStringLiteral("%1 is not a collection item class").arg(ClassNameOf(item_class_)));
  }
}

TCollection::~TCollection() {
  update_count_ = 1;  // no Update calls while going away
  while (!items_.empty()) delete items_.back();
}

QString TCollection::GetNamePath() const {
  if (owner_ == nullptr) return ClassNameOf(this);
  const QString owner_path = owner_->GetNamePath();
  for (const TPropInfo& info : GetPropList(owner_)) {
    if (info.kind == pkObject && GetObjectValue(owner_, info) == this) {
      return owner_path.isEmpty() ? info.name : owner_path + QLatin1Char('.') + info.name;
    }
  }
  return owner_path;
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return items_[static_cast<size_t>(index)];
}

void TCollection::SetItems(int index, TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::CreateItem() {
  QObject* o = ConstructWithPointer(item_class_, "TCollection*", this);
  if (o == nullptr) {
    throw EConvertError(
        QStringLiteral("%1 has no invokable constructor taking a collection").arg(ClassNameOf(item_class_)));
  }
  auto* item = static_cast<TCollectionItem*>(o);
  if (item->collection_ != this) item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Add() {
  // The item is announced (SetItemName, Notify) once it is complete, not from inside
  // its constructor.
  BeginUpdate();
  TCollectionItem* item = nullptr;
  try {
    adding_ = true;
    item = CreateItem();
    adding_ = false;
    SetItemName(item);
    Notify(item, cnAdded);
  } catch (...) {
    adding_ = false;
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  try {
    while (!items_.empty()) delete items_.back();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_) {
    if (item->id_ == id) return item;
  }
  return nullptr;
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  if (update_count_ == 0) Changed();
}

void TCollection::Assign(TPersistent* source) {
  auto* other = qobject_cast<TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* from : other->items_) Add()->Assign(from);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Update(TCollectionItem* item) { (void)item; }

void TCollection::Notify(TCollectionItem* item, TCollectionNotification action) { (void)item, (void)action; }

void TCollection::SetItemName(TCollectionItem* item) { (void)item; }

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = next_id_++;
  if (!adding_) {
    SetItemName(item);
    Notify(item, cnAdded);
  }
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->collection_ = nullptr;
  Changed();
}

}  // namespace lumicar
