#include "dsbase/graph/capture_graph_builder.h"

#include <algorithm>
#include <vector>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/graph/graph_pins.h"

namespace lumicar {

namespace {

constexpr int kMaxDepth = 32;  // a looped graph must not recurse without end

bool Ask(IUnknown* where, const TGUID& iid, void** object) {
  return where && SUCCEEDED(where->QueryInterface(iid, object)) && *object;
}

// The interface on the filter downstream of `out`, its pins, and on below.
bool SearchDownstream(IPin* out, const TGUID& iid, void** object, int depth) {
  if (depth > kMaxDepth) return false;
  TIntf<IPin> peer = DSPeerOf(out);
  if (!peer) return false;
  if (Ask(peer.get(), iid, object)) return true;
  TIntf<IBaseFilter> next = DSFilterOfPin(peer.get());
  if (Ask(next.get(), iid, object)) return true;
  for (TIntf<IPin>& pin : DSPinsOf(next.get())) {
    PIN_DIRECTION dir;
    if (!DSPinDirection(pin.get(), &dir) || dir != PINDIR_OUTPUT) continue;
    if (Ask(pin.get(), iid, object) || SearchDownstream(pin.get(), iid, object, depth + 1)) return true;
  }
  return false;
}

std::vector<TIntf<IBaseFilter>> FiltersOf(IFilterGraph* graph) {
  std::vector<TIntf<IBaseFilter>> all;
  IEnumFilters* raw = nullptr;
  if (FAILED(graph->EnumFilters(&raw)) || !raw) return all;
  TIntf<IEnumFilters> e = TIntf<IEnumFilters>::Adopt(raw);
  for (;;) {
    IBaseFilter* f = nullptr;
    uint32_t fetched = 0;
    if (e->Next(1, &f, &fetched) != S_OK || fetched != 1 || !f) break;
    all.push_back(TIntf<IBaseFilter>::Adopt(f));
  }
  return all;
}

}  // namespace

TDSCaptureGraphBuilder::TDSCaptureGraphBuilder() : TDSDualUnknown(QStringLiteral("Capture graph builder"), nullptr) {}

HRESULT TDSCaptureGraphBuilder::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_ICaptureGraphBuilder2) return GetInterface<ICaptureGraphBuilder2>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSCaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
  if (!graph) return E_POINTER;
  std::lock_guard guard(lock_);
  if (graph_) return E_UNEXPECTED;  // a builder works on one graph
  graph_ = TIntf<IGraphBuilder>(graph);
  return S_OK;
}

TIntf<IGraphBuilder> TDSCaptureGraphBuilder::Graph() {
  std::lock_guard guard(lock_);
  return graph_;
}

HRESULT TDSCaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
  if (!graph) return E_POINTER;
  *graph = nullptr;
  if (TIntf<IGraphBuilder> have = Graph()) {
    *graph = have.Detach();
    return S_OK;
  }
  // Made with the leaf released (making an object takes the class lock); a
  // graph another thread set meanwhile wins, and the new one is let go.
  void* raw = nullptr;
  const HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &raw);
  if (FAILED(hr)) return hr;
  TIntf<IGraphBuilder> made = TIntf<IGraphBuilder>::Adopt(static_cast<IGraphBuilder*>(raw));
  {
    std::lock_guard guard(lock_);
    if (!graph_) graph_ = made;
    *graph = TIntf<IGraphBuilder>(graph_).Detach();
  }
  return S_OK;
}

bool TDSCaptureGraphBuilder::PinCategory(IPin* pin, TGUID* category) {
  TIntf<IKsPropertySet> props = QueryIntf<IKsPropertySet>(pin, IID_IKsPropertySet);
  if (!props) return false;
  TGUID value;
  uint32_t returned = 0;
  if (props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &value, sizeof value, &returned) != S_OK ||
      returned != sizeof value)
    return false;
  *category = value;
  return true;
}

HRESULT TDSCaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction, const TGUID* category,
                                        const TGUID* type, bool unconnected, int index, IPin** pin) {
  if (!source || !pin) return E_POINTER;
  *pin = nullptr;
  if (index < 0 || (direction != PINDIR_INPUT && direction != PINDIR_OUTPUT)) return E_INVALIDARG;
  std::vector<TIntf<IPin>> candidates;
  if (TIntf<IPin> given = QueryIntf<IPin>(source, IID_IPin)) {
    candidates.push_back(given);
  } else if (TIntf<IBaseFilter> filter = QueryIntf<IBaseFilter>(source, IID_IBaseFilter)) {
    candidates = DSPinsOf(filter.get());
  } else {
    return E_NOINTERFACE;
  }
  int seen = 0;
  for (TIntf<IPin>& p : candidates) {
    PIN_DIRECTION dir;
    if (!DSPinDirection(p.get(), &dir) || dir != direction) continue;
    if (category && !category->IsNull()) {
      TGUID own;
      if (!PinCategory(p.get(), &own) || !(own == *category)) continue;
    }
    if (type && !type->IsNull() && !DSPinHasMajorType(p.get(), *type)) continue;
    if (unconnected && DSPeerOf(p.get())) continue;
    if (seen++ == index) {
      *pin = p.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT TDSCaptureGraphBuilder::FindInterface(const TGUID* category, const TGUID* type, IBaseFilter* filter,
                                              const TGUID& iid, void** object) {
  if (!filter || !object) return E_POINTER;
  *object = nullptr;
  if (category && !category->IsNull()) {
    // The pin of that category first, then its filter, then downstream.
    IPin* raw = nullptr;
    if (FAILED(FindPin(filter, PINDIR_OUTPUT, category, type, false, 0, &raw)) || !raw) return E_FAIL;
    TIntf<IPin> pin = TIntf<IPin>::Adopt(raw);
    if (Ask(pin.get(), iid, object) || Ask(filter, iid, object) || SearchDownstream(pin.get(), iid, object, 0))
      return S_OK;
    return E_NOINTERFACE;
  }
  if (Ask(filter, iid, object)) return S_OK;
  for (TIntf<IPin>& pin : DSPinsOf(filter)) {
    if (type && !type->IsNull() && !DSPinHasMajorType(pin.get(), *type)) continue;
    if (Ask(pin.get(), iid, object)) return S_OK;
  }
  for (TIntf<IPin>& pin : DSPinsOf(filter)) {
    PIN_DIRECTION dir;
    if (DSPinDirection(pin.get(), &dir) && dir == PINDIR_OUTPUT && SearchDownstream(pin.get(), iid, object, 0))
      return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT TDSCaptureGraphBuilder::RenderFrom(IGraphBuilder* graph, IPin* out, IBaseFilter* intermediate,
                                           IBaseFilter* sink) {
  TIntf<IPin> current(out);
  if (intermediate) {
    TIntf<IPin> in = DSFirstPin(intermediate, PINDIR_INPUT, true);
    if (!in) return E_FAIL;
    const HRESULT hr = graph->Connect(current.get(), in.get());
    if (FAILED(hr)) return hr;
    current = DSFirstPin(intermediate, PINDIR_OUTPUT, true);
    if (!current) return sink ? E_FAIL : S_OK;  // the intermediate ends the stream
  }
  if (!sink) return graph->Render(current.get());
  HRESULT last = VFW_E_CANNOT_CONNECT;
  for (TIntf<IPin>& in : DSPinsOf(sink)) {
    PIN_DIRECTION dir;
    if (!DSPinDirection(in.get(), &dir) || dir != PINDIR_INPUT || DSPeerOf(in.get())) continue;
    last = graph->Connect(current.get(), in.get());
    if (SUCCEEDED(last)) return last;
  }
  return last;
}

HRESULT TDSCaptureGraphBuilder::RenderStream(const TGUID* category, const TGUID* type, IUnknown* source,
                                             IBaseFilter* intermediate, IBaseFilter* sink) {
  if (!source) return E_POINTER;
  TIntf<IGraphBuilder> graph = Graph();
  if (!graph) return E_UNEXPECTED;
  TIntf<IPin> out;
  if (TIntf<IPin> given = QueryIntf<IPin>(source, IID_IPin)) {
    PIN_DIRECTION dir;
    if (!DSPinDirection(given.get(), &dir) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (DSPeerOf(given.get())) return VFW_E_ALREADY_CONNECTED;
    out = given;
  } else {
    IPin* raw = nullptr;
    if (FAILED(FindPin(source, PINDIR_OUTPUT, category, type, true, 0, &raw)) || !raw) return E_FAIL;
    out = TIntf<IPin>::Adopt(raw);
  }

  // What the graph held before: a failure takes out whatever this call added.
  const std::vector<TIntf<IBaseFilter>> before = FiltersOf(graph.get());
  std::vector<TIntf<IPin>> linkedBefore;
  for (TIntf<IPin>& pin : DSPinsOf(intermediate))
    if (DSPeerOf(pin.get())) linkedBefore.push_back(pin);
  const HRESULT hr = RenderFrom(graph.get(), out.get(), intermediate, sink);
  if (SUCCEEDED(hr)) return hr;
  for (TIntf<IBaseFilter>& f : FiltersOf(graph.get())) {
    if (std::find(before.begin(), before.end(), f) == before.end()) graph->RemoveFilter(f.get());
  }
  if (TIntf<IPin> peer = DSPeerOf(out.get())) {
    graph->Disconnect(peer.get());
    graph->Disconnect(out.get());
  }
  if (intermediate) {
    for (TIntf<IPin>& pin : DSPinsOf(intermediate)) {
      if (std::find(linkedBefore.begin(), linkedBefore.end(), pin) != linkedBefore.end()) continue;
      if (TIntf<IPin> peer = DSPeerOf(pin.get())) {
        graph->Disconnect(peer.get());
        graph->Disconnect(pin.get());
      }
    }
  }
  return hr;
}

}  // namespace lumicar
