#include "components/lp_collection.h"

#include "components/property_copy.h"

namespace lumicar {

// ---------------------------------------------------------------- TLPCollection

TLPCollection::TLPCollection(const QMetaObject* itemClass, TPersistent* owner, ILPLock* lock)
    : TOWExtCollection(itemClass, owner), lock_(lock, [this] { NotifyProp(); }) {}

TLPCollection::~TLPCollection() = default;

void TLPCollection::Assign(TPersistent* source) {
  AssignLocked<TLPCollection>(
      this, source, /*skipName=*/true, [this](TPersistent* s) { TOWExtCollection::Assign(s); },
      /*alsoInherited=*/true);
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
  AssignLocked<TLPCollectionItem>(this, source, /*skipName=*/true,
                                  [this](TPersistent* s) { TOWExtCollectionItem::Assign(s); });
}

}  // namespace lumicar
