#include "dsbase/graph/bind_context.h"

#include <algorithm>

#include "dsbase/com/graph_ids.h"

namespace lumicar {

TDSBindContext::TDSBindContext() : TDSDualUnknown(QStringLiteral("Bind context"), nullptr) {}

HRESULT TDSBindContext::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IBindCtx) return GetInterface<IBindCtx>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSBindContext::RegisterObjectBound(IUnknown* object) {
  if (!object) return E_INVALIDARG;
  bound_.emplace_back(object);
  return S_OK;
}

HRESULT TDSBindContext::RevokeObjectBound(IUnknown* object) {
  if (!object) return E_INVALIDARG;
  auto it = std::find(bound_.begin(), bound_.end(), TIntf<IUnknown>(object));
  if (it == bound_.end()) return MK_E_NOOBJECT;
  bound_.erase(it);
  return S_OK;
}

HRESULT TDSBindContext::ReleaseBoundObjects() {
  bound_.clear();
  return S_OK;
}

HRESULT CreateBindCtx(uint32_t reserved, IBindCtx** context) {
  if (!context) return E_POINTER;
  *context = nullptr;
  if (reserved != 0) return E_INVALIDARG;
  auto* c = new (std::nothrow) TDSBindContext();
  if (!c) return E_OUTOFMEMORY;
  c->AddRef();
  *context = c;
  return S_OK;
}

}  // namespace lumicar
