#include "components/lp_collection.h"

#include "components/property_copy.h"

namespace lumicar {

// ---------------------------------------------------------------- TLPCollection

TLPCollection::TLPCollection(const QMetaObject* itemClass, TPersistent* owner, ILPLock* lock)
    : TOWExtCollection(itemClass, owner), lock_(lock, [this] { NotifyProp(); }) {}

TLPCollection::~TLPCollection() = default;

void TLPCollection::Assign(TPersistent* source) {
  TIntf<IOWLockSection> section = WriteLock();
  if (auto* other = qobject_cast<TLPCollection*>(source); other != nullptr && other != this) {
    CopyPublishedProperties(this, other, /*skipName=*/true);
  }
  TOWExtCollection::Assign(source);
}

// ---------------------------------------------------------------- TLPCollectionItem

namespace {

ILPLock* CollectionLock(TCollection* collection) {
  auto* lp = qobject_cast<TLPCollection*>(collection);
  return lp != nullptr ? lp->Lock() : nullptr;
}

}  // namespace

TLPCollectionItem::TLPCollectionItem(TCollection* collection)
    : TOWExtCollectionItem(collection), lock_(CollectionLock(collection), [this] { NotifyProp(); }) {}

TLPCollectionItem::~TLPCollectionItem() = default;

void TLPCollectionItem::Assign(TPersistent* source) {
  TIntf<IOWLockSection> section = WriteLock();
  if (auto* other = qobject_cast<TLPCollectionItem*>(source)) {
    if (other != this) CopyPublishedProperties(this, other, /*skipName=*/true);
    return;
  }
  TOWExtCollectionItem::Assign(source);
}

}  // namespace lumicar
