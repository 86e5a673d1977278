#include "dsbase/com/class_factory.h"

#include <mutex>
#include <unordered_map>

#include "dsbase/com/result_codes.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

struct TRegistry {
  TLeafMutex lock{"class factory registry lock"};
  std::unordered_map<TGUID, TDSClassCreator> creators;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

void DSRegisterClass(const TGUID& clsid, TDSClassCreator creator) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  r.creators[clsid] = std::move(creator);
}

HRESULT CoCreateInstance(const TGUID& clsid, IUnknown* outer, uint32_t /*context*/, const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer && !(iid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  TDSClassCreator creator;
  {
    TRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    auto it = r.creators.find(clsid);
    if (it == r.creators.end()) return REGDB_E_CLASSNOTREG;
    creator = it->second;
  }
  HRESULT hr = S_OK;
  IUnknown* made = creator(outer, &hr);
  if (!made) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  if (FAILED(hr)) {
    made->Release();
    return hr;
  }
  hr = made->QueryInterface(iid, object);
  made->Release();
  return hr;
}

}  // namespace lumicar
