#pragma once
// TDSSampleGrabberCB: the object a sample grabber calls for each sample,
// forwarding it to one handler of the capture component on the graph's
// streaming thread. It is not reference counted: the component owns it and
// frees it only after every grabber that knows it has let go.

#include <functional>

#include "dsbase/filters/sample_grabber_interfaces.h"

namespace lumicar {

class TDSSampleGrabberCB final : public ISampleGrabberCB {
 public:
  // (sample time in seconds, sample) on the streaming thread.
  using THandler = std::function<void(double time, IMediaSample* sample)>;

  explicit TDSSampleGrabberCB(THandler handler = {}) : handler_(std::move(handler)) {}
  ~TDSSampleGrabberCB() override = default;
  TDSSampleGrabberCB(const TDSSampleGrabberCB&) = delete;
  TDSSampleGrabberCB& operator=(const TDSSampleGrabberCB&) = delete;

  // IUnknown and ISampleGrabberCB only. The counts are fixed.
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }

  // Calls the handler when one is set; always succeeds.
  HRESULT SampleCB(double sampleTime, IMediaSample* sample) override;
  HRESULT BufferCB(double, uint8_t*, int32_t) override { return S_OK; }

 private:
  THandler handler_;
};

}  // namespace lumicar
