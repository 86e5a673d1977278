#include "dsbase/base/enum_media_types.h"

#include <new>

#include "dsbase/base/base_pin.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

TDSEnumMediaTypes::TDSEnumMediaTypes(TDSBasePin* pin, const TDSEnumMediaTypes* copy)
    : TDSDualUnknown(QStringLiteral("Media type enumerator"), nullptr), pin_(pin) {
  pin_->AddRef();
  if (copy) {
    position_ = copy->position_;
    version_ = copy->version_;
  } else {
    version_ = pin_->GetMediaTypeVersion();
  }
}

TDSEnumMediaTypes::~TDSEnumMediaTypes() { pin_->Release(); }

HRESULT TDSEnumMediaTypes::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IEnumMediaTypes) return GetInterface<IEnumMediaTypes>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

bool TDSEnumMediaTypes::OutOfSync() const { return version_ != pin_->GetMediaTypeVersion(); }

HRESULT TDSEnumMediaTypes::Next(uint32_t count, AM_MEDIA_TYPE** types, uint32_t* fetched) {
  if (!types) return E_POINTER;
  if (!fetched && count != 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  uint32_t got = 0;
  while (got < count) {
    void* memory = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
    if (!memory) break;
    auto* mt = new (memory) AM_MEDIA_TYPE();
    LPDSInitMediaType(*mt);
    if (pin_->GetMediaType(position_, mt) != S_OK) {
      LPDSDeleteMediaType(mt);
      break;
    }
    ++position_;
    types[got++] = mt;
  }
  if (fetched) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT TDSEnumMediaTypes::Skip(uint32_t count) {
  if (count == 0) return S_OK;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  const int64_t target = int64_t(position_) + count;
  position_ = target > INT32_MAX ? INT32_MAX : int(target);
  AM_MEDIA_TYPE scratch;
  LPDSInitMediaType(scratch);
  const HRESULT hr = pin_->GetMediaType(position_, &scratch);
  LPDSFreeMediaType(scratch);
  return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT TDSEnumMediaTypes::Reset() {
  position_ = 0;
  version_ = pin_->GetMediaTypeVersion();
  return S_OK;
}

HRESULT TDSEnumMediaTypes::Clone(IEnumMediaTypes** copy) {
  if (!copy) return E_POINTER;
  *copy = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  auto* e = new (std::nothrow) TDSEnumMediaTypes(pin_, this);
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *copy = e;
  return S_OK;
}

}  // namespace lumicar
