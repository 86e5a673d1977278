#pragma once
// The graph manager's video window: passes each call on to the first filter
// of the graph that has a video window, so that an application may hold the
// graph's IVideoWindow before the builder has added the renderer. While the
// graph has none, every call answers E_NOINTERFACE.

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_graph.h"
#include "dsbase/graph/video_renderer_interfaces.h"

namespace lumicar {

class TDSVideoWindowDistributor final : public TDSDualUnknown, public IVideoWindow {
 public:
  // Aggregated into `graph` (its `outer` unknown), which it does not count.
  TDSVideoWindowDistributor(IUnknown* outer, IFilterGraph* graph);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT put_WindowStyle(int32_t style) override;
  HRESULT get_WindowStyle(int32_t* style) override;
  HRESULT put_AutoShow(OABOOL autoShow) override;
  HRESULT get_AutoShow(OABOOL* autoShow) override;
  HRESULT put_Visible(OABOOL visible) override;
  HRESULT get_Visible(OABOOL* visible) override;
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT get_Owner(OAHWND* owner) override;
  HRESULT put_MessageDrain(OAHWND drain) override;
  HRESULT get_MessageDrain(OAHWND* drain) override;
  HRESULT put_FullScreenMode(OABOOL fullScreen) override;
  HRESULT get_FullScreenMode(OABOOL* fullScreen) override;
  HRESULT SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) override;
  HRESULT GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) override;
  HRESULT HideCursor(OABOOL hide) override;
  HRESULT IsCursorHidden(OABOOL* hidden) override;
  // Goes to every renderer of the graph: each follows its owner.
  HRESULT NotifyOwnerMessage(OAHWND owner, QEvent* message) override;

 private:
  ~TDSVideoWindowDistributor() override = default;
  // The first video window among the graph's filters, or nothing.
  TIntf<IVideoWindow> FirstWindow();
  template <typename Call>
  HRESULT Forward(Call&& call);

  IFilterGraph* graph_;
};

}  // namespace lumicar
