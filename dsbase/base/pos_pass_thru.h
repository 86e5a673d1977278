#pragma once
// Seeking and position requests made on a filter's output side, passed to
// the pin upstream of the filter's input: a transform or renderer holds no
// position of its own.

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_interfaces.h"
#include "dsbase/com/seeking_interfaces.h"

namespace lumicar {

// The position interface in seconds; the base answers E_NOTIMPL.
class TDSMediaPosition : public TDSDualUnknown, public IMediaPosition {
 public:
  TDSMediaPosition(const QString& name, IUnknown* outer) : TDSDualUnknown(name, outer) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT get_Duration(double*) override { return E_NOTIMPL; }
  HRESULT put_CurrentPosition(double) override { return E_NOTIMPL; }
  HRESULT get_CurrentPosition(double*) override { return E_NOTIMPL; }
  HRESULT get_StopTime(double*) override { return E_NOTIMPL; }
  HRESULT put_StopTime(double) override { return E_NOTIMPL; }
  HRESULT get_PrerollTime(double*) override { return E_NOTIMPL; }
  HRESULT put_PrerollTime(double) override { return E_NOTIMPL; }
  HRESULT put_Rate(double) override { return E_NOTIMPL; }
  HRESULT get_Rate(double*) override { return E_NOTIMPL; }
  HRESULT CanSeekForward(int32_t*) override { return E_NOTIMPL; }
  HRESULT CanSeekBackward(int32_t*) override { return E_NOTIMPL; }
};

class TDSPosPassThru : public TDSMediaPosition, public IMediaSeeking {
 public:
  // `pin` is the filter's input pin (not counted: it outlives us).
  TDSPosPassThru(const QString& name, IUnknown* outer, IPin* pin);
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT GetCapabilities(uint32_t* caps) override;
  HRESULT CheckCapabilities(uint32_t* caps) override;
  HRESULT IsFormatSupported(const TGUID* format) override;
  HRESULT QueryPreferredFormat(TGUID* format) override;
  HRESULT GetTimeFormat(TGUID* format) override;
  HRESULT IsUsingTimeFormat(const TGUID* format) override;
  HRESULT SetTimeFormat(const TGUID* format) override;
  HRESULT GetDuration(int64_t* duration) override;
  HRESULT GetStopPosition(int64_t* stop) override;
  HRESULT GetCurrentPosition(int64_t* current) override;
  HRESULT ConvertTimeFormat(int64_t* target, const TGUID* targetFormat, int64_t source,
                            const TGUID* sourceFormat) override;
  HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) override;
  HRESULT GetPositions(int64_t* current, int64_t* stop) override;
  HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(int64_t* preroll) override;

  HRESULT get_Duration(double* length) override;
  HRESULT put_CurrentPosition(double time) override;
  HRESULT get_CurrentPosition(double* time) override;
  HRESULT get_StopTime(double* time) override;
  HRESULT put_StopTime(double time) override;
  HRESULT get_PrerollTime(double* time) override;
  HRESULT put_PrerollTime(double time) override;
  HRESULT put_Rate(double rate) override;
  HRESULT get_Rate(double* rate) override;
  HRESULT CanSeekForward(int32_t* canSeek) override;
  HRESULT CanSeekBackward(int32_t* canSeek) override;

 protected:
  // The upstream pin's interface, or E_NOTIMPL / VFW_E_NOT_CONNECTED.
  HRESULT PeerSeeking(TIntf<IMediaSeeking>& seeking);
  HRESULT PeerPosition(TIntf<IMediaPosition>& position);

 private:
  IPin* pin_;
};

// The renderer's pass-through, bound to the renderer's input pin.
class TDSRendererPosPassThru : public TDSPosPassThru {
 public:
  using TDSPosPassThru::TDSPosPassThru;
};

}  // namespace lumicar
