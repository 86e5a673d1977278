#include "dsbase/base/pos_pass_thru.h"

#include "dsbase/com/result_codes.h"

namespace lumicar {

HRESULT TDSMediaPosition::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaPosition) return GetInterface<IMediaPosition>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

TDSPosPassThru::TDSPosPassThru(const QString& name, IUnknown* outer, IPin* pin)
    : TDSMediaPosition(name, outer), pin_(pin) {}

HRESULT TDSPosPassThru::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaSeeking) return GetInterface<IMediaSeeking>(this, object);
  return TDSMediaPosition::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSPosPassThru::PeerSeeking(TIntf<IMediaSeeking>& seeking) {
  if (!pin_) return E_NOTIMPL;
  IPin* raw = nullptr;
  if (FAILED(pin_->ConnectedTo(&raw)) || !raw) return VFW_E_NOT_CONNECTED;
  TIntf<IPin> peer = TIntf<IPin>::Adopt(raw);
  seeking = QueryIntf<IMediaSeeking>(peer.get(), IID_IMediaSeeking);
  return seeking ? S_OK : E_NOTIMPL;
}

HRESULT TDSPosPassThru::PeerPosition(TIntf<IMediaPosition>& position) {
  if (!pin_) return E_NOTIMPL;
  IPin* raw = nullptr;
  if (FAILED(pin_->ConnectedTo(&raw)) || !raw) return VFW_E_NOT_CONNECTED;
  TIntf<IPin> peer = TIntf<IPin>::Adopt(raw);
  position = QueryIntf<IMediaPosition>(peer.get(), IID_IMediaPosition);
  return position ? S_OK : E_NOTIMPL;
}

#define DS_FORWARD_SEEKING(call)     \
  TIntf<IMediaSeeking> s;            \
  const HRESULT hr = PeerSeeking(s); \
  if (FAILED(hr)) return hr;         \
  return s->call

#define DS_FORWARD_POSITION(call)     \
  TIntf<IMediaPosition> p;            \
  const HRESULT hr = PeerPosition(p); \
  if (FAILED(hr)) return hr;          \
  return p->call

HRESULT TDSPosPassThru::GetCapabilities(uint32_t* caps) { DS_FORWARD_SEEKING(GetCapabilities(caps)); }
HRESULT TDSPosPassThru::CheckCapabilities(uint32_t* caps) { DS_FORWARD_SEEKING(CheckCapabilities(caps)); }
HRESULT TDSPosPassThru::IsFormatSupported(const TGUID* f) { DS_FORWARD_SEEKING(IsFormatSupported(f)); }
HRESULT TDSPosPassThru::QueryPreferredFormat(TGUID* f) { DS_FORWARD_SEEKING(QueryPreferredFormat(f)); }
HRESULT TDSPosPassThru::GetTimeFormat(TGUID* f) { DS_FORWARD_SEEKING(GetTimeFormat(f)); }
HRESULT TDSPosPassThru::IsUsingTimeFormat(const TGUID* f) { DS_FORWARD_SEEKING(IsUsingTimeFormat(f)); }
HRESULT TDSPosPassThru::SetTimeFormat(const TGUID* f) { DS_FORWARD_SEEKING(SetTimeFormat(f)); }
HRESULT TDSPosPassThru::GetDuration(int64_t* d) { DS_FORWARD_SEEKING(GetDuration(d)); }
HRESULT TDSPosPassThru::GetStopPosition(int64_t* v) { DS_FORWARD_SEEKING(GetStopPosition(v)); }
HRESULT TDSPosPassThru::GetCurrentPosition(int64_t* v) { DS_FORWARD_SEEKING(GetCurrentPosition(v)); }
HRESULT TDSPosPassThru::ConvertTimeFormat(int64_t* t, const TGUID* tf, int64_t s0, const TGUID* sf) {
  DS_FORWARD_SEEKING(ConvertTimeFormat(t, tf, s0, sf));
}
HRESULT TDSPosPassThru::SetPositions(int64_t* c, uint32_t cf, int64_t* st, uint32_t sf) {
  DS_FORWARD_SEEKING(SetPositions(c, cf, st, sf));
}
HRESULT TDSPosPassThru::GetPositions(int64_t* c, int64_t* st) { DS_FORWARD_SEEKING(GetPositions(c, st)); }
HRESULT TDSPosPassThru::GetAvailable(int64_t* e, int64_t* l) { DS_FORWARD_SEEKING(GetAvailable(e, l)); }
HRESULT TDSPosPassThru::SetRate(double r) { DS_FORWARD_SEEKING(SetRate(r)); }
HRESULT TDSPosPassThru::GetRate(double* r) { DS_FORWARD_SEEKING(GetRate(r)); }
HRESULT TDSPosPassThru::GetPreroll(int64_t* p0) { DS_FORWARD_SEEKING(GetPreroll(p0)); }

HRESULT TDSPosPassThru::get_Duration(double* v) { DS_FORWARD_POSITION(get_Duration(v)); }
HRESULT TDSPosPassThru::put_CurrentPosition(double v) { DS_FORWARD_POSITION(put_CurrentPosition(v)); }
HRESULT TDSPosPassThru::get_CurrentPosition(double* v) { DS_FORWARD_POSITION(get_CurrentPosition(v)); }
HRESULT TDSPosPassThru::get_StopTime(double* v) { DS_FORWARD_POSITION(get_StopTime(v)); }
HRESULT TDSPosPassThru::put_StopTime(double v) { DS_FORWARD_POSITION(put_StopTime(v)); }
HRESULT TDSPosPassThru::get_PrerollTime(double* v) { DS_FORWARD_POSITION(get_PrerollTime(v)); }
HRESULT TDSPosPassThru::put_PrerollTime(double v) { DS_FORWARD_POSITION(put_PrerollTime(v)); }
HRESULT TDSPosPassThru::put_Rate(double v) { DS_FORWARD_POSITION(put_Rate(v)); }
HRESULT TDSPosPassThru::get_Rate(double* v) { DS_FORWARD_POSITION(get_Rate(v)); }
HRESULT TDSPosPassThru::CanSeekForward(int32_t* v) { DS_FORWARD_POSITION(CanSeekForward(v)); }
HRESULT TDSPosPassThru::CanSeekBackward(int32_t* v) { DS_FORWARD_POSITION(CanSeekBackward(v)); }

}  // namespace lumicar
