#include "dsbase/base/enum_pins.h"

#include "dsbase/base/base_filter.h"
#include "dsbase/base/base_pin.h"
#include "dsbase/com/result_codes.h"

namespace lumicar {

TDSEnumPins::TDSEnumPins(TDSBaseFilter* filter, const TDSEnumPins* copy)
    : TDSDualUnknown(QStringLiteral("Pin enumerator"), nullptr), filter_(filter) {
  filter_->AddRef();
  if (copy) {
    position_ = copy->position_;
    count_ = copy->count_;
    version_ = copy->version_;
  } else {
    count_ = filter_->GetPinCount();
    version_ = filter_->GetPinVersion();
  }
}

TDSEnumPins::~TDSEnumPins() { filter_->Release(); }

HRESULT TDSEnumPins::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IEnumPins) return GetInterface<IEnumPins>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

bool TDSEnumPins::OutOfSync() const { return version_ != filter_->GetPinVersion(); }

HRESULT TDSEnumPins::Next(uint32_t count, IPin** pins, uint32_t* fetched) {
  if (!pins) return E_POINTER;
  if (!fetched && count != 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  uint32_t got = 0;
  while (got < count && position_ < count_) {
    TDSBasePin* pin = filter_->GetPin(position_);
    if (!pin) break;  // the filter lost a pin without telling: stop short
    ++position_;
    pin->AddRef();
    pins[got++] = pin;
  }
  if (fetched) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT TDSEnumPins::Skip(uint32_t count) {
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  if (uint64_t(count_ - position_) >= count) {
    position_ += int(count);
    return S_OK;
  }
  position_ = count_;
  return S_FALSE;
}

HRESULT TDSEnumPins::Reset() { return Refresh(); }

HRESULT TDSEnumPins::Refresh() {
  version_ = filter_->GetPinVersion();
  count_ = filter_->GetPinCount();
  position_ = 0;
  return S_OK;
}

HRESULT TDSEnumPins::Clone(IEnumPins** copy) {
  if (!copy) return E_POINTER;
  *copy = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  auto* e = new (std::nothrow) TDSEnumPins(filter_, this);
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *copy = e;
  return S_OK;
}

}  // namespace lumicar
