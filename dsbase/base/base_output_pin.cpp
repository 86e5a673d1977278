#include "dsbase/base/base_output_pin.h"

#include "dsbase/base/dsbase_log.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/mem_allocator.h"
#include "runtime/log_gate.h"
#include "runtime/runtime_log.h"

namespace lumicar {

TDSBaseOutputPin::TDSBaseOutputPin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock,
                                   const QString& pinName)
    : TDSBasePin(objectName, filter, lock, pinName, PINDIR_OUTPUT) {}

TIntf<IMemAllocator> TDSBaseOutputPin::Allocator() const {
  std::lock_guard guard(peerLock_);
  return allocator_;
}

TIntf<IMemInputPin> TDSBaseOutputPin::ConnectedInputPin() const {
  std::lock_guard guard(peerLock_);
  return inputPin_;
}

void TDSBaseOutputPin::SetAllocator(IMemAllocator* allocator) {
  TIntf<IMemAllocator> old;
  std::lock_guard guard(peerLock_);
  old = std::exchange(allocator_, TIntf<IMemAllocator>(allocator));
}

HRESULT TDSBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = TDSBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  TIntf<IMemInputPin> input = QueryIntf<IMemInputPin>(pin, IID_IMemInputPin);
  if (!input) return E_NOINTERFACE;
  std::lock_guard guard(peerLock_);
  inputPin_ = input;
  return S_OK;
}

HRESULT TDSBaseOutputPin::CompleteConnect(IPin*) {
  TIntf<IMemInputPin> input = ConnectedInputPin();
  if (!input) return VFW_E_NOT_CONNECTED;
  IMemAllocator* raw = nullptr;
  const HRESULT hr = DecideAllocator(input.get(), &raw);
  TIntf<IMemAllocator> allocator = TIntf<IMemAllocator>::Adopt(raw);
  if (SUCCEEDED(hr)) SetAllocator(allocator.get());
  return hr;
}

HRESULT TDSBaseOutputPin::BreakConnect() {
  TIntf<IMemAllocator> allocator;
  TIntf<IMemInputPin> input;
  {
    std::lock_guard guard(peerLock_);
    allocator = std::exchange(allocator_, nullptr);
    input = std::exchange(inputPin_, nullptr);
  }
  if (allocator) allocator->Decommit();
  return S_OK;
}

HRESULT TDSBaseOutputPin::Active() {
  TIntf<IMemAllocator> allocator = Allocator();
  if (!allocator) return VFW_E_NO_ALLOCATOR;
  return allocator->Commit();
}

HRESULT TDSBaseOutputPin::Inactive() {
  runtimeError_ = false;
  TIntf<IMemAllocator> allocator = Allocator();
  if (!allocator) return VFW_E_NO_ALLOCATOR;
  return allocator->Decommit();
}

HRESULT TDSBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (!pin || !allocator) return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES request;
  if (FAILED(pin->GetAllocatorRequirements(&request))) request = ALLOCATOR_PROPERTIES{};
  if (request.cbAlign == 0) request.cbAlign = 1;

  IMemAllocator* raw = nullptr;
  HRESULT hr = pin->GetAllocator(&raw);
  TIntf<IMemAllocator> candidate = TIntf<IMemAllocator>::Adopt(raw);
  if (SUCCEEDED(hr) && candidate) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(candidate.get(), &props);
    if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(candidate.get(), false);
    if (SUCCEEDED(hr)) {
      *allocator = candidate.Detach();
      return S_OK;
    }
  }
  candidate.reset();
  raw = nullptr;
  hr = InitAllocator(&raw);
  candidate = TIntf<IMemAllocator>::Adopt(raw);
  if (SUCCEEDED(hr) && candidate) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(candidate.get(), &props);
    if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(candidate.get(), false);
    if (SUCCEEDED(hr)) {
      *allocator = candidate.Detach();
      return S_OK;
    }
  }
  return FAILED(hr) ? hr : E_FAIL;
}

HRESULT TDSBaseOutputPin::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) { return S_OK; }

HRESULT TDSBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, const REFERENCE_TIME* start,
                                            const REFERENCE_TIME* stop, uint32_t flags) {
  if (!sample) return E_POINTER;
  *sample = nullptr;
  TIntf<IMemAllocator> allocator = Allocator();
  if (!allocator) return E_NOINTERFACE;
  return allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT TDSBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  TIntf<IMemInputPin> input = ConnectedInputPin();
  if (!input) return VFW_E_NOT_CONNECTED;
  try {
    return input->Receive(sample);
  } catch (...) {
    // An exception must not cross into the streaming thread of the caller;
    // the sample did not arrive, so say so. It may fail on every sample: at
    // most one line a second.
    static TLogGate failedLog;
    if (failedLog.Open())
      qCWarning(lcMediaGraph).noquote() << "Delivering a sample failed (answered"
                                        << QStringLiteral("0x%1):").arg(uint32_t(E_UNEXPECTED), 8, 16, QLatin1Char('0'))
                                        << CurrentExceptionText();
    return E_UNEXPECTED;
  }
}

HRESULT TDSBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  TDSMemAllocator::Register();
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(allocator));
}

HRESULT TDSBaseOutputPin::DeliverEndOfStream() {
  TIntf<IPin> peer = GetConnected();
  return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT TDSBaseOutputPin::DeliverBeginFlush() {
  TIntf<IPin> peer = GetConnected();
  return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TDSBaseOutputPin::DeliverEndFlush() {
  TIntf<IPin> peer = GetConnected();
  return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TDSBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  TIntf<IPin> peer = GetConnected();
  return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

}  // namespace lumicar
