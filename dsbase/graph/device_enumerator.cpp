#include "dsbase/graph/device_enumerator.h"

#include "dsbase/graph/device_moniker.h"

namespace lumicar {

TDSSystemDeviceEnum::TDSSystemDeviceEnum() : TDSDualUnknown(QStringLiteral("System device enumerator"), nullptr) {}

HRESULT TDSSystemDeviceEnum::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_ICreateDevEnum) return GetInterface<ICreateDevEnum>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

std::vector<TIntf<IMoniker>> TDSSystemDeviceEnum::Monikers(const TGUID& category) {
  std::vector<TIntf<IMoniker>> monikers;
  for (const auto& provider : DSDeviceProviders(category)) {
    for (TDSDeviceDescription& device : provider->Devices()) {
      auto* m = new (std::nothrow) TDSDeviceMoniker(provider, std::move(device));
      if (m) monikers.emplace_back(m);
    }
  }
  return monikers;
}

HRESULT TDSSystemDeviceEnum::CreateClassEnumerator(const TGUID& category, IEnumMoniker** monikers, uint32_t) {
  if (!monikers) return E_POINTER;
  *monikers = nullptr;
  std::vector<TIntf<IMoniker>> found = Monikers(category);
  if (found.empty()) return S_FALSE;  // an empty category gives no enumerator
  auto* e = new (std::nothrow) TDSEnumMoniker(std::move(found));
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *monikers = e;
  return S_OK;
}

TDSEnumMoniker::TDSEnumMoniker(std::vector<TIntf<IMoniker>> monikers, size_t position)
    : TDSDualUnknown(QStringLiteral("Moniker enumerator"), nullptr),
      monikers_(std::move(monikers)),
      position_(position) {}

HRESULT TDSEnumMoniker::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IEnumMoniker) return GetInterface<IEnumMoniker>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSEnumMoniker::Next(uint32_t count, IMoniker** monikers, uint32_t* fetched) {
  if (!monikers) return E_POINTER;
  if (count > 1 && !fetched) return E_POINTER;
  uint32_t n = 0;
  while (n < count && position_ < monikers_.size()) monikers[n++] = TIntf<IMoniker>(monikers_[position_++]).Detach();
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TDSEnumMoniker::Skip(uint32_t count) {
  const size_t left = monikers_.size() - position_;
  position_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TDSEnumMoniker::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT TDSEnumMoniker::Clone(IEnumMoniker** copy) {
  if (!copy) return E_POINTER;
  auto* e = new (std::nothrow) TDSEnumMoniker(monikers_, position_);
  *copy = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}

}  // namespace lumicar
