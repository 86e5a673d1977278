#include "components/lp_lock.h"

namespace lumicar {

TLPLock::TLPLock(TLPChangeCallback change)
    : lock_(MakeIntf<TOWLock>(TLockRank::kComponent)), change_(std::move(change)) {}

TLPLock::TLPLock(ILPLock* parent, TLPChangeCallback change)
    : lock_(parent != nullptr ? TIntf<IOWLock>(parent->Instance())
                              : TIntf<IOWLock>(MakeIntf<TOWLock>(TLockRank::kComponent))),
      change_(std::move(change)) {}

HRESULT TLPLock::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_ILPLock) {
    *object = static_cast<ILPLock*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

void TLPLock::Changed() {
  if (change_) change_();
}

void TLPLock::SetChangeCallback(TLPChangeCallback change) {
  TIntf<IOWLockSection> section = WriteLock();
  change_ = std::move(change);
}

}  // namespace lumicar
