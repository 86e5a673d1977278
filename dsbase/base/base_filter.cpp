#include "dsbase/base/base_filter.h"

#include <algorithm>

#include "dsbase/base/base_pin.h"
#include "dsbase/base/enum_pins.h"
#include "dsbase/com/filter_graph.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"

namespace lumicar {

TDSBaseFilter::TDSBaseFilter(const QString& name, IUnknown* outer, const TGUID& classId)
    : TDSDualUnknown(name, outer),
      classId_(classId),
      lock_(std::make_unique<TVLSafeSection>(TLockRank::kFilter)),
      name_(name) {}

TDSBaseFilter::~TDSBaseFilter() = default;

HRESULT TDSBaseFilter::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IBaseFilter) return GetInterface<IBaseFilter>(this, object);
  if (iid == IID_IMediaFilter) return GetInterface<IMediaFilter>(this, object);
  if (iid == IID_IPersist) return GetInterface<IPersist>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSBaseFilter::GetClassID(TGUID* classId) {
  if (!classId) return E_POINTER;
  *classId = classId_;
  return S_OK;
}

HRESULT TDSBaseFilter::GetState(uint32_t, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = State();
  return S_OK;
}

HRESULT TDSBaseFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard guard(*lock_);
  TIntf<IReferenceClock> old;
  {
    std::lock_guard clockGuard(clockLock_);
    old = std::exchange(clock_, TIntf<IReferenceClock>(clock));
  }
  return S_OK;
}

HRESULT TDSBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  std::lock_guard guard(clockLock_);
  *clock = TIntf<IReferenceClock>(clock_).Detach();
  return S_OK;
}

HRESULT TDSBaseFilter::StreamTime(REFERENCE_TIME* time) {
  if (!time) return E_POINTER;
  TIntf<IReferenceClock> clock;
  {
    std::lock_guard guard(clockLock_);
    clock = clock_;
  }
  if (!clock) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  const HRESULT hr = clock->GetTime(&now);
  if (FAILED(hr)) return hr;
  *time = now - start_.load(std::memory_order_acquire);
  return S_OK;
}

HRESULT TDSBaseFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  *pins = nullptr;
  auto* e = new (std::nothrow) TDSEnumPins(this, nullptr);
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *pins = e;
  return S_OK;
}

HRESULT TDSBaseFilter::FindPin(const char16_t* id, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!id) return E_POINTER;
  const QString wanted = QString::fromUtf16(id);
  std::lock_guard guard(*lock_);
  const int count = GetPinCount();
  for (int i = 0; i < count; ++i) {
    TDSBasePin* p = GetPin(i);
    if (p && p->PinName() == wanted) {
      p->AddRef();
      *pin = p;
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

static void CopyName(char16_t* target, int capacity, const QString& name) {
  const int n = std::min<int>(int(name.size()), capacity - 1);
  std::copy_n(reinterpret_cast<const char16_t*>(name.utf16()), n, target);
  target[n] = 0;
}

HRESULT TDSBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  std::lock_guard guard(*lock_);
  CopyName(info->achName, kMaxFilterName, name_);
  info->pGraph = Graph();
  if (info->pGraph) info->pGraph->AddRef();
  return S_OK;
}

HRESULT TDSBaseFilter::JoinFilterGraph(IFilterGraph* graph, const char16_t* name) {
  std::lock_guard guard(*lock_);
  graph_.store(graph, std::memory_order_release);
  IMediaEventSink* sinkPtr = nullptr;
  if (graph) {
    // Kept without a reference: the graph holds this filter and outlives its
    // membership, and a counted reference would make a cycle.
    TIntf<IMediaEventSink> sink = QueryIntf<IMediaEventSink>(graph, IID_IMediaEventSink);
    sinkPtr = sink.get();
  }
  eventSink_.store(sinkPtr, std::memory_order_release);
  name_ = name ? QString::fromUtf16(name) : QString();
  return S_OK;
}

HRESULT TDSBaseFilter::QueryVendorInfo(char16_t** vendorInfo) {
  if (vendorInfo) *vendorInfo = nullptr;
  return E_NOTIMPL;
}

QString TDSBaseFilter::FilterName() const {
  std::lock_guard guard(*lock_);
  return name_;
}

HRESULT TDSBaseFilter::Stop() {
  std::lock_guard guard(*lock_);
  HRESULT result = S_OK;
  if (!IsStopped()) {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      TDSBasePin* p = GetPin(i);
      if (!p || !p->IsConnected()) continue;
      const HRESULT hr = p->Inactive();
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
  }
  SetState(State_Stopped);
  return result;
}

HRESULT TDSBaseFilter::Pause() {
  std::lock_guard guard(*lock_);
  if (IsStopped()) {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      TDSBasePin* p = GetPin(i);
      if (!p || !p->IsConnected()) continue;
      const HRESULT hr = p->Active();
      if (FAILED(hr)) return hr;
    }
  }
  SetState(State_Paused);
  return S_OK;
}

HRESULT TDSBaseFilter::Run(REFERENCE_TIME start) {
  std::lock_guard guard(*lock_);
  start_.store(start, std::memory_order_release);
  if (IsStopped()) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  if (State() != State_Running) {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
      TDSBasePin* p = GetPin(i);
      if (!p || !p->IsConnected()) continue;
      const HRESULT hr = p->Run(start);
      if (FAILED(hr)) return hr;
    }
  }
  SetState(State_Running);
  return S_OK;
}

HRESULT TDSBaseFilter::NotifyEvent(int32_t code, intptr_t param1, intptr_t param2) {
  IMediaEventSink* sink = eventSink_.load(std::memory_order_acquire);
  if (!sink) return S_OK;
  if (code == EC_COMPLETE) param2 = reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(this));
  return sink->Notify(code, param1, param2);
}

HRESULT TDSBaseFilter::ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* mt) {
  IFilterGraph* graph = Graph();
  if (!graph) return E_NOINTERFACE;
  if (TIntf<IFilterGraph2> g2 = QueryIntf<IFilterGraph2>(graph, IID_IFilterGraph2)) return g2->ReconnectEx(pin, mt);
  return graph->Reconnect(pin);
}

}  // namespace lumicar
