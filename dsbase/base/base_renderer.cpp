#include "dsbase/base/base_renderer.h"

#include <algorithm>

#include "dsbase/com/media_event_sink.h"

namespace lumicar {

// ---- input pin ----

TDSRendererInputPin::TDSRendererInputPin(TDSBaseRenderer* renderer, const QString& pinName)
    : TDSBaseInputPin(QStringLiteral("Renderer pin"), renderer, renderer->FilterLock(), pinName), renderer_(renderer) {}

HRESULT TDSRendererInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = TDSBaseInputPin::Receive(sample);
  if (hr == S_OK) hr = renderer_->Receive(sample);
  return hr;
}

HRESULT TDSRendererInputPin::EndOfStream() {
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return renderer_->EndOfStream();
}

HRESULT TDSRendererInputPin::BeginFlush() {
  std::lock_guard guard(*lock_);
  TDSBaseInputPin::BeginFlush();
  return renderer_->BeginFlush();
}

HRESULT TDSRendererInputPin::EndFlush() {
  std::lock_guard guard(*lock_);
  const HRESULT hr = renderer_->EndFlush();
  TDSBaseInputPin::EndFlush();
  return hr;
}

HRESULT TDSRendererInputPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return renderer_->CheckMediaType(mt);
}

HRESULT TDSRendererInputPin::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return renderer_->GetMediaType(position, mt);
}

HRESULT TDSRendererInputPin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  const HRESULT hr = TDSBaseInputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return renderer_->SetMediaType(mt);
}

HRESULT TDSRendererInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = TDSBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return renderer_->CompleteConnect(receivePin);
}

HRESULT TDSRendererInputPin::BreakConnect() {
  renderer_->BreakConnect();
  return TDSBaseInputPin::BreakConnect();
}

HRESULT TDSRendererInputPin::Active() { return renderer_->Active(); }

HRESULT TDSRendererInputPin::Inactive() {
  TDSBaseInputPin::Inactive();
  return renderer_->Inactive();
}

// ---- renderer ----

TDSBaseRenderer::TDSBaseRenderer(const QString& name, IUnknown* outer, const TGUID& classId)
    : TDSBaseFilter(name, outer, classId) {
  input_ = std::make_unique<TDSRendererInputPin>(this, u"In"_qs);
  abort_.SetEv();
}

TDSBaseRenderer::~TDSBaseRenderer() {
  if (position_) position_->GetNonDelegatingUnknown()->Release();
  input_.reset();
}

TDSBasePin* TDSBaseRenderer::GetPin(int index) { return index == 0 ? input_.get() : nullptr; }

HRESULT TDSBaseRenderer::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaSeeking || iid == IID_IMediaPosition) return GetMediaPositionInterface(iid, object);
  return TDSBaseFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSBaseRenderer::GetMediaPositionInterface(const TGUID& iid, void** object) {
  TDSRendererPosPassThru* position;
  {
    std::lock_guard guard(positionLock_);
    if (!position_) {
      position_ = new (std::nothrow)
          TDSRendererPosPassThru(QStringLiteral("Renderer position"), static_cast<IBaseFilter*>(this), input_.get());
      if (!position_) return E_OUTOFMEMORY;
      position_->GetNonDelegatingUnknown()->AddRef();
    }
    position = position_;
  }
  return position->NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSBaseRenderer::Stop() {
  std::lock_guard guard(*lock_);
  if (IsStopped()) return S_OK;
  // Release a sample waiting for its time before taking the renderer lock.
  SourceThreadCanWait(false);
  input_->Inactive();
  std::lock_guard rendering(rendererLock_);
  StopStreaming();
  SetState(State_Stopped);
  ResetEndOfStream();
  return S_OK;
}

HRESULT TDSBaseRenderer::Pause() {
  std::lock_guard guard(*lock_);
  const FILTER_STATE was = State();
  if (was == State_Paused) return S_OK;
  if (!input_->IsConnected()) {
    // Nothing connected means nothing to render: the stream is complete.
    SetState(State_Paused);
    if (was == State_Stopped) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
  }
  if (was == State_Stopped) {
    firstSampleSeen_ = false;
    SourceThreadCanWait(true);
    const HRESULT hr = TDSBaseFilter::Pause();
    if (FAILED(hr)) {
      SourceThreadCanWait(false);
      return hr;
    }
    return hr;
  }
  std::lock_guard rendering(rendererLock_);
  StopStreaming();
  SetState(State_Paused);
  return S_OK;
}

HRESULT TDSBaseRenderer::Run(REFERENCE_TIME start) {
  std::lock_guard guard(*lock_);
  if (State() == State_Running) return S_OK;
  const HRESULT hr = TDSBaseFilter::Run(start);
  if (FAILED(hr)) return hr;
  std::lock_guard rendering(rendererLock_);
  return StartStreaming();
}

HRESULT TDSBaseRenderer::StartStreaming() {
  streaming_ = true;
  const HRESULT hr = OnStartStreaming();
  TryEndOfStream();
  return hr;
}

HRESULT TDSBaseRenderer::StopStreaming() {
  streaming_ = false;
  return OnStopStreaming();
}

HRESULT TDSBaseRenderer::GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!sample || !start || !stop) return E_POINTER;
  return sample->GetTime(start, stop);
}

uint32_t TDSBaseRenderer::ScheduleSample(IMediaSample* sample) {
  if (State() != State_Running) return 0;
  REFERENCE_TIME now = 0, start = 0, stop = 0;
  if (FAILED(StreamTime(&now))) return 0;
  if (FAILED(GetSampleTimes(sample, &start, &stop))) return 0;
  if (start <= now) return 0;
  const int64_t ms = (start - now + 9999) / 10000;
  return uint32_t(std::min<int64_t>(ms, int64_t(kWaitForever) - 1));
}

HRESULT TDSBaseRenderer::SourceThreadCanWait(bool canWait) {
  if (canWait)
    abort_.Reset();
  else
    abort_.SetEv();
  return S_OK;
}

HRESULT TDSBaseRenderer::ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME*, REFERENCE_TIME*) { return E_FAIL; }

HRESULT TDSBaseRenderer::WaitForRenderTime(IMediaSample* sample) {
  const uint32_t ms = ScheduleSample(sample);
  if (ms == 0) return abort_.Check() ? S_FALSE : S_OK;
  OnWaitStart();
  const bool aborted = abort_.Wait(ms);
  OnWaitEnd();
  return aborted ? S_FALSE : S_OK;
}

HRESULT TDSBaseRenderer::PrepareReceive(IMediaSample*) {
  std::lock_guard rendering(rendererLock_);
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (eos_) return S_FALSE;  // nothing is taken after end of stream
  return S_OK;
}

HRESULT TDSBaseRenderer::Receive(IMediaSample* sample) {
  HRESULT hr = PrepareReceive(sample);
  if (hr != S_OK) return hr;
  if (!firstSampleSeen_.exchange(true)) OnReceiveFirstSample(sample);
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT now =
      SUCCEEDED(GetSampleTimes(sample, &start, &stop)) ? ShouldDrawSampleNow(sample, &start, &stop) : S_OK;
  if (now == S_FALSE) return S_OK;  // dropped: taken, not drawn
  if (now == S_OK)
    hr = abort_.Check() ? S_FALSE : S_OK;
  else
    hr = WaitForRenderTime(sample);
  if (hr != S_OK) return IsStopped() ? VFW_E_WRONG_STATE : S_FALSE;
  std::lock_guard rendering(rendererLock_);
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (input_->IsFlushing()) return S_FALSE;
  PrepareRender();
  return Render(sample);
}

HRESULT TDSBaseRenderer::Render(IMediaSample* sample) {
  OnRenderStart(sample);
  const HRESULT hr = DoRenderSample(sample);
  OnRenderEnd(sample);
  return hr;
}

HRESULT TDSBaseRenderer::EndOfStream() {
  std::lock_guard rendering(rendererLock_);
  eos_ = true;
  return TryEndOfStream();
}

HRESULT TDSBaseRenderer::TryEndOfStream() {
  if (!eos_ || State() != State_Running) return S_OK;  // reported when running starts
  return SendEndOfStream();
}

HRESULT TDSBaseRenderer::SendEndOfStream() {
  if (eosSent_.exchange(true)) return S_OK;
  return NotifyEndOfStream();
}

HRESULT TDSBaseRenderer::NotifyEndOfStream() { return NotifyEvent(EC_COMPLETE, S_OK, 0); }

void TDSBaseRenderer::ResetEndOfStream() {
  eos_ = false;
  eosSent_ = false;
}

HRESULT TDSBaseRenderer::BeginFlush() { return SourceThreadCanWait(false); }

HRESULT TDSBaseRenderer::EndFlush() {
  std::lock_guard rendering(rendererLock_);
  if (!IsStopped()) SourceThreadCanWait(true);
  ResetEndOfStream();
  return S_OK;
}

}  // namespace lumicar
