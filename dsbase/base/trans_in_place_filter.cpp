#include "dsbase/base/trans_in_place_filter.h"

#include <algorithm>
#include <cstring>

#include "dsbase/com/result_codes.h"

namespace lumicar {

HRESULT TDSTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (!pin || !allocator) return E_POINTER;
  *allocator = nullptr;
  TDSTransformInputPin* in = transform_->InputPin();
  if (TIntf<IMemAllocator> shared = in ? in->Allocator() : nullptr) {
    ALLOCATOR_PROPERTIES request;
    if (FAILED(pin->GetAllocatorRequirements(&request))) request = ALLOCATOR_PROPERTIES{};
    ALLOCATOR_PROPERTIES current;
    // Downstream may ask for more than upstream made; only a committed-free
    // allocator could be resized, so a larger request (more or bigger
    // buffers, a stricter alignment, a longer prefix) falls back to our own.
    if (SUCCEEDED(shared->GetProperties(&current)) && request.cbBuffer <= current.cbBuffer &&
        request.cBuffers <= current.cBuffers && std::max(request.cbAlign, 1) <= std::max(current.cbAlign, 1) &&
        request.cbPrefix <= current.cbPrefix && SUCCEEDED(pin->NotifyAllocator(shared.get(), false))) {
      *allocator = shared.Detach();
      return S_OK;
    }
  }
  return TDSTransformOutputPin::DecideAllocator(pin, allocator);
}

bool TDSTransInPlaceFilter::CreatePins() {
  input_.reset(new (std::nothrow)
                   TDSTransInPlaceInputPin(QStringLiteral("TransInPlace input pin"), this, u"XForm In"_qs));
  if (!input_) return false;
  output_.reset(new (std::nothrow)
                    TDSTransInPlaceOutputPin(QStringLiteral("TransInPlace output pin"), this, u"XForm Out"_qs));
  if (!output_) {
    input_.reset();
    return false;
  }
  return true;
}

HRESULT TDSTransInPlaceFilter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (!in || !out) return E_POINTER;
  // The sample passes unchanged in layout: both sides must agree.
  return DSIsEqualMediaType(*in, *out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TDSTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  ALLOCATOR_PROPERTIES want = *request;
  TDSTransformInputPin* in = InputPin();
  if (TIntf<IMemAllocator> upstream = in->Allocator()) {
    ALLOCATOR_PROPERTIES up;
    if (SUCCEEDED(upstream->GetProperties(&up))) {
      want.cBuffers = std::max(want.cBuffers, up.cBuffers);
      want.cbBuffer = std::max(want.cbBuffer, up.cbBuffer);
    }
  }
  want.cBuffers = std::max(want.cBuffers, 1);
  want.cbBuffer =
      std::max<int32_t>(want.cbBuffer, int32_t(std::min<uint32_t>(in->CurrentMediaType().lSampleSize, INT32_MAX)));
  if (want.cbBuffer <= 0) want.cbBuffer = 1;
  if (want.cbAlign <= 0) want.cbAlign = 1;
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < want.cbBuffer ? E_FAIL : S_OK;
}

HRESULT TDSTransInPlaceFilter::GetOutMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return LPDSCopyMediaType(*mt, InputPin()->CurrentMediaType());
}

HRESULT TDSTransInPlaceFilter::CompleteConnect(PIN_DIRECTION dir, IPin*) {
  if (dir != PINDIR_INPUT && dir != PINDIR_OUTPUT) return E_INVALIDARG;
  // A new input type no longer matches a connected output: have the graph
  // reconnect the output with the new type.
  TDSTransformOutputPin* out = OutputPin();
  if (dir == PINDIR_INPUT && out->IsConnected() &&
      !DSIsEqualMediaType(InputPin()->CurrentMediaType(), out->CurrentMediaType()))
    return ReconnectPin(out, &InputPin()->CurrentMediaType());
  return S_OK;
}

HRESULT TDSTransInPlaceFilter::Copy(IMediaSample* sample, IMediaSample** copy) {
  *copy = nullptr;
  const AM_SAMPLE2_PROPERTIES* props = InputPin()->SampleProps();
  const bool timeValid = props->dwSampleFlags & AM_SAMPLE_TIMEVALID;
  const bool stopValid = props->dwSampleFlags & AM_SAMPLE_STOPVALID;
  IMediaSample* raw = nullptr;
  HRESULT hr = OutputPin()->GetDeliveryBuffer(&raw, timeValid ? &props->tStart : nullptr,
                                              timeValid && stopValid ? &props->tStop : nullptr, 0);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> out = TIntf<IMediaSample>::Adopt(raw);
  const int32_t sourceSize = sample->GetActualDataLength();
  if (sourceSize < 0 || out->GetSize() < sourceSize) return VFW_E_BUFFER_OVERFLOW;
  uint8_t *from = nullptr, *to = nullptr;
  if (FAILED(sample->GetPointer(&from)) || FAILED(out->GetPointer(&to)) || (!from && sourceSize) || !to)
    return E_POINTER;
  if (sourceSize) std::memcpy(to, from, size_t(sourceSize));
  out->SetActualDataLength(sourceSize);
  out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
  out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK);
  out->SetPreroll(sample->IsPreroll() == S_OK);
  int64_t mediaStart, mediaStop;
  if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK) out->SetMediaTime(&mediaStart, &mediaStop);
  *copy = out.Detach();
  return S_OK;
}

HRESULT TDSTransInPlaceFilter::Receive(IMediaSample* sample) {
  TDSTransformOutputPin* out = OutputPin();
  const AM_SAMPLE2_PROPERTIES* props = InputPin()->SampleProps();
  if (props->dwStreamId != AM_STREAM_MEDIA) return out->Deliver(sample);

  TIntf<IMediaSample> work(sample);
  if (InputPin()->Allocator() != out->Allocator()) {
    IMediaSample* copy = nullptr;
    const HRESULT hr = Copy(sample, &copy);
    if (FAILED(hr)) return hr;
    work = TIntf<IMediaSample>::Adopt(copy);
  }
  HRESULT hr = Transform(work.get());
  if (hr == S_OK) {
    hr = out->Deliver(work.get());
    sampleSkipped_ = false;
  } else if (hr == S_FALSE) {
    SampleSkipped();
    hr = S_OK;
  }
  return hr;
}

}  // namespace lumicar
