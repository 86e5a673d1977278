#include "dsbase/graph/video_window_distributor.h"

#include <vector>

namespace lumicar {

namespace {

std::vector<TIntf<IVideoWindow>> WindowsOf(IFilterGraph* graph) {
  std::vector<TIntf<IVideoWindow>> windows;
  IEnumFilters* raw = nullptr;
  if (FAILED(graph->EnumFilters(&raw)) || !raw) return windows;
  TIntf<IEnumFilters> filters = TIntf<IEnumFilters>::Adopt(raw);
  IBaseFilter* filter = nullptr;
  uint32_t fetched = 0;
  while (filters->Next(1, &filter, &fetched) == S_OK && fetched == 1) {
    TIntf<IBaseFilter> held = TIntf<IBaseFilter>::Adopt(filter);
    if (TIntf<IVideoWindow> window = QueryIntf<IVideoWindow>(held.get(), IID_IVideoWindow))
      windows.push_back(std::move(window));
  }
  return windows;
}

}  // namespace

TDSVideoWindowDistributor::TDSVideoWindowDistributor(IUnknown* outer, IFilterGraph* graph)
    : TDSDualUnknown(QStringLiteral("Video window distributor"), outer), graph_(graph) {}

HRESULT TDSVideoWindowDistributor::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IVideoWindow) return GetInterface<IVideoWindow>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

TIntf<IVideoWindow> TDSVideoWindowDistributor::FirstWindow() {
  std::vector<TIntf<IVideoWindow>> windows = WindowsOf(graph_);
  return windows.empty() ? TIntf<IVideoWindow>() : windows.front();
}

// The graph's lock is not held while a renderer runs the call: the renderer
// may raise events to the graph from inside it.
template <typename Call>
HRESULT TDSVideoWindowDistributor::Forward(Call&& call) {
  TIntf<IVideoWindow> window = FirstWindow();
  return window ? call(window.get()) : E_NOINTERFACE;
}

HRESULT TDSVideoWindowDistributor::put_WindowStyle(int32_t style) {
  return Forward([&](IVideoWindow* w) { return w->put_WindowStyle(style); });
}
HRESULT TDSVideoWindowDistributor::get_WindowStyle(int32_t* style) {
  return Forward([&](IVideoWindow* w) { return w->get_WindowStyle(style); });
}
HRESULT TDSVideoWindowDistributor::put_AutoShow(OABOOL autoShow) {
  return Forward([&](IVideoWindow* w) { return w->put_AutoShow(autoShow); });
}
HRESULT TDSVideoWindowDistributor::get_AutoShow(OABOOL* autoShow) {
  return Forward([&](IVideoWindow* w) { return w->get_AutoShow(autoShow); });
}
HRESULT TDSVideoWindowDistributor::put_Visible(OABOOL visible) {
  return Forward([&](IVideoWindow* w) { return w->put_Visible(visible); });
}
HRESULT TDSVideoWindowDistributor::get_Visible(OABOOL* visible) {
  return Forward([&](IVideoWindow* w) { return w->get_Visible(visible); });
}
HRESULT TDSVideoWindowDistributor::put_Owner(OAHWND owner) {
  return Forward([&](IVideoWindow* w) { return w->put_Owner(owner); });
}
HRESULT TDSVideoWindowDistributor::get_Owner(OAHWND* owner) {
  return Forward([&](IVideoWindow* w) { return w->get_Owner(owner); });
}
HRESULT TDSVideoWindowDistributor::put_MessageDrain(OAHWND drain) {
  return Forward([&](IVideoWindow* w) { return w->put_MessageDrain(drain); });
}
HRESULT TDSVideoWindowDistributor::get_MessageDrain(OAHWND* drain) {
  return Forward([&](IVideoWindow* w) { return w->get_MessageDrain(drain); });
}
HRESULT TDSVideoWindowDistributor::put_FullScreenMode(OABOOL fullScreen) {
  return Forward([&](IVideoWindow* w) { return w->put_FullScreenMode(fullScreen); });
}
HRESULT TDSVideoWindowDistributor::get_FullScreenMode(OABOOL* fullScreen) {
  return Forward([&](IVideoWindow* w) { return w->get_FullScreenMode(fullScreen); });
}
HRESULT TDSVideoWindowDistributor::SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) {
  return Forward([&](IVideoWindow* w) { return w->SetWindowPosition(left, top, width, height); });
}
HRESULT TDSVideoWindowDistributor::GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
  return Forward([&](IVideoWindow* w) { return w->GetWindowPosition(left, top, width, height); });
}
HRESULT TDSVideoWindowDistributor::HideCursor(OABOOL hide) {
  return Forward([&](IVideoWindow* w) { return w->HideCursor(hide); });
}
HRESULT TDSVideoWindowDistributor::IsCursorHidden(OABOOL* hidden) {
  return Forward([&](IVideoWindow* w) { return w->IsCursorHidden(hidden); });
}

HRESULT TDSVideoWindowDistributor::NotifyOwnerMessage(OAHWND owner, QEvent* message) {
  std::vector<TIntf<IVideoWindow>> windows = WindowsOf(graph_);
  if (windows.empty()) return E_NOINTERFACE;
  HRESULT result = S_OK;
  for (TIntf<IVideoWindow>& window : windows) {
    const HRESULT hr = window->NotifyOwnerMessage(owner, message);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

}  // namespace lumicar
