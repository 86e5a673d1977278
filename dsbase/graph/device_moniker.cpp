#include "dsbase/graph/device_moniker.h"

#include <algorithm>

#include "dsbase/com/graph_ids.h"
#include "dsbase/com/task_memory.h"

namespace lumicar {

TDSDeviceMoniker::TDSDeviceMoniker(std::shared_ptr<IDSDeviceProvider> provider, TDSDeviceDescription device)
    : TDSDualUnknown(QStringLiteral("Device moniker"), nullptr),
      provider_(std::move(provider)),
      device_(std::move(device)),
      displayName_(DisplayNameOf(*provider_, device_)) {}

QString TDSDeviceMoniker::DisplayNameOf(const IDSDeviceProvider& provider, const TDSDeviceDescription& device) {
  return QStringLiteral("@device:%1:%2\\%3").arg(provider.Kind(), provider.Category().ToString(), device.Id);
}

HRESULT TDSDeviceMoniker::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMoniker) return GetInterface<IMoniker>(this, object);
  if (iid == IID_IPersist) return GetInterface<IPersist>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSDeviceMoniker::GetClassID(TGUID* classId) {
  if (!classId) return E_POINTER;
  *classId = CLSID_CDeviceMoniker;
  return S_OK;
}

HRESULT TDSDeviceMoniker::BindToObject(IBindCtx*, IMoniker* left, const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (left) return E_INVALIDARG;
  IBaseFilter* raw = nullptr;
  HRESULT hr = provider_->CreateFilter(device_, &raw);
  if (FAILED(hr)) return hr;
  if (!raw) return E_FAIL;
  TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(raw);
  return filter->QueryInterface(iid, object);
}

HRESULT TDSDeviceMoniker::BindToStorage(IBindCtx*, IMoniker* left, const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (left) return E_INVALIDARG;
  auto* bag = new (std::nothrow) TDSDevicePropertyBag(device_);
  if (!bag) return E_OUTOFMEMORY;
  TIntf<IPropertyBag> keep(bag);
  return bag->QueryInterface(iid, object);
}

HRESULT TDSDeviceMoniker::GetDisplayName(IBindCtx*, IMoniker* left, char16_t** name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (left) return E_INVALIDARG;
  const size_t n = size_t(displayName_.size());
  auto* text = static_cast<char16_t*>(CoTaskMemAlloc((n + 1) * sizeof(char16_t)));
  if (!text) return E_OUTOFMEMORY;
  std::copy_n(reinterpret_cast<const char16_t*>(displayName_.utf16()), n, text);
  text[n] = 0;
  *name = text;
  return S_OK;
}

HRESULT TDSDeviceMoniker::IsEqual(IMoniker* other) {
  if (!other) return E_POINTER;
  char16_t* name = nullptr;
  if (FAILED(other->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_FALSE;
  const bool same = QString::fromUtf16(name) == displayName_;
  CoTaskMemFree(name);
  return same ? S_OK : S_FALSE;
}

TDSDevicePropertyBag::TDSDevicePropertyBag(const TDSDeviceDescription& device)
    : TDSDualUnknown(QStringLiteral("Device property bag"), nullptr), device_(device) {}

HRESULT TDSDevicePropertyBag::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IPropertyBag) return GetInterface<IPropertyBag>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSDevicePropertyBag::Read(const char16_t* name, QString* value) {
  if (!name || !value) return E_POINTER;
  const QString key = QString::fromUtf16(name);
  if (key == u"FriendlyName"_qs) {
    *value = device_.FriendlyName;
  } else if (key == u"CLSID"_qs && !device_.FilterClassId.IsNull()) {
    *value = device_.FilterClassId.ToString();
  } else if (key == u"DevicePath"_qs && !device_.DevicePath.isEmpty()) {
    *value = device_.DevicePath;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT TDSDevicePropertyBag::Write(const char16_t* name, const QString&) { return name ? E_FAIL : E_POINTER; }

}  // namespace lumicar
