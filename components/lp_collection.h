#pragma once
// TLPCollection / TLPCollectionItem: announcing collections whose items lock the lock
// of the collection, which in turn shares the lock of its owner component.

#include "components/ext_collection.h"
#include "components/lp_lock.h"
#include "components/lp_persistent.h"

namespace lumicar {

class TLPCollection : public TOWExtCollection {
  Q_OBJECT

 public:
  // Shares the lock of owner (any of the owner kinds of TLPPersistent).
  template <LPLockOwner Owner>
  TLPCollection(const QMetaObject* itemClass, Owner* owner)
      : TLPCollection(itemClass, static_cast<TPersistent*>(owner), owner != nullptr ? owner->Lock() : nullptr) {}
  // Shares the given lock (a lock of its own when lock is none).
  TLPCollection(const QMetaObject* itemClass, TPersistent* owner, ILPLock* lock);
  ~TLPCollection() override;

  ILPLock* Lock() const { return lock_.get(); }
  TIntf<IOWLockSection> WriteLock() const { return lock_->WriteLock(); }

  // From another TLPCollection: a copy of the published properties (the name
  // excepted); then, for any collection, the items as the inherited Assign copies them.
  void Assign(TPersistent* source) override;

  // Called after a property changed through a locked setter. Empty here.
  virtual void NotifyProp() {}

 private:
  TLPLockHolder lock_;
};

class TLPCollectionItem : public TOWExtCollectionItem {
  Q_OBJECT

 public:
  // Shares the lock of collection when that is a TLPCollection (a lock of its own
  // otherwise).
  Q_INVOKABLE explicit TLPCollectionItem(lumicar::TCollection* collection = nullptr);
  ~TLPCollectionItem() override;

  ILPLock* Lock() const { return lock_.get(); }
  TIntf<IOWLockSection> WriteLock() const { return lock_->WriteLock(); }

  // Under the write lock: from another TLPCollectionItem, a copy of the published
  // properties (the name excepted); otherwise the inherited Assign.
  void Assign(TPersistent* source) override;

  // Called after a property changed through a locked setter. Empty here.
  virtual void NotifyProp() {}

 private:
  TLPLockHolder lock_;
};

}  // namespace lumicar
