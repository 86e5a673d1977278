#include "components/ext_collection.h"

#include <algorithm>

#include "components/components_log.h"
#include "runtime/runtime_log.h"

namespace lumicar {

// ---------------------------------------------------------------- TOWExtCollectionItem

TOWExtCollectionItem::TOWExtCollectionItem(TCollection* collection) : TCollectionItem(collection) {}

TOWExtCollectionItem::~TOWExtCollectionItem() {
  if (announced_ != 0) {
    if (auto* ext = qobject_cast<TOWExtCollection*>(Collection())) ext->AfterNewItemDestroyed(this);
  }
  if (clear_reference_) clear_reference_();
}

// ---------------------------------------------------------------- TOWExtCollection

TOWExtCollection::TOWExtCollection(const QMetaObject* itemClass, TPersistent* owner) : TCollection(itemClass, owner) {}

TOWExtCollection::~TOWExtCollection() { Clear(); }

void TOWExtCollection::AddNotifier(IOWCollectionNotifier* listener) {
  if (listener == nullptr) return;
  const auto same = [listener](const TIntf<IOWCollectionNotifier>& n) { return n.get() == listener; };
  if (std::find_if(notifiers_.begin(), notifiers_.end(), same) == notifiers_.end()) notifiers_.emplace_back(listener);
}

void TOWExtCollection::RemoveNotifier(IOWCollectionNotifier* listener) {
  const auto same = [listener](const TIntf<IOWCollectionNotifier>& n) { return n.get() == listener; };
  notifiers_.erase(std::remove_if(notifiers_.begin(), notifiers_.end(), same), notifiers_.end());
}

void TOWExtCollection::SetItemName(TCollectionItem* item) {
  TCollection::SetItemName(item);
  auto* ext = qobject_cast<TOWExtCollectionItem*>(item);
  if (ext == nullptr || ext->announced_ != 0) return;
  ext->announced_ = 1;
  NewItemCreated(item);
  AfterNewItemCreated(item);
}

void TOWExtCollection::NewItemCreated(TCollectionItem* item) { (void)item; }

void TOWExtCollection::AfterNewItemCreated(TCollectionItem* item) {
  // A copy: listeners may add or remove listeners while they are told.
  const std::vector<TIntf<IOWCollectionNotifier>> listeners = notifiers_;
  for (const TIntf<IOWCollectionNotifier>& listener : listeners) {
    try {
      listener->ItemCreated(this, item);
    } catch (...) {
      qCWarning(lcComponents).noquote() << "A collection listener failed on a new item and was skipped:"
                                        << CurrentExceptionText();
    }
  }
}

void TOWExtCollection::AfterNewItemDestroyed(TCollectionItem* item) {
  const std::vector<TIntf<IOWCollectionNotifier>> listeners = notifiers_;
  for (const TIntf<IOWCollectionNotifier>& listener : listeners) {
    try {
      listener->ItemDestroyed(this, item);
    } catch (...) {
      qCWarning(lcComponents).noquote() << "A collection listener failed on a freed item and was skipped:"
                                        << CurrentExceptionText();
    }
  }
}

void OWAddCollectionNotifier(TOWExtCollection* collection, IOWCollectionNotifier* listener) {
  if (collection != nullptr) collection->AddNotifier(listener);
}

void OWRemoveCollectionNotifier(TOWExtCollection* collection, IOWCollectionNotifier* listener) {
  if (collection != nullptr) collection->RemoveNotifier(listener);
}

}  // namespace lumicar
