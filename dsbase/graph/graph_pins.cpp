#include "dsbase/graph/graph_pins.h"

#include "dsbase/media/media_type.h"

namespace lumicar {

std::vector<TIntf<IPin>> DSPinsOf(IBaseFilter* filter) {
  std::vector<TIntf<IPin>> pins;
  if (!filter) return pins;
  IEnumPins* raw = nullptr;
  if (FAILED(filter->EnumPins(&raw)) || !raw) return pins;
  TIntf<IEnumPins> e = TIntf<IEnumPins>::Adopt(raw);
  for (;;) {
    IPin* pin = nullptr;
    uint32_t fetched = 0;
    if (e->Next(1, &pin, &fetched) != S_OK || fetched != 1 || !pin) break;
    pins.push_back(TIntf<IPin>::Adopt(pin));
  }
  return pins;
}

bool DSPinDirection(IPin* pin, PIN_DIRECTION* dir) { return pin && SUCCEEDED(pin->QueryDirection(dir)); }

TIntf<IBaseFilter> DSFilterOfPin(IPin* pin) {
  if (!pin) return {};
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return {};
  return TIntf<IBaseFilter>::Adopt(info.pFilter);
}

TIntf<IPin> DSPeerOf(IPin* pin) {
  IPin* peer = nullptr;
  if (!pin || FAILED(pin->ConnectedTo(&peer))) return {};
  return TIntf<IPin>::Adopt(peer);
}

TIntf<IPin> DSFirstPin(IBaseFilter* filter, PIN_DIRECTION dir, bool unconnectedOnly) {
  for (TIntf<IPin>& pin : DSPinsOf(filter)) {
    PIN_DIRECTION d;
    if (!DSPinDirection(pin.get(), &d) || d != dir) continue;
    if (unconnectedOnly && DSPeerOf(pin.get())) continue;
    return pin;
  }
  return {};
}

bool DSSameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return false;
  TIntf<IUnknown> ia = QueryIntf<IUnknown>(a, IID_IUnknown);
  TIntf<IUnknown> ib = QueryIntf<IUnknown>(b, IID_IUnknown);
  return ia && ia == ib;
}

bool DSPinHasMajorType(IPin* pin, const TGUID& major) {
  if (!pin) return false;
  AM_MEDIA_TYPE connected;
  if (SUCCEEDED(pin->ConnectionMediaType(&connected))) {
    const bool match = connected.majortype == major;
    LPDSFreeMediaType(connected);
    return match;
  }
  LPDSFreeMediaType(connected);
  IEnumMediaTypes* raw = nullptr;
  if (FAILED(pin->EnumMediaTypes(&raw)) || !raw) return false;
  TIntf<IEnumMediaTypes> e = TIntf<IEnumMediaTypes>::Adopt(raw);
  for (;;) {
    AM_MEDIA_TYPE* mt = nullptr;
    uint32_t fetched = 0;
    if (e->Next(1, &mt, &fetched) != S_OK || fetched != 1 || !mt) {
      LPDSDeleteMediaType(mt);
      return false;
    }
    const bool match = mt->majortype == major;
    LPDSDeleteMediaType(mt);
    if (match) return true;
  }
}

}  // namespace lumicar
