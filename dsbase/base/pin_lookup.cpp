#include "dsbase/base/pin_lookup.h"

#include <functional>

#include "dsbase/com/property_set.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

namespace {

// A filter may change its pins while it is walked; the walk starts over a
// few times before it gives up.
constexpr int kWalkAttempts = 4;

// The `skip`-th pin (from 0) for which `wanted` holds.
HRESULT FindPin(IBaseFilter* filter, int skip, const std::function<bool(IPin*)>& wanted, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!filter) return E_POINTER;
  if (skip < 0) return E_INVALIDARG;
  IEnumPins* raw = nullptr;
  HRESULT hr = filter->EnumPins(&raw);
  if (FAILED(hr)) return hr;
  if (!raw) return E_UNEXPECTED;
  TIntf<IEnumPins> pins = TIntf<IEnumPins>::Adopt(raw);
  for (int attempt = 0; attempt < kWalkAttempts; ++attempt) {
    int left = skip;
    for (;;) {
      IPin* next = nullptr;
      uint32_t fetched = 0;
      hr = pins->Next(1, &next, &fetched);
      if (hr != S_OK || fetched != 1 || !next) {
        if (next) next->Release();
        break;
      }
      TIntf<IPin> candidate = TIntf<IPin>::Adopt(next);
      if (!wanted(candidate.get())) continue;
      if (left-- > 0) continue;
      *pin = candidate.Detach();
      return S_OK;
    }
    if (hr != VFW_E_ENUM_OUT_OF_SYNC) break;
    pins->Reset();
  }
  return VFW_E_NOT_FOUND;
}

bool HasDirection(IPin* pin, PIN_DIRECTION dir) {
  PIN_DIRECTION d;
  return SUCCEEDED(pin->QueryDirection(&d)) && d == dir;
}

bool IsConnected(IPin* pin) {
  IPin* peer = nullptr;
  const HRESULT hr = pin->ConnectedTo(&peer);
  if (peer) peer->Release();
  return SUCCEEDED(hr) && peer;
}

bool IsPreview(IPin* pin) {
  TIntf<IKsPropertySet> props = QueryIntf<IKsPropertySet>(pin, IID_IKsPropertySet);
  if (!props) return false;
  TGUID category;
  uint32_t returned = 0;
  const HRESULT hr =
      props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category, &returned);
  return SUCCEEDED(hr) && returned == sizeof category && category == PIN_CATEGORY_PREVIEW;
}

}  // namespace

HRESULT LPDSGetPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** pin) {
  return FindPin(
      filter, index, [dir](IPin* p) { return HasDirection(p, dir); }, pin);
}

HRESULT LPDSGetInputPin(IBaseFilter* filter, int index, IPin** pin) {
  return LPDSGetPin(filter, PINDIR_INPUT, index, pin);
}

HRESULT LPDSGetOutputPin(IBaseFilter* filter, int index, IPin** pin) {
  return LPDSGetPin(filter, PINDIR_OUTPUT, index, pin);
}

HRESULT LPGetFilterConnectedPin(IBaseFilter* filter, PIN_DIRECTION dir, IPin** pin) {
  return FindPin(
      filter, 0, [dir](IPin* p) { return HasDirection(p, dir) && IsConnected(p); }, pin);
}

HRESULT LPDSGetPreviewOutputPin(IBaseFilter* filter, IPin** pin) {
  return FindPin(
      filter, 0, [](IPin* p) { return HasDirection(p, PINDIR_OUTPUT) && IsPreview(p); }, pin);
}

bool LPDSIsFourCC(const TGUID& guid, uint32_t* fourcc) {
  const TGUID pattern = DSFourCCGuid(guid.D1);
  const bool is = guid == pattern;
  if (fourcc) *fourcc = is ? guid.D1 : 0;
  return is;
}

HRESULT LPGetPinFourCC(IPin* pin, uint32_t* fourcc) {
  if (!fourcc) return E_POINTER;
  *fourcc = 0;
  if (!pin) return E_POINTER;
  AM_MEDIA_TYPE mt;
  const HRESULT hr = pin->ConnectionMediaType(&mt);
  const TGUID subtype = mt.subtype;
  LPDSFreeMediaType(mt);
  if (FAILED(hr)) return hr;
  return LPDSIsFourCC(subtype, fourcc) ? S_OK : S_FALSE;
}

}  // namespace lumicar
