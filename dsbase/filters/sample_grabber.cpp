#include "dsbase/filters/sample_grabber.h"

#include <cstring>

#include "dsbase/base/dsbase_log.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "runtime/log_gate.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

// Samples may end at the grabber: its input streams without a connected output.
class TGrabberInputPin final : public TDSTransInPlaceInputPin {
 public:
  using TDSTransInPlaceInputPin::TDSTransInPlaceInputPin;
  HRESULT CheckStreaming() override {
    TDSTransformOutputPin* out = transform_->OutputPin();
    if (out && out->IsConnected()) return TDSTransInPlaceInputPin::CheckStreaming();
    if (IsFlushing()) return S_FALSE;
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (runtimeError_) return VFW_E_RUNTIME_ERROR;
    return S_OK;
  }
};

}  // namespace

TDSSampleGrabber::TDSSampleGrabber(IUnknown* outer)
    : TDSTransInPlaceFilter(QStringLiteral("SampleGrabber"), outer, CLSID_SampleGrabber) {}

TDSSampleGrabber::~TDSSampleGrabber() = default;

bool TDSSampleGrabber::CreatePins() {
  input_.reset(new (std::nothrow) TGrabberInputPin(QStringLiteral("Grabber input pin"), this, u"Input"_qs));
  if (!input_) return false;
  output_.reset(new (std::nothrow) TDSTransInPlaceOutputPin(QStringLiteral("Grabber output pin"), this, u"Output"_qs));
  if (!output_) {
    input_.reset();
    return false;
  }
  return true;
}

HRESULT TDSSampleGrabber::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_ISampleGrabber) return GetInterface<ISampleGrabber>(this, object);
  return TDSTransInPlaceFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSSampleGrabber::SetOneShot(bool oneShot) {
  std::lock_guard guard(lock_);
  oneShot_ = oneShot;
  oneShotDone_ = false;
  return S_OK;
}

HRESULT TDSSampleGrabber::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSMediaType kind;
  kind->majortype = mt->majortype;
  kind->subtype = mt->subtype;
  kind->formattype = mt->formattype;
  std::lock_guard guard(lock_);
  wanted_ = kind;
  return S_OK;
}

HRESULT TDSSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return InputPin()->ConnectionMediaType(mt);
}

HRESULT TDSSampleGrabber::SetBufferSamples(bool buffer) {
  std::lock_guard guard(lock_);
  bufferSamples_ = buffer;
  if (!buffer) {
    haveBuffer_ = false;
    std::vector<uint8_t>().swap(buffer_);
  }
  return S_OK;
}

HRESULT TDSSampleGrabber::GetCurrentBuffer(int32_t* size, uint8_t* buffer) {
  if (!size) return E_POINTER;
  std::lock_guard guard(lock_);
  if (!bufferSamples_) return E_INVALIDARG;
  if (!haveBuffer_) return VFW_E_WRONG_STATE;
  const auto needed = int32_t(buffer_.size());
  if (!buffer) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) return E_OUTOFMEMORY;
  if (needed) std::memcpy(buffer, buffer_.data(), buffer_.size());
  *size = needed;
  return S_OK;
}

HRESULT TDSSampleGrabber::GetCurrentSample(IMediaSample** sample) {
  if (sample) *sample = nullptr;
  return E_NOTIMPL;
}

HRESULT TDSSampleGrabber::SetCallback(ISampleGrabberCB* callback, int32_t whichMethod) {
  if (whichMethod != 0 && whichMethod != 1) return E_INVALIDARG;
  std::lock_guard guard(lock_);
  callback_ = TIntf<ISampleGrabberCB>(callback);
  whichMethod_ = whichMethod;
  return S_OK;
}

HRESULT TDSSampleGrabber::CheckInputType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(lock_);
  const AM_MEDIA_TYPE& want = wanted_.Get();
  if (!want.majortype.IsNull() && !(want.majortype == mt->majortype)) return VFW_E_TYPE_NOT_ACCEPTED;
  if (!want.subtype.IsNull() && !(want.subtype == mt->subtype)) return VFW_E_TYPE_NOT_ACCEPTED;
  if (!want.formattype.IsNull() && !(want.formattype == mt->formattype)) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT TDSSampleGrabber::Pause() {
  {
    std::lock_guard guard(lock_);
    if (IsStopped()) oneShotDone_ = false;
  }
  return TDSTransInPlaceFilter::Pause();
}

void TDSSampleGrabber::Grab(IMediaSample* sample) {
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  const int32_t length = std::max<int32_t>(0, std::min(sample->GetActualDataLength(), sample->GetSize()));
  REFERENCE_TIME start = 0, stop = 0;
  const double seconds = SUCCEEDED(sample->GetTime(&start, &stop)) ? double(start) / 1e7 : 0.0;
  TIntf<ISampleGrabberCB> callback;
  int32_t which;
  {
    std::lock_guard guard(lock_);
    if (bufferSamples_ && data) {
      buffer_.assign(data, data + length);
      haveBuffer_ = true;
    }
    callback = callback_;
    which = whichMethod_;
  }
  if (!callback) return;
  // The callback's result and failures are its own: the stream goes on.
  try {
    if (which == 0)
      callback->SampleCB(seconds, sample);
    else
      callback->BufferCB(seconds, data, length);
  } catch (...) {
    // Every sample passes here: at most one line a second.
    static TLogGate callbackLog;
    if (callbackLog.Open())
      qCWarning(lcMediaGraph).noquote() << "The sample grabber's callback failed:" << CurrentExceptionText();
  }
}

HRESULT TDSSampleGrabber::Transform(IMediaSample* sample) {
  Grab(sample);
  return S_OK;
}

HRESULT TDSSampleGrabber::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  bool finish = false;
  {
    std::lock_guard guard(lock_);
    if (oneShot_ && oneShotDone_) return S_FALSE;
    if (oneShot_) oneShotDone_ = finish = true;
  }
  HRESULT hr;
  if (!OutputPin()->IsConnected()) {
    Grab(sample);
    hr = S_OK;
  } else {
    hr = TDSTransInPlaceFilter::Receive(sample);
  }
  if (finish) {
    // One sample was wanted: tell upstream to stop and the graph that we are done.
    if (OutputPin()->IsConnected()) OutputPin()->DeliverEndOfStream();
    NotifyEvent(EC_COMPLETE, S_OK, 0);
    return FAILED(hr) ? hr : S_FALSE;
  }
  return hr;
}

}  // namespace lumicar
