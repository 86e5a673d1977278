#pragma once
// The sample grabber: an in-place filter that accepts only the kind of type it
// was given, hands every sample to a callback on the streaming thread, may
// keep a copy of the last one, and passes the samples on unchanged. Its output
// may stay unconnected: the samples then end with it.

#include <mutex>
#include <vector>

#include "dsbase/base/trans_in_place_filter.h"
#include "dsbase/filters/sample_grabber_interfaces.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSSampleGrabber final : public TDSTransInPlaceFilter, public ISampleGrabber {
 public:
  explicit TDSSampleGrabber(IUnknown* outer = nullptr);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // ISampleGrabber
  HRESULT SetOneShot(bool oneShot) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT SetBufferSamples(bool buffer) override;
  HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) override;
  HRESULT GetCurrentSample(IMediaSample** sample) override;
  HRESULT SetCallback(ISampleGrabberCB* callback, int32_t whichMethod) override;

  // The filter
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override;
  HRESULT Transform(IMediaSample* sample) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT Pause() override;
  using TDSTransInPlaceFilter::SetMediaType;

 protected:
  bool CreatePins() override;

 private:
  ~TDSSampleGrabber() override;
  void Grab(IMediaSample* sample);

  TLeafMutex lock_{"sample grabber lock"};  // settings, callback and the kept buffer
  TDSMediaType wanted_;
  bool oneShot_ = false;
  bool oneShotDone_ = false;
  bool bufferSamples_ = false;
  bool haveBuffer_ = false;
  std::vector<uint8_t> buffer_;
  TIntf<ISampleGrabberCB> callback_;
  int32_t whichMethod_ = 0;
};

}  // namespace lumicar
