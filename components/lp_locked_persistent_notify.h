#pragma once
// TLPLockedPersistentNotify: a property object that reports its changes to its owner
// through an on-change callback (the capture component's reaction to a new frame rate,
// for example). TLPOptionalProperty adds a published Visible flag to it.

#include <utility>

#include "components/lp_persistent.h"
#include "runtime/event.h"

namespace lumicar {

class TLPLockedPersistentNotify : public TLPPersistent {
  Q_OBJECT

 public:
  // The owner kinds of TLPPersistent, each with the on-change callback (may be empty).
  template <LPLockOwner Owner>
  explicit TLPLockedPersistentNotify(Owner* owner, TNotifyEvent onChange = {})
      : TLPPersistent(owner), on_change_(std::move(onChange)) {}
  TLPLockedPersistentNotify(TPersistent* owner, ILPLock* lock, TNotifyEvent onChange = {})
      : TLPPersistent(owner, lock), on_change_(std::move(onChange)) {}

  const TNotifyEvent& OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent onChange);

  // Calls the on-change callback, when set, with this object.
  void NotifyProp() override;

 private:
  TNotifyEvent on_change_;
};

class TLPOptionalProperty : public TLPLockedPersistentNotify {
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_CLASSINFO("Default.Visible", "True")

 public:
  using TLPLockedPersistentNotify::TLPLockedPersistentNotify;

  bool Visible() const { return Lock()->Getter(visible_); }
  // A different value is stored under the write lock and reported through NotifyProp.
  void SetVisible(bool visible) { Lock()->Setter(visible_, visible); }

 private:
  bool visible_ = true;
};

}  // namespace lumicar
