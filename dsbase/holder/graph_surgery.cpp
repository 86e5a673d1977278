#include "dsbase/holder/graph_surgery.h"

#include <vector>

#include "dsbase/devices/cap_device_list.h"
#include "dsbase/holder/graph_log.h"
#include "dsbase/holder/renderer_ids.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

// A graph is a tree of filters a few levels deep; the limit only keeps a
// broken graph (a connection loop) from recursing without end.
constexpr int kMaxTearDownDepth = 64;

// The pin at the other end of pin and its filter, when that pin's direction
// is `direction`.
bool PeerOf(IPin* pin, PIN_DIRECTION direction, TIntf<IPin>* peer, TIntf<IBaseFilter>* filter) {
  IPin* rawPeer = nullptr;
  if (FAILED(pin->ConnectedTo(&rawPeer)) || rawPeer == nullptr) return false;
  *peer = TIntf<IPin>::Adopt(rawPeer);
  PIN_DIRECTION dir = PINDIR_INPUT;
  if (FAILED((*peer)->QueryDirection(&dir)) || dir != direction) return false;
  PIN_INFO info{};
  if (SUCCEEDED((*peer)->QueryPinInfo(&info))) *filter = TIntf<IBaseFilter>::Adopt(info.pFilter);
  return true;
}

void DestroyDownstreamOf(IGraphBuilder* graph, IBaseFilter* filter, int depth) {
  if (filter == nullptr || graph == nullptr || depth > kMaxTearDownDepth) return;
  // The pins are listed first: removing filters may change what the
  // filter's own enumerator would hand out.
  for (const TIntf<IPin>& pin : DSFilterPins(filter)) {
    try {
      TIntf<IPin> peer;
      TIntf<IBaseFilter> downstream;
      if (!PeerOf(pin.get(), PINDIR_INPUT, &peer, &downstream)) continue;
      if (downstream) DestroyDownstreamOf(graph, downstream.get(), depth + 1);
      graph->Disconnect(peer.get());
      graph->Disconnect(pin.get());
      if (downstream) graph->RemoveFilter(downstream.get());
    } catch (...) {
      // Whatever one branch does, the others are still taken down.
      qCWarning(lcGraph).noquote() << "Taking down a branch of the graph failed:" << CurrentExceptionText();
    }
  }
}

void DestroyUpstreamOf(IGraphBuilder* graph, IBaseFilter* filter, int depth) {
  if (filter == nullptr || graph == nullptr || depth > kMaxTearDownDepth) return;
  for (const TIntf<IPin>& pin : DSFilterPins(filter)) {
    TIntf<IPin> peer;
    TIntf<IBaseFilter> upstream;
    if (!PeerOf(pin.get(), PINDIR_OUTPUT, &peer, &upstream)) continue;
    if (upstream) DestroyUpstreamOf(graph, upstream.get(), depth + 1);
    graph->Disconnect(peer.get());
    graph->Disconnect(pin.get());
    if (upstream) graph->RemoveFilter(upstream.get());
  }
}

}  // namespace

void DSDestroyDownstream(IGraphBuilder* graph, IBaseFilter* filter) { DestroyDownstreamOf(graph, filter, 0); }

void DSDestroyUpstream(IGraphBuilder* graph, IBaseFilter* filter) { DestroyUpstreamOf(graph, filter, 0); }

bool DSConnectFilterToPin(IGraphBuilder* graph, IBaseFilter* filter, IPin* pin) {
  if (filter == nullptr || pin == nullptr || graph == nullptr) return false;
  for (const TIntf<IPin>& out : DSFilterPins(filter)) {
    try {
      PIN_DIRECTION dir = PINDIR_INPUT;
      if (FAILED(out->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
      if (SUCCEEDED(graph->Connect(out.get(), pin))) return true;
    } catch (...) {
      // The next output pin may still connect.
      qCWarning(lcGraph).noquote() << "Connecting an output pin failed:" << CurrentExceptionText();
    }
  }
  return false;
}

TIntf<IBaseFilter> DSFilterOfClass(const TDSFilters& filters, const TGUID& classId) {
  std::vector<TIntf<IBaseFilter>> all;
  filters.Filters(all);
  for (const TIntf<IBaseFilter>& filter : all) {
    TGUID id;
    if (SUCCEEDED(filter->GetClassID(&id)) && id == classId) return filter;
  }
  return {};
}

TIntf<IBaseFilter> DSVideoRenderOf(const TDSFilters& filters) {
  for (const TGUID* id : {&CLSID_VideoRenderer, &CLSID_VideoMixingRenderer, &CLSID_VideoMixingRenderer9})
    if (TIntf<IBaseFilter> filter = DSFilterOfClass(filters, *id)) return filter;
  return {};
}

TIntf<IBaseFilter> DSAudioRenderOf(const TDSFilters& filters) {
  for (const TGUID* id : {&CLSID_DSoundRender, &CLSID_AudioRender})
    if (TIntf<IBaseFilter> filter = DSFilterOfClass(filters, *id)) return filter;
  return {};
}

TIntf<IBaseFilter> DSCreateFilterByName(const QString& name) {
  if (name.isEmpty()) return {};
  TVLDSCapDeviceList list;
  list.EnumAllFilters();
  TIntf<IMoniker> moniker = list.GetMonikerByString(name);
  if (!moniker) return {};
  void* raw = nullptr;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw)) || raw == nullptr) return {};
  return TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
}

}  // namespace lumicar
