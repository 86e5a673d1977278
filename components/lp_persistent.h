#pragma once
// TLPPersistent: the base of the property objects of components (video size, frame
// rate, adjustments, ...). It belongs to an owner and locks the owner's lock, while
// changes made through its setters reach its own NotifyProp.

#include "components/lp_lock.h"
#include "runtime/persistent.h"

namespace lumicar {

// An owner that lends its lock: a persistent object with a Lock() (a TLPComponent, a
// TLPCustomControl, another TLPPersistent, a TLPCollection or TLPCollectionItem).
#ifndef Q_MOC_RUN
template <typename T>
concept LPLockOwner = std::derived_from<T, TPersistent> && requires(T* owner) {
  { owner->Lock() } -> std::convertible_to<ILPLock*>;
};
#endif

class TLPPersistent : public TPersistent {
  Q_OBJECT

 public:
  // Shares the lock of owner, whichever of the owner kinds it is.
  template <LPLockOwner Owner>
  explicit TLPPersistent(Owner* owner)
      : TLPPersistent(static_cast<TPersistent*>(owner), owner != nullptr ? owner->Lock() : nullptr) {}
  // Belongs to owner and shares lock (a lock of its own when lock is none).
  TLPPersistent(TPersistent* owner, ILPLock* lock);
  ~TLPPersistent() override;

  // The lock, over the owner's TOWLock; its change callback is this object's NotifyProp.
  ILPLock* Lock() const { return lock_.get(); }
  TIntf<IOWLockSection> ReadLock() const { return lock_->ReadLock(); }
  TIntf<IOWLockSection> WriteLock() const { return lock_->WriteLock(); }

  // The owner, through which designs name nested properties ("VideoSize.Width").
  TPersistent* GetOwner() const override { return owner_; }
  // "_Floats": the published floating-point properties that hold 0.
  void DefineProperties(TFiler& filer) override;
  // Under the write lock: from another TLPPersistent, a copy of the published
  // properties; otherwise the inherited Assign.
  void Assign(TPersistent* source) override;

  // Called after a property changed through a locked setter, with the write lock held.
  // Empty here.
  virtual void NotifyProp() {}

 private:
  TPersistent* owner_;
  TLPLockHolder lock_;
};

}  // namespace lumicar
