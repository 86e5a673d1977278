#include "dsbase/base/transform_filter.h"

#include <cstring>

#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"

namespace lumicar {

namespace {

HRESULT AnswerId(const char16_t* text, char16_t** id) {
  if (!id) return E_POINTER;
  size_t n = 0;
  while (text[n]) ++n;
  auto* copy = static_cast<char16_t*>(CoTaskMemAlloc((n + 1) * sizeof(char16_t)));
  *id = copy;
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, text, (n + 1) * sizeof(char16_t));
  return S_OK;
}

}  // namespace

// ---- input pin ----

TDSTransformInputPin::TDSTransformInputPin(const QString& objectName, TDSTransformFilter* filter,
                                           const QString& pinName)
    : TDSBaseInputPin(objectName, filter, filter->FilterLock(), pinName), transform_(filter) {}

HRESULT TDSTransformInputPin::QueryId(char16_t** id) { return AnswerId(u"In", id); }

HRESULT TDSTransformInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = transform_->CheckConnect(PINDIR_INPUT, pin);
  if (FAILED(hr)) return hr;
  return TDSBaseInputPin::CheckConnect(pin);
}

HRESULT TDSTransformInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = transform_->CompleteConnect(PINDIR_INPUT, receivePin);
  if (FAILED(hr)) return hr;
  return TDSBaseInputPin::CompleteConnect(receivePin);
}

HRESULT TDSTransformInputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_INPUT);
  return TDSBaseInputPin::BreakConnect();
}

HRESULT TDSTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  HRESULT hr = transform_->CheckInputType(mt);
  if (hr != S_OK) return hr;
  TDSTransformOutputPin* out = transform_->OutputPin();
  if (out && out->IsConnected()) hr = transform_->CheckTransform(mt, &out->CurrentMediaType());
  return hr;
}

HRESULT TDSTransformInputPin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  HRESULT hr = TDSBaseInputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_INPUT, mt);
}

HRESULT TDSTransformInputPin::CheckStreaming() {
  TDSTransformOutputPin* out = transform_->OutputPin();
  if (!out || !out->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsFlushing()) return S_FALSE;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (runtimeError_) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT TDSTransformInputPin::Receive(IMediaSample* sample) {
  std::lock_guard guard(*transform_->StreamingLock());
  HRESULT hr = TDSBaseInputPin::Receive(sample);
  if (hr == S_OK) hr = transform_->Receive(sample);
  return hr;
}

HRESULT TDSTransformInputPin::EndOfStream() {
  std::lock_guard guard(*transform_->StreamingLock());
  HRESULT hr = CheckStreaming();
  if (hr == S_OK) hr = transform_->EndOfStream();
  return hr;
}

HRESULT TDSTransformInputPin::BeginFlush() {
  std::lock_guard guard(*lock_);
  TDSTransformOutputPin* out = transform_->OutputPin();
  if (!IsConnected() || !out || !out->IsConnected()) return VFW_E_NOT_CONNECTED;
  HRESULT hr = TDSBaseInputPin::BeginFlush();
  if (FAILED(hr)) return hr;
  return transform_->BeginFlush();
}

HRESULT TDSTransformInputPin::EndFlush() {
  std::lock_guard guard(*lock_);
  TDSTransformOutputPin* out = transform_->OutputPin();
  if (!IsConnected() || !out || !out->IsConnected()) return VFW_E_NOT_CONNECTED;
  const HRESULT hr = transform_->EndFlush();
  if (FAILED(hr)) return hr;
  return TDSBaseInputPin::EndFlush();
}

HRESULT TDSTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  TDSBasePin::NewSegment(start, stop, rate);
  return transform_->NewSegment(start, stop, rate);
}

// ---- output pin ----

TDSTransformOutputPin::TDSTransformOutputPin(const QString& objectName, TDSTransformFilter* filter,
                                             const QString& pinName)
    : TDSBaseOutputPin(objectName, filter, filter->FilterLock(), pinName), transform_(filter) {}

TDSTransformOutputPin::~TDSTransformOutputPin() {
  if (passThru_) passThru_->GetNonDelegatingUnknown()->Release();
}

HRESULT TDSTransformOutputPin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaSeeking || iid == IID_IMediaPosition) {
    TDSPosPassThru* passThru;
    {
      std::lock_guard guard(passThruLock_);
      if (!passThru_) {
        passThru_ = new (std::nothrow)
            TDSPosPassThru(QStringLiteral("Transform position"), static_cast<IPin*>(this), transform_->InputPin());
        if (!passThru_) return E_OUTOFMEMORY;
        passThru_->GetNonDelegatingUnknown()->AddRef();
      }
      passThru = passThru_;
    }
    return passThru->NonDelegatingQueryInterface(iid, object);
  }
  return TDSBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSTransformOutputPin::QueryId(char16_t** id) { return AnswerId(u"Out", id); }

HRESULT TDSTransformOutputPin::CheckConnect(IPin* pin) {
  TDSTransformInputPin* in = transform_->InputPin();
  if (!in || !in->IsConnected()) return E_UNEXPECTED;
  const HRESULT hr = transform_->CheckConnect(PINDIR_OUTPUT, pin);
  if (FAILED(hr)) return hr;
  return TDSBaseOutputPin::CheckConnect(pin);
}

HRESULT TDSTransformOutputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
  if (FAILED(hr)) return hr;
  return TDSBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT TDSTransformOutputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_OUTPUT);
  return TDSBaseOutputPin::BreakConnect();
}

HRESULT TDSTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSTransformInputPin* in = transform_->InputPin();
  if (!in || !in->IsConnected()) return E_INVALIDARG;
  return transform_->CheckTransform(&in->CurrentMediaType(), mt);
}

HRESULT TDSTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  TDSTransformInputPin* in = transform_->InputPin();
  if (!in || !in->IsConnected()) return VFW_E_NOT_CONNECTED;
  HRESULT hr = TDSBaseOutputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_OUTPUT, mt);
}

HRESULT TDSTransformOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSTransformInputPin* in = transform_->InputPin();
  if (!in || !in->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return transform_->GetOutMediaType(position, mt);
}

HRESULT TDSTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  return transform_->DecideBufferSize(allocator, request);
}

HRESULT TDSTransformOutputPin::Notify(IBaseFilter*, Quality q) {
  HRESULT hr = transform_->AlterQuality(q);
  if (hr != S_FALSE) return hr;
  TDSTransformInputPin* in = transform_->InputPin();
  if (!in) return VFW_E_NOT_FOUND;
  if (TIntf<IQualityControl> sink = in->QualitySink()) return sink->Notify(transform_, q);
  TIntf<IPin> upstream = in->GetConnected();
  if (TIntf<IQualityControl> qc = QueryIntf<IQualityControl>(upstream.get(), IID_IQualityControl))
    return qc->Notify(transform_, q);
  return VFW_E_NOT_FOUND;
}

// ---- filter ----

TDSTransformFilter::TDSTransformFilter(const QString& name, IUnknown* outer, const TGUID& classId)
    : TDSBaseFilter(name, outer, classId) {}

TDSTransformFilter::~TDSTransformFilter() {
  output_.reset();
  input_.reset();
}

bool TDSTransformFilter::CreatePins() {
  input_.reset(new (std::nothrow) TDSTransformInputPin(QStringLiteral("Transform input pin"), this, u"XForm In"_qs));
  if (!input_) return false;
  output_.reset(new (std::nothrow)
                    TDSTransformOutputPin(QStringLiteral("Transform output pin"), this, u"XForm Out"_qs));
  if (!output_) {
    input_.reset();
    return false;
  }
  return true;
}

TDSBasePin* TDSTransformFilter::GetPin(int index) {
  if (!pinsMade_.load(std::memory_order_acquire)) {
    std::lock_guard guard(*lock_);
    if (!pinsMade_.load(std::memory_order_relaxed)) {
      if (!CreatePins()) return nullptr;
      pinsMade_.store(true, std::memory_order_release);
    }
  }
  if (index == 0) return input_.get();
  if (index == 1) return output_.get();
  return nullptr;
}

TDSTransformInputPin* TDSTransformFilter::InputPin() {
  GetPin(0);
  return input_.get();
}

TDSTransformOutputPin* TDSTransformFilter::OutputPin() {
  GetPin(0);
  return output_.get();
}

HRESULT TDSTransformFilter::FindPin(const char16_t* id, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!id) return E_POINTER;
  const QString wanted = QString::fromUtf16(id);
  TDSBasePin* p = wanted == u"In"_qs ? GetPin(0) : wanted == u"Out"_qs ? GetPin(1) : nullptr;
  if (!p) return VFW_E_NOT_FOUND;
  p->AddRef();
  *pin = p;
  return S_OK;
}

HRESULT TDSTransformFilter::Stop() {
  std::lock_guard guard(*lock_);
  if (IsStopped()) return S_OK;
  TDSTransformInputPin* in = InputPin();
  TDSTransformOutputPin* out = OutputPin();
  if (!in || !out || !in->IsConnected() || !out->IsConnected()) {
    SetState(State_Stopped);
    eosDelivered_ = false;
    return S_OK;
  }
  // The input side first, so that upstream waiting in our allocator is
  // released; then wait for the sample in progress before stopping output.
  in->Inactive();
  std::lock_guard streaming(streamingLock_);
  out->Inactive();
  const HRESULT hr = StopStreaming();
  if (SUCCEEDED(hr)) {
    SetState(State_Stopped);
    eosDelivered_ = false;
  }
  return hr;
}

HRESULT TDSTransformFilter::Pause() {
  std::lock_guard guard(*lock_);
  sampleSkipped_ = false;
  qualityChanged_ = false;
  if (State() == State_Paused) return S_OK;
  TDSTransformInputPin* in = InputPin();
  TDSTransformOutputPin* out = OutputPin();
  if (!in || !out) return E_OUTOFMEMORY;
  if (!in->IsConnected()) {
    // Nothing will ever arrive: tell downstream at once, once.
    if (out->IsConnected() && !eosDelivered_.exchange(true)) out->DeliverEndOfStream();
    SetState(State_Paused);
    return S_OK;
  }
  if (!out->IsConnected()) {
    SetState(State_Paused);
    return S_OK;
  }
  if (IsStopped()) {
    std::lock_guard streaming(streamingLock_);
    const HRESULT hr = StartStreaming();
    if (FAILED(hr)) return hr;
  }
  return TDSBaseFilter::Pause();
}

HRESULT TDSTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

void TDSTransformFilter::SampleSkipped() {
  sampleSkipped_ = true;
  if (!qualityChanged_.exchange(true)) NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
}

HRESULT TDSTransformFilter::Receive(IMediaSample* sample) {
  TDSTransformOutputPin* out = OutputPin();
  const AM_SAMPLE2_PROPERTIES* props = InputPin()->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return out->Deliver(sample);

  IMediaSample* raw = nullptr;
  HRESULT hr = InitializeOutputSample(sample, &raw);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> outSample = TIntf<IMediaSample>::Adopt(raw);
  hr = Transform(sample, outSample.get());
  if (hr == S_OK) {
    hr = out->Deliver(outSample.get());
    sampleSkipped_ = false;
  } else if (hr == S_FALSE) {
    SampleSkipped();
    hr = S_OK;
  }
  return hr;
}

HRESULT TDSTransformFilter::InitializeOutputSample(IMediaSample* sample, IMediaSample** outSample) {
  if (!sample || !outSample) return E_POINTER;
  *outSample = nullptr;
  const AM_SAMPLE2_PROPERTIES* props = InputPin()->SampleProps();
  uint32_t flags = 0;
  if (sampleSkipped_) flags |= AM_GBF_PREVFRAMESKIPPED;
  if (!(props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT)) flags |= AM_GBF_NOTASYNCPOINT;
  const bool timeValid = props->dwSampleFlags & AM_SAMPLE_TIMEVALID;
  const bool stopValid = props->dwSampleFlags & AM_SAMPLE_STOPVALID;
  IMediaSample* raw = nullptr;
  HRESULT hr = OutputPin()->GetDeliveryBuffer(&raw, timeValid ? &props->tStart : nullptr,
                                              timeValid && stopValid ? &props->tStop : nullptr, flags);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> out = TIntf<IMediaSample>::Adopt(raw);

  if (TIntf<IMediaSample2> out2 = QueryIntf<IMediaSample2>(out.get(), IID_IMediaSample2)) {
    AM_SAMPLE2_PROPERTIES outProps;
    hr = out2->GetProperties(sizeof outProps, reinterpret_cast<uint8_t*>(&outProps));
    if (FAILED(hr)) return hr;
    outProps.dwTypeSpecificFlags = props->dwTypeSpecificFlags;
    outProps.dwSampleFlags =
        (outProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) | (props->dwSampleFlags & ~AM_SAMPLE_TYPECHANGED);
    outProps.tStart = props->tStart;
    outProps.tStop = props->tStop;
    // Up to the stream id only: the output keeps its own buffer, length and
    // media type, which describe the output and not the input.
    hr = out2->SetProperties(offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId), reinterpret_cast<uint8_t*>(&outProps));
    if (FAILED(hr)) return hr;
  } else {
    if (timeValid) out->SetTime(&props->tStart, stopValid ? &props->tStop : nullptr);
    out->SetSyncPoint(props->dwSampleFlags & AM_SAMPLE_SPLICEPOINT);
    out->SetDiscontinuity(props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY);
  }
  int64_t mediaStart, mediaStop;
  if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK) out->SetMediaTime(&mediaStart, &mediaStop);
  if (props->dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) sampleSkipped_ = false;
  *outSample = out.Detach();
  return S_OK;
}

HRESULT TDSTransformFilter::EndOfStream() { return OutputPin()->DeliverEndOfStream(); }
HRESULT TDSTransformFilter::BeginFlush() { return OutputPin()->DeliverBeginFlush(); }
HRESULT TDSTransformFilter::EndFlush() { return OutputPin()->DeliverEndFlush(); }
HRESULT TDSTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return OutputPin()->DeliverNewSegment(start, stop, rate);
}

}  // namespace lumicar
