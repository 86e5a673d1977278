#include "dsbase/graph/filter_graph_manager.h"

#include <algorithm>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/graph/converter_registry.h"
#include "dsbase/graph/enum_filters.h"
#include "dsbase/graph/graph_pins.h"
#include "dsbase/graph/system_clock.h"
#include "dsbase/graph/video_window_distributor.h"

namespace lumicar {

namespace {
// Filters start this far after Run so that every filter is running before
// the first sample is due.
constexpr REFERENCE_TIME kStartDelay = 100'000;  // 10 ms
// Reconnections may ask for further ones; this bounds a ping-pong.
constexpr int kMaxReconnectRounds = 16;
}  // namespace

class TDSFilterGraph::TOperation {
 public:
  explicit TOperation(TDSFilterGraph* graph) : graph_(graph) {
    graph_->lock_.Enter();
    ++graph_->operationDepth_;
  }
  ~TOperation() {
    if (--graph_->operationDepth_ == 0) graph_->RunPendingReconnects();
    graph_->lock_.Leave();
  }
  TOperation(const TOperation&) = delete;
  TOperation& operator=(const TOperation&) = delete;

 private:
  TDSFilterGraph* graph_;
};

TDSFilterGraph::TDSFilterGraph() : TDSDualUnknown(QStringLiteral("Filter graph"), nullptr) {}

TDSFilterGraph::~TDSFilterGraph() {
  {
    std::lock_guard guard(reconnectLock_);
    reconnectQuit_ = true;
  }
  reconnectWake_.notify_all();
  if (reconnectThread_.joinable()) reconnectThread_.join();
  std::lock_guard guard(lock_);
  reconnects_.clear();
  StopLocked();
  // Connections hold references between filters: break them all, then let
  // every filter leave.
  for (TEntry& e : filters_) DisconnectFilter(e.filter.get());
  for (TEntry& e : filters_) {
    e.filter->SetSyncSource(nullptr);
    e.filter->JoinFilterGraph(nullptr, nullptr);
  }
  filters_.clear();
  if (videoWindow_) videoWindow_->GetNonDelegatingUnknown()->Release();
}

HRESULT TDSFilterGraph::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IFilterGraph) return GetInterface<IFilterGraph>(this, object);
  if (iid == IID_IGraphBuilder) return GetInterface<IGraphBuilder>(this, object);
  if (iid == IID_IFilterGraph2) return GetInterface<IFilterGraph2>(this, object);
  if (iid == IID_IMediaControl) return GetInterface<IMediaControl>(this, object);
  if (iid == IID_IMediaEvent) return GetInterface<IMediaEvent>(this, object);
  if (iid == IID_IMediaEventEx) return GetInterface<IMediaEventEx>(this, object);
  if (iid == IID_IMediaFilter) return GetInterface<IMediaFilter>(this, object);
  if (iid == IID_IPersist) return GetInterface<IPersist>(this, object);
  if (iid == IID_IMediaEventSink) return GetInterface<IMediaEventSink>(this, object);
  if (iid == IID_IVideoWindow) return VideoWindow(object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSFilterGraph::VideoWindow(void** object) {
  TDSVideoWindowDistributor* window;
  {
    std::lock_guard guard(videoWindowLock_);
    if (!videoWindow_) {
      videoWindow_ = new (std::nothrow)
          TDSVideoWindowDistributor(static_cast<IFilterGraph*>(this), static_cast<IFilterGraph*>(this));
      if (!videoWindow_) return E_OUTOFMEMORY;
      videoWindow_->GetNonDelegatingUnknown()->AddRef();
    }
    window = videoWindow_;
  }
  return window->NonDelegatingQueryInterface(IID_IVideoWindow, object);
}

// ---- membership ----

int TDSFilterGraph::IndexOf(IBaseFilter* filter) const {
  for (size_t i = 0; i < filters_.size(); ++i)
    if (filters_[i].filter.get() == filter || DSSameObject(filters_[i].filter.get(), filter)) return int(i);
  return -1;
}

bool TDSFilterGraph::Contains(IBaseFilter* filter) const { return filter && IndexOf(filter) >= 0; }

bool TDSFilterGraph::PinInGraph(IPin* pin) const {
  TIntf<IBaseFilter> owner = DSFilterOfPin(pin);
  return owner && Contains(owner.get());
}

bool TDSFilterGraph::NameTaken(const QString& name) const {
  return std::any_of(filters_.begin(), filters_.end(), [&](const TEntry& e) { return e.name == name; });
}

QString TDSFilterGraph::UniqueName(const QString& wanted) const {
  const int room = kMaxFilterName - 1;
  const QString base = wanted.left(room);
  if (!NameTaken(base)) return base;
  for (int n = 1; n <= 9999; ++n) {
    const QString suffix = QStringLiteral(" %1").arg(n, 4, 10, QChar('0'));
    const QString candidate = base.left(room - int(suffix.size())) + suffix;
    if (!NameTaken(candidate)) return candidate;
  }
  return {};
}

HRESULT TDSFilterGraph::AddFilter(IBaseFilter* filter, const char16_t* name) {
  if (!filter) return E_POINTER;
  TOperation op(this);
  if (Contains(filter)) return E_INVALIDARG;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  FILTER_INFO info{};
  if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) {
    // A filter belongs to one graph at a time.
    info.pGraph->Release();
    return E_INVALIDARG;
  }
  QString wanted = name ? QString::fromUtf16(name) : QString();
  if (wanted.isEmpty()) wanted = QString::fromUtf16(info.achName);
  if (wanted.isEmpty()) wanted = QStringLiteral("Filter");
  const QString unique = UniqueName(wanted);
  if (unique.isEmpty()) return E_FAIL;
  const HRESULT hr = filter->JoinFilterGraph(this, reinterpret_cast<const char16_t*>(unique.utf16()));
  if (FAILED(hr)) return hr;
  filters_.push_back({TIntf<IBaseFilter>(filter), unique});
  return name && unique != wanted ? VFW_S_DUPLICATE_NAME : S_OK;
}

void TDSFilterGraph::DisconnectFilter(IBaseFilter* filter) {
  for (TIntf<IPin>& pin : DSPinsOf(filter)) {
    if (TIntf<IPin> peer = DSPeerOf(pin.get())) {
      peer->Disconnect();
      pin->Disconnect();
    }
  }
}

HRESULT TDSFilterGraph::RemoveLocked(IBaseFilter* filter) {
  const int index = IndexOf(filter);
  if (index < 0) return VFW_E_NOT_FOUND;
  TIntf<IBaseFilter> kept = filters_[size_t(index)].filter;
  DisconnectFilter(kept.get());
  kept->SetSyncSource(nullptr);
  kept->JoinFilterGraph(nullptr, nullptr);
  filters_.erase(filters_.begin() + index);
  return S_OK;
}

HRESULT TDSFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (!filter) return E_POINTER;
  TOperation op(this);
  if (!Contains(filter)) return VFW_E_NOT_FOUND;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  return RemoveLocked(filter);
}

HRESULT TDSFilterGraph::EnumFilters(IEnumFilters** filters) {
  if (!filters) return E_POINTER;
  *filters = nullptr;
  std::vector<TIntf<IBaseFilter>> snapshot;
  {
    TOperation op(this);
    for (TEntry& e : filters_) snapshot.push_back(e.filter);
  }
  auto* e = new (std::nothrow) TDSEnumFilters(std::move(snapshot));
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  *filters = e;
  return S_OK;
}

HRESULT TDSFilterGraph::FindFilterByName(const char16_t* name, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  if (!name) return E_POINTER;
  const QString wanted = QString::fromUtf16(name);
  TOperation op(this);
  for (TEntry& e : filters_) {
    if (e.name == wanted) {
      *filter = TIntf<IBaseFilter>(e.filter).Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

int TDSFilterGraph::FilterCount() {
  TOperation op(this);
  return int(filters_.size());
}

// ---- connection ----

HRESULT TDSFilterGraph::CheckPinPair(IPin* out, IPin* in) {
  if (!out || !in) return E_POINTER;
  if (!PinInGraph(out) || !PinInGraph(in)) return VFW_E_NOT_IN_GRAPH;
  PIN_DIRECTION dOut, dIn;
  if (!DSPinDirection(out, &dOut) || !DSPinDirection(in, &dIn)) return E_FAIL;
  if (dOut != PINDIR_OUTPUT || dIn != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (DSPeerOf(out) || DSPeerOf(in)) return VFW_E_ALREADY_CONNECTED;
  return S_OK;
}

HRESULT TDSFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) {
  TOperation op(this);
  const HRESULT hr = CheckPinPair(out, in);
  if (FAILED(hr)) return hr;
  return out->Connect(in, mt);
}

HRESULT TDSFilterGraph::Disconnect(IPin* pin) {
  if (!pin) return E_POINTER;
  TOperation op(this);
  if (!PinInGraph(pin)) return VFW_E_NOT_IN_GRAPH;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  return pin->Disconnect();
}

// The input's own preferences decide first: for each type it proposes, the
// first complete type of the output that matches it; then the pins' own
// negotiation.
HRESULT TDSFilterGraph::ConnectPreferringInputTypes(IPin* out, IPin* in) {
  IEnumMediaTypes* rawWanted = nullptr;
  if (SUCCEEDED(in->EnumMediaTypes(&rawWanted)) && rawWanted) {
    TIntf<IEnumMediaTypes> wanted = TIntf<IEnumMediaTypes>::Adopt(rawWanted);
    for (int guard = 0; guard < 256; ++guard) {
      AM_MEDIA_TYPE* partial = nullptr;
      uint32_t fetched = 0;
      if (wanted->Next(1, &partial, &fetched) != S_OK || fetched != 1 || !partial) {
        LPDSDeleteMediaType(partial);
        break;
      }
      IEnumMediaTypes* rawOffered = nullptr;
      if (SUCCEEDED(out->EnumMediaTypes(&rawOffered)) && rawOffered) {
        TIntf<IEnumMediaTypes> offered = TIntf<IEnumMediaTypes>::Adopt(rawOffered);
        for (int inner = 0; inner < 256; ++inner) {
          AM_MEDIA_TYPE* complete = nullptr;
          if (offered->Next(1, &complete, &fetched) != S_OK || fetched != 1 || !complete) {
            LPDSDeleteMediaType(complete);
            break;
          }
          const bool match = DSIsCompleteType(*complete) && DSMatchesPartialType(*complete, *partial);
          const HRESULT hr = match ? out->Connect(in, complete) : E_FAIL;
          LPDSDeleteMediaType(complete);
          if (SUCCEEDED(hr)) {
            LPDSDeleteMediaType(partial);
            return hr;
          }
        }
      }
      LPDSDeleteMediaType(partial);
    }
  }
  return out->Connect(in, nullptr);
}

HRESULT TDSFilterGraph::ConnectThroughConverter(const TGUID& clsid, IPin* out, IPin* in) {
  void* raw = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw)) || !raw)
    return VFW_E_CANNOT_CONNECT;
  TIntf<IBaseFilter> converter = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
  FILTER_INFO info{};
  QString name = QStringLiteral("Converter");
  if (SUCCEEDED(converter->QueryFilterInfo(&info))) {
    if (info.pGraph) info.pGraph->Release();
    if (info.achName[0]) name = QString::fromUtf16(info.achName);
  }
  const QString unique = UniqueName(name);
  if (FAILED(converter->JoinFilterGraph(this, reinterpret_cast<const char16_t*>(unique.utf16()))))
    return VFW_E_CANNOT_CONNECT;
  filters_.push_back({converter, unique});
  TIntf<IPin> convIn = DSFirstPin(converter.get(), PINDIR_INPUT, true);
  TIntf<IPin> convOut;
  HRESULT hr = convIn ? out->Connect(convIn.get(), nullptr) : VFW_E_CANNOT_CONNECT;
  if (SUCCEEDED(hr)) {
    convOut = DSFirstPin(converter.get(), PINDIR_OUTPUT, true);
    hr = convOut ? ConnectPreferringInputTypes(convOut.get(), in) : VFW_E_CANNOT_CONNECT;
  }
  if (SUCCEEDED(hr)) return S_OK;
  RemoveLocked(converter.get());
  return VFW_E_CANNOT_CONNECT;
}

HRESULT TDSFilterGraph::Connect(IPin* out, IPin* in) {
  TOperation op(this);
  HRESULT hr = CheckPinPair(out, in);
  if (FAILED(hr)) return hr;
  hr = out->Connect(in, nullptr);
  if (SUCCEEDED(hr)) return hr;
  for (const TGUID& clsid : DSConverterClasses()) {
    if (SUCCEEDED(ConnectThroughConverter(clsid, out, in))) return S_OK;
  }
  return VFW_E_CANNOT_CONNECT;
}

HRESULT TDSFilterGraph::Render(IPin* out) {
  if (!out) return E_POINTER;
  TOperation op(this);
  if (!PinInGraph(out)) return VFW_E_NOT_IN_GRAPH;
  PIN_DIRECTION dir;
  if (!DSPinDirection(out, &dir) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  if (DSPeerOf(out)) return VFW_E_ALREADY_CONNECTED;
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  void* raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw)) || !raw)
    return VFW_E_CANNOT_RENDER;
  TIntf<IBaseFilter> renderer = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
  if (FAILED(AddFilter(renderer.get(), u"Video Renderer"))) return VFW_E_CANNOT_RENDER;
  TIntf<IPin> in = DSFirstPin(renderer.get(), PINDIR_INPUT, true);
  if (in && SUCCEEDED(Connect(out, in.get()))) return S_OK;
  RemoveLocked(renderer.get());
  return VFW_E_CANNOT_RENDER;
}

// ---- reconnection ----

HRESULT TDSFilterGraph::Reconnect(IPin* pin) { return ReconnectEx(pin, nullptr); }

HRESULT TDSFilterGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) {
  if (!pin) return E_POINTER;
  if (!DSPeerOf(pin)) return VFW_E_NOT_CONNECTED;
  QueueReconnect(pin, mt);
  return S_OK;
}

void TDSFilterGraph::QueueReconnect(IPin* pin, const AM_MEDIA_TYPE* mt) {
  {
    std::lock_guard guard(reconnectLock_);
    TReconnect r{TIntf<IPin>(pin), TDSMediaType(), mt != nullptr};
    if (mt) r.mt = TDSMediaType(*mt);
    reconnects_.push_back(std::move(r));
    ++reconnectsQueued_;
  }
  // Inside one of our own operations on this thread: its end carries it out.
  if (lock_.TryEnter()) {
    const bool inOperation = operationDepth_ > 0;
    lock_.Leave();
    if (inOperation) return;
  }
  std::lock_guard guard(reconnectLock_);
  if (!reconnectThread_.joinable()) reconnectThread_ = std::thread([this] { ReconnectLoop(); });
  reconnectWake_.notify_all();
}

void TDSFilterGraph::ReconnectLoop() {
  std::unique_lock guard(reconnectLock_);
  for (;;) {
    reconnectWake_.wait(guard, [this] { return reconnectQuit_ || !reconnects_.empty(); });
    if (reconnectQuit_) return;
    guard.unlock();
    {
      TOperation op(this);  // its end runs the queue
    }
    guard.lock();
  }
}

void TDSFilterGraph::RunPendingReconnects() {
  for (int round = 0; round < kMaxReconnectRounds; ++round) {
    std::deque<TReconnect> work;
    {
      std::lock_guard guard(reconnectLock_);
      work.swap(reconnects_);
    }
    if (work.empty()) return;
    ++operationDepth_;  // a reconnection asking for another queues it
    for (TReconnect& r : work) {
      IPin* pin = r.pin.get();
      TIntf<IPin> peer = DSPeerOf(pin);
      PIN_DIRECTION dir;
      if (state_ == State_Stopped && peer && PinInGraph(pin) && DSPinDirection(pin, &dir)) {
        IPin* out = dir == PINDIR_OUTPUT ? pin : peer.get();
        IPin* in = dir == PINDIR_OUTPUT ? peer.get() : pin;
        TDSMediaType old;
        out->ConnectionMediaType(&old.Get());
        out->Disconnect();
        in->Disconnect();
        if (FAILED(out->Connect(in, r.hasType ? &r.mt.Get() : nullptr))) out->Connect(in, &old.Get());
      }
    }
    --operationDepth_;
    std::lock_guard guard(reconnectLock_);
    reconnectsDone_ += work.size();
  }
  std::lock_guard guard(reconnectLock_);
  reconnects_.clear();
}

void TDSFilterGraph::FlushReconnects() { TOperation op(this); }

// ---- state ----

std::vector<IBaseFilter*> TDSFilterGraph::DownstreamFirst() const {
  const size_t n = filters_.size();
  std::vector<std::vector<size_t>> children(n);
  for (size_t i = 0; i < n; ++i) {
    for (TIntf<IPin>& pin : DSPinsOf(filters_[i].filter.get())) {
      PIN_DIRECTION dir;
      if (!DSPinDirection(pin.get(), &dir) || dir != PINDIR_OUTPUT) continue;
      TIntf<IBaseFilter> next = DSFilterOfPin(DSPeerOf(pin.get()).get());
      const int j = next ? IndexOf(next.get()) : -1;
      if (j >= 0 && size_t(j) != i) children[i].push_back(size_t(j));
    }
  }
  std::vector<IBaseFilter*> order;
  std::vector<bool> done(n, false);
  bool progress = true;
  while (order.size() < n && progress) {
    progress = false;
    for (size_t i = 0; i < n; ++i) {
      if (done[i]) continue;
      if (std::all_of(children[i].begin(), children[i].end(), [&](size_t c) { return done[c]; })) {
        done[i] = true;
        order.push_back(filters_[i].filter.get());
        progress = true;
      }
    }
  }
  for (size_t i = 0; i < n; ++i)  // a loop of filters: in graph order
    if (!done[i]) order.push_back(filters_[i].filter.get());
  return order;
}

// A filter that takes part in a stream needs every input connected; a
// filter with no connection at all merely sits in the graph.
HRESULT TDSFilterGraph::CheckMandatoryPins() const {
  for (const TEntry& e : filters_) {
    bool anyConnected = false, inputOpen = false;
    for (TIntf<IPin>& pin : DSPinsOf(e.filter.get())) {
      PIN_DIRECTION dir;
      const bool connected = bool(DSPeerOf(pin.get()));
      anyConnected |= connected;
      if (!connected && DSPinDirection(pin.get(), &dir) && dir == PINDIR_INPUT) inputOpen = true;
    }
    if (anyConnected && inputOpen) return VFW_E_NOT_CONNECTED;
  }
  return S_OK;
}

void TDSFilterGraph::PrepareClock() {
  if (!clockChosen_ && !clock_) {
    auto* clock = new (std::nothrow) TDSSystemClock();
    clock_ = TIntf<IReferenceClock>(clock);
  }
  for (TEntry& e : filters_) e.filter->SetSyncSource(clock_.get());
}

HRESULT TDSFilterGraph::PauseLocked() {
  if (state_ == State_Paused) return S_OK;
  const std::vector<IBaseFilter*> order = DownstreamFirst();
  if (state_ == State_Stopped) {
    const HRESULT hr = CheckMandatoryPins();
    if (FAILED(hr)) return hr;
    PrepareClock();
    // Counted before the accounting's leaf is taken: asking pins takes their
    // filters' locks.
    int renderers = 0;
    for (TEntry& e : filters_) {
      bool in = false, out = false;
      for (TIntf<IPin>& pin : DSPinsOf(e.filter.get())) {
        PIN_DIRECTION dir;
        if (DSPinDirection(pin.get(), &dir)) (dir == PINDIR_INPUT ? in : out) = true;
      }
      renderers += in && !out;
    }
    std::lock_guard guard(completeLock_);
    completed_.clear();
    renderers_ = renderers;
  }
  for (IBaseFilter* f : order) {
    const HRESULT hr = f->Pause();
    if (FAILED(hr)) {
      StopLocked();
      return hr;
    }
  }
  if (state_ == State_Running && clock_) clock_->GetTime(&pausedAt_);
  state_ = State_Paused;
  return S_OK;
}

HRESULT TDSFilterGraph::RunLocked(REFERENCE_TIME start, bool startGiven) {
  if (state_ == State_Running) return S_OK;
  if (state_ == State_Stopped) {
    const HRESULT hr = PauseLocked();
    if (FAILED(hr)) return hr;
  }
  REFERENCE_TIME now = 0;
  if (clock_) clock_->GetTime(&now);
  if (startGiven) {
    start_ = start;
  } else if (!ranSinceStop_) {
    start_ = now + kStartDelay;
  } else {
    start_ += now - pausedAt_;  // stream time stands still while paused
  }
  for (IBaseFilter* f : DownstreamFirst()) {
    const HRESULT hr = f->Run(start_);
    if (FAILED(hr)) {
      StopLocked();
      return hr;
    }
  }
  ranSinceStop_ = true;
  state_ = State_Running;
  return S_OK;
}

HRESULT TDSFilterGraph::StopLocked() {
  HRESULT result = S_OK;
  for (IBaseFilter* f : DownstreamFirst()) {
    const HRESULT hr = f->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  state_ = State_Stopped;
  ranSinceStop_ = false;
  std::lock_guard guard(completeLock_);
  completed_.clear();
  renderers_ = 0;
  return result;
}

HRESULT TDSFilterGraph::Run() {
  TOperation op(this);
  return RunLocked(0, false);
}

HRESULT TDSFilterGraph::Run(REFERENCE_TIME start) {
  TOperation op(this);
  return RunLocked(start, true);
}

HRESULT TDSFilterGraph::Pause() {
  TOperation op(this);
  return PauseLocked();
}

HRESULT TDSFilterGraph::Stop() {
  TOperation op(this);
  return StopLocked();
}

HRESULT TDSFilterGraph::StopWhenReady() {
  TOperation op(this);
  const HRESULT hr = PauseLocked();
  const HRESULT stopped = StopLocked();
  return FAILED(hr) ? hr : stopped;
}

HRESULT TDSFilterGraph::GetState(int32_t, int32_t* state) {
  if (!state) return E_POINTER;
  *state = state_.load();
  return S_OK;
}

HRESULT TDSFilterGraph::GetState(uint32_t, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = state_.load();
  return S_OK;
}

HRESULT TDSFilterGraph::GetClassID(TGUID* classId) {
  if (!classId) return E_POINTER;
  *classId = CLSID_FilterGraph;
  return S_OK;
}

HRESULT TDSFilterGraph::SetSyncSource(IReferenceClock* clock) {
  TOperation op(this);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  clock_ = TIntf<IReferenceClock>(clock);
  clockChosen_ = true;
  return S_OK;
}

HRESULT TDSFilterGraph::SetDefaultSyncSource() {
  TOperation op(this);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  clockChosen_ = false;
  if (!clock_) clock_ = TIntf<IReferenceClock>(new (std::nothrow) TDSSystemClock());
  return clock_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT TDSFilterGraph::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  TOperation op(this);
  *clock = TIntf<IReferenceClock>(clock_).Detach();
  return *clock ? S_OK : S_FALSE;
}

// ---- events ----

HRESULT TDSFilterGraph::Notify(int32_t eventCode, intptr_t param1, intptr_t param2) {
  if (eventCode == EC_COMPLETE && defaultComplete_) {
    // The application hears of completion once every renderer has finished;
    // the queue is told after the accounting's leaf is released.
    bool allDone = false;
    {
      std::lock_guard guard(completeLock_);
      if (renderers_ == 0) return S_OK;
      completed_.insert(param2);
      allDone = int(completed_.size()) == renderers_;
    }
    if (allDone) events_.Add({EC_COMPLETE, S_OK, 0});
    return S_OK;
  }
  events_.Add({eventCode, param1, param2});
  return S_OK;
}

HRESULT TDSFilterGraph::GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2, int32_t msTimeout) {
  if (!eventCode || !param1 || !param2) return E_POINTER;
  TDSEventQueue::TEvent e{};
  const HRESULT hr = events_.Get(&e, msTimeout);
  *eventCode = SUCCEEDED(hr) ? e.code : 0;
  *param1 = SUCCEEDED(hr) ? e.param1 : 0;
  *param2 = SUCCEEDED(hr) ? e.param2 : 0;
  return hr;
}

HRESULT TDSFilterGraph::WaitForCompletion(int32_t msTimeout, int32_t* eventCode) {
  if (!eventCode) return E_POINTER;
  return events_.WaitForCompletion(msTimeout, eventCode);
}

HRESULT TDSFilterGraph::CancelDefaultHandling(int32_t eventCode) {
  if (eventCode != EC_COMPLETE) return S_FALSE;
  defaultComplete_ = false;
  return S_OK;
}

HRESULT TDSFilterGraph::RestoreDefaultHandling(int32_t eventCode) {
  if (eventCode != EC_COMPLETE) return S_FALSE;
  defaultComplete_ = true;
  return S_OK;
}

// Every parameter our filters raise is a plain value: nothing to free.
HRESULT TDSFilterGraph::FreeEventParams(int32_t, intptr_t, intptr_t) { return S_OK; }

HRESULT TDSFilterGraph::SetNotifyWindow(QObject* target, int32_t message, intptr_t instanceData) {
  events_.SetTarget(target, message, instanceData);
  return S_OK;
}

HRESULT TDSFilterGraph::SetNotifyFlags(int32_t flags) {
  if (flags & ~AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
  events_.SetFlags(flags);
  return S_OK;
}

HRESULT TDSFilterGraph::GetNotifyFlags(int32_t* flags) {
  if (!flags) return E_POINTER;
  *flags = events_.Flags();
  return S_OK;
}

}  // namespace lumicar
