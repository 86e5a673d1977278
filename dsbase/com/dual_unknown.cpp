#include "dsbase/com/dual_unknown.h"

#include "dsbase/com/live_objects.h"

namespace lumicar {

TDSDualUnknown::TDSDualUnknown(const QString& name, IUnknown* outer) : outer_(outer), name_(name) {
  DSLiveObjectCreated();
}

TDSDualUnknown::~TDSDualUnknown() { DSLiveObjectDestroyed(); }

HRESULT TDSDualUnknown::QueryInterface(const TGUID& iid, void** object) {
  if (outer_) return outer_->QueryInterface(iid, object);
  return NonDelegatingQueryInterface(iid, object);
}

uint32_t TDSDualUnknown::AddRef() { return outer_ ? outer_->AddRef() : NonDelegatingAddRef(); }

uint32_t TDSDualUnknown::Release() { return outer_ ? outer_->Release() : NonDelegatingRelease(); }

HRESULT TDSDualUnknown::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown) {
    // Without an outer object the object is its own identity; aggregated, the
    // identity is the outer object's and the inner unknown stands for us.
    if (outer_) return GetInterface<IUnknown>(&inner_, object);
    return GetInterface<IUnknown>(static_cast<IUnknown*>(this), object);
  }
  return E_NOINTERFACE;
}

uint32_t TDSDualUnknown::NonDelegatingAddRef() {
  return uint32_t(refCount_.fetch_add(1, std::memory_order_relaxed) + 1);
}

uint32_t TDSDualUnknown::NonDelegatingRelease() {
  const int32_t left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return uint32_t(left < 0 ? 0 : left);
}

HRESULT TDSDualUnknown::TInner::QueryInterface(const TGUID& iid, void** object) {
  return self_->NonDelegatingQueryInterface(iid, object);
}

}  // namespace lumicar
