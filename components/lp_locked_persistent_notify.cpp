#include "components/lp_locked_persistent_notify.h"

namespace lumicar {

void TLPLockedPersistentNotify::SetOnChange(TNotifyEvent onChange) {
  TIntf<IOWLockSection> section = WriteLock();
  on_change_ = std::move(onChange);
}

void TLPLockedPersistentNotify::NotifyProp() {
  if (on_change_) on_change_(this);
}

}  // namespace lumicar
