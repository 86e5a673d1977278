#include "dsbase/base/base_pin.h"

#include <algorithm>

#include "dsbase/base/base_filter.h"
#include "dsbase/base/enum_media_types.h"
#include "dsbase/com/ds_assert.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"

namespace lumicar {

TDSBasePin::TDSBasePin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock, const QString& pinName,
                       PIN_DIRECTION dir)
    : TDSDualUnknown(objectName, nullptr),
      pinName_(pinName),
      dir_(dir),
      lock_(lock),
      filter_(filter),
      segmentStop_(MAX_TIME) {
  DS_ASSERT(filter && lock);
  LPDSInitMediaType(mt_.Get());
}

// A pin destroyed while still connected drops its reference to the peer
// with its members; the filter can only reach this point once no peer holds
// it any more.
TDSBasePin::~TDSBasePin() = default;

HRESULT TDSBasePin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IPin) return GetInterface<IPin>(this, object);
  if (iid == IID_IQualityControl) return GetInterface<IQualityControl>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

uint32_t TDSBasePin::NonDelegatingAddRef() {
  pinRefs_.fetch_add(1, std::memory_order_relaxed);
  return filter_->AddRef();
}

uint32_t TDSBasePin::NonDelegatingRelease() {
  // An unbalanced Release would otherwise destroy the filter under a holder.
  int32_t refs = pinRefs_.load(std::memory_order_relaxed);
  do {
    if (refs <= 0) return 0;
  } while (!pinRefs_.compare_exchange_weak(refs, refs - 1, std::memory_order_acq_rel));
  return filter_->Release();
}

bool TDSBasePin::IsConnected() const {
  std::lock_guard guard(peerLock_);
  return bool(connected_);
}

TIntf<IPin> TDSBasePin::GetConnected() const {
  std::lock_guard guard(peerLock_);
  return connected_;
}

void TDSBasePin::SetConnected(IPin* pin) {
  TIntf<IPin> old;
  {
    std::lock_guard guard(peerLock_);
    old = std::exchange(connected_, TIntf<IPin>(pin));
  }
}

TIntf<IQualityControl> TDSBasePin::QualitySink() const {
  std::lock_guard guard(peerLock_);
  return qualitySink_;
}

bool TDSBasePin::IsStopped() const { return filter_->IsStopped(); }

HRESULT TDSBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
  if (!receivePin) return E_POINTER;
  std::lock_guard guard(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !canReconnectWhenActive_) return VFW_E_NOT_STOPPED;
  const HRESULT hr = AgreeMediaType(receivePin, mt);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  return S_OK;
}

HRESULT TDSBasePin::AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
  if (mt && DSIsCompleteType(*mt)) return AttemptConnection(receivePin, *mt);
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int round = 0; round < 2; ++round) {
    const bool own = (round == 0) == tryMyTypesFirst_;
    IEnumMediaTypes* raw = nullptr;
    const HRESULT got = own ? EnumMediaTypes(&raw) : receivePin->EnumMediaTypes(&raw);
    if (FAILED(got) || !raw) continue;
    TIntf<IEnumMediaTypes> types = TIntf<IEnumMediaTypes>::Adopt(raw);
    const HRESULT hr = TryMediaTypes(receivePin, mt, types.get());
    if (SUCCEEDED(hr)) return S_OK;
    if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED) failure = hr;
  }
  return failure;
}

HRESULT TDSBasePin::TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* mt, IEnumMediaTypes* types) {
  HRESULT hr = types->Reset();
  if (FAILED(hr)) return hr;
  HRESULT firstError = S_OK;
  for (;;) {
    AM_MEDIA_TYPE* candidate = nullptr;
    uint32_t fetched = 0;
    hr = types->Next(1, &candidate, &fetched);
    if (hr != S_OK || fetched != 1 || !candidate) {
      LPDSDeleteMediaType(candidate);
      break;
    }
    if (!mt || DSMatchesPartialType(*candidate, *mt)) {
      hr = AttemptConnection(receivePin, *candidate);
      if (SUCCEEDED(hr)) {
        LPDSDeleteMediaType(candidate);
        return S_OK;
      }
      if (SUCCEEDED(firstError) && hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED) firstError = hr;
    }
    LPDSDeleteMediaType(candidate);
  }
  return FAILED(firstError) ? firstError : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT TDSBasePin::CheckTypeForConnection(const AM_MEDIA_TYPE* mt) {
  const HRESULT hr = CheckMediaType(mt);
  if (hr == S_OK) return S_OK;
  if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) return VFW_E_TYPE_NOT_ACCEPTED;
  return hr;
}

HRESULT TDSBasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mt) {
  HRESULT hr = CheckConnect(receivePin);
  if (SUCCEEDED(hr)) hr = CheckTypeForConnection(&mt);
  if (SUCCEEDED(hr)) {
    SetConnected(receivePin);
    hr = SetMediaType(&mt);
    if (SUCCEEDED(hr)) {
      hr = receivePin->ReceiveConnection(this, &mt);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
        if (SUCCEEDED(hr)) return S_OK;
        receivePin->Disconnect();
      }
    }
  }
  BreakConnect();
  SetConnected(nullptr);
  LPDSInitMediaType(mt_.Get());
  return hr;
}

HRESULT TDSBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (!connector || !mt) return E_POINTER;
  std::lock_guard guard(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !canReconnectWhenActive_) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (SUCCEEDED(hr)) hr = CheckTypeForConnection(mt);
  if (SUCCEEDED(hr)) {
    SetConnected(connector);
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    if (SUCCEEDED(hr)) return S_OK;
  }
  BreakConnect();
  SetConnected(nullptr);
  LPDSInitMediaType(mt_.Get());
  return hr;
}

HRESULT TDSBasePin::Disconnect() {
  std::lock_guard guard(*lock_);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!IsConnected()) return S_FALSE;
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  SetConnected(nullptr);
  LPDSInitMediaType(mt_.Get());
  return S_OK;
}

HRESULT TDSBasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = GetConnected().Detach();
  return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TDSBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  // The caller's type is uninitialised output: overwrite it, never free it.
  *mt = AM_MEDIA_TYPE{};
  std::lock_guard guard(*lock_);
  if (!IsConnected()) {
    mt->lSampleSize = 1;
    mt->bFixedSizeSamples = true;
    return VFW_E_NOT_CONNECTED;
  }
  return LPDSCopyMediaType(*mt, mt_.Get());
}

HRESULT TDSBasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = dir_;
  const int n = std::min<int>(int(pinName_.size()), kMaxPinName - 1);
  std::copy_n(reinterpret_cast<const char16_t*>(pinName_.utf16()), n, info->achName);
  info->achName[n] = 0;
  return S_OK;
}

HRESULT TDSBasePin::QueryDirection(PIN_DIRECTION* dir) {
  if (!dir) return E_POINTER;
  *dir = dir_;
  return S_OK;
}

HRESULT TDSBasePin::QueryId(char16_t** id) {
  if (!id) return E_POINTER;
  const size_t n = size_t(pinName_.size());
  auto* copy = static_cast<char16_t*>(CoTaskMemAlloc((n + 1) * sizeof(char16_t)));
  *id = copy;
  if (!copy) return E_OUTOFMEMORY;
  std::copy_n(reinterpret_cast<const char16_t*>(pinName_.utf16()), n, copy);
  copy[n] = 0;
  return S_OK;
}

HRESULT TDSBasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return CheckMediaType(mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT TDSBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = nullptr;
  auto* e = new (std::nothrow) TDSEnumMediaTypes(this, nullptr);
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *types = e;
  return S_OK;
}

HRESULT TDSBasePin::QueryInternalConnections(IPin** pins, uint32_t* count) {
  (void)pins;
  (void)count;
  return E_NOTIMPL;
}

HRESULT TDSBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

HRESULT TDSBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT TDSBasePin::SetSink(IQualityControl* sink) {
  std::lock_guard guard(*lock_);
  TIntf<IQualityControl> old;
  {
    std::lock_guard peer(peerLock_);
    old = std::exchange(qualitySink_, TIntf<IQualityControl>(sink));
  }
  return S_OK;
}

HRESULT TDSBasePin::Inactive() {
  runtimeError_ = false;
  return S_OK;
}

HRESULT TDSBasePin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return LPDSCopyMediaType(mt_.Get(), *mt);
}

HRESULT TDSBasePin::CheckConnect(IPin* pin) {
  if (!pin) return E_POINTER;
  PIN_DIRECTION peerDir;
  const HRESULT hr = pin->QueryDirection(&peerDir);
  if (FAILED(hr)) return hr;
  if ((peerDir != PINDIR_INPUT && peerDir != PINDIR_OUTPUT) || peerDir == dir_) return VFW_E_INVALID_DIRECTION;
  return S_OK;
}

HRESULT TDSBasePin::GetMediaType(int, AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

}  // namespace lumicar
