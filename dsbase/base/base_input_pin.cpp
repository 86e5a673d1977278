#include "dsbase/base/base_input_pin.h"

#include "dsbase/base/base_filter.h"
#include "dsbase/base/base_output_pin.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/mem_allocator.h"

namespace lumicar {

TDSBaseInputPin::TDSBaseInputPin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock,
                                 const QString& pinName)
    : TDSBasePin(objectName, filter, lock, pinName, PINDIR_INPUT) {}

HRESULT TDSBaseInputPin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMemInputPin) return GetInterface<IMemInputPin>(this, object);
  return TDSBasePin::NonDelegatingQueryInterface(iid, object);
}

TIntf<IMemAllocator> TDSBaseInputPin::Allocator() const {
  std::lock_guard guard(peerLock_);
  return allocator_;
}

HRESULT TDSBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  *allocator = nullptr;
  std::lock_guard guard(*lock_);
  TIntf<IMemAllocator> current = Allocator();
  if (!current) {
    TDSMemAllocator::Register();
    IMemAllocator* raw = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                        reinterpret_cast<void**>(&raw));
    if (FAILED(hr)) return hr;
    current = TIntf<IMemAllocator>::Adopt(raw);
    std::lock_guard peer(peerLock_);
    allocator_ = current;
  }
  *allocator = current.Detach();
  return S_OK;
}

HRESULT TDSBaseInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly) {
  if (!allocator) return E_POINTER;
  std::lock_guard guard(*lock_);
  TIntf<IMemAllocator> old;
  {
    std::lock_guard peer(peerLock_);
    old = std::exchange(allocator_, TIntf<IMemAllocator>(allocator));
  }
  readOnly_ = readOnly;
  return S_OK;
}

HRESULT TDSBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT TDSBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (IsFlushing()) return S_FALSE;
  if (runtimeError_) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT TDSBaseInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;

  AM_SAMPLE2_PROPERTIES props;
  bool plainTypeRefused = false;
  TIntf<IMediaSample2> sample2 = QueryIntf<IMediaSample2>(sample, IID_IMediaSample2);
  if (sample2) {
    hr = sample2->GetProperties(sizeof props, reinterpret_cast<uint8_t*>(&props));
    if (FAILED(hr)) return hr;
    props.cbData = sizeof props;
  } else {
    if (sample->IsDiscontinuity() == S_OK) props.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
    if (sample->IsPreroll() == S_OK) props.dwSampleFlags |= AM_SAMPLE_PREROLL;
    if (sample->IsSyncPoint() == S_OK) props.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
    if (SUCCEEDED(sample->GetTime(&props.tStart, &props.tStop)))
      props.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    // The type a plain sample reports is a copy the pin does not keep; it is
    // looked at here and freed at once.
    AM_MEDIA_TYPE* changed = nullptr;
    if (sample->GetMediaType(&changed) == S_OK && changed) props.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
    if (changed) {
      const HRESULT check = CheckMediaType(changed);
      LPDSDeleteMediaType(changed);
      plainTypeRefused = check != S_OK;
    }
    sample->GetPointer(&props.pbBuffer);
    props.lActual = sample->GetActualDataLength();
    props.cbBuffer = sample->GetSize();
  }
  sampleProps_ = props;

  if (props.dwSampleFlags & AM_SAMPLE_TYPECHANGED) {
    const bool refused = sample2 ? (!props.pMediaType || CheckMediaType(props.pMediaType) != S_OK) : plainTypeRefused;
    if (refused) {
      runtimeError_ = true;
      EndOfStream();
      filter_->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
      return VFW_E_INVALIDMEDIATYPE;
    }
  }
  return S_OK;
}

HRESULT TDSBaseInputPin::ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT TDSBaseInputPin::ReceiveCanBlock() {
  const int count = filter_->GetPinCount();
  int outputs = 0;
  for (int i = 0; i < count; ++i) {
    TDSBasePin* p = filter_->GetPin(i);
    if (!p || p->Direction() != PINDIR_OUTPUT) continue;
    TIntf<IPin> peer = p->GetConnected();
    if (!peer) continue;
    ++outputs;
    TIntf<IMemInputPin> input = QueryIntf<IMemInputPin>(peer.get(), IID_IMemInputPin);
    if (!input || input->ReceiveCanBlock() != S_FALSE) return S_OK;
  }
  return outputs > 0 ? S_FALSE : S_OK;
}

HRESULT TDSBaseInputPin::BeginFlush() {
  std::lock_guard guard(*lock_);
  flushing_ = true;
  return S_OK;
}

HRESULT TDSBaseInputPin::EndFlush() {
  std::lock_guard guard(*lock_);
  flushing_ = false;
  runtimeError_ = false;
  return S_OK;
}

HRESULT TDSBaseInputPin::Inactive() {
  runtimeError_ = false;
  flushing_ = false;
  TIntf<IMemAllocator> allocator = Allocator();
  if (!allocator) return VFW_E_NO_ALLOCATOR;
  return allocator->Decommit();
}

HRESULT TDSBaseInputPin::BreakConnect() {
  TIntf<IMemAllocator> allocator;
  {
    std::lock_guard guard(peerLock_);
    allocator = std::exchange(allocator_, nullptr);
  }
  if (allocator) allocator->Decommit();
  return S_OK;
}

}  // namespace lumicar
