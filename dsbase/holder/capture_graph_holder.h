#pragma once
// TDSCaptureGraph: the capture component's graph holder. Besides the plain
// holder it lets the component's user take part in building the capture
// graph: supply the video grabber, hear when the graph's filters are
// released and when rendering is done, or render the capture pin itself.

#include "dsbase/holder/graph_holder.h"

namespace lumicar {

class TDSCaptureGraph : public TDSGraph {
  Q_OBJECT
  Q_PROPERTY(
      lumicar::TDSVideoGrabberCreateEvent OnVideoGrabberCreate READ OnVideoGrabberCreate WRITE SetOnVideoGrabberCreate)
  Q_PROPERTY(lumicar::TNotifyEvent OnReleaseFilters READ OnReleaseFilters WRITE SetOnReleaseFilters)
  Q_PROPERTY(lumicar::TNotifyEvent OnAfterRendering READ OnAfterRendering WRITE SetOnAfterRendering)
  Q_PROPERTY(lumicar::TDSCustomRenderEvent OnCustomRender READ OnCustomRender WRITE SetOnCustomRender)

 public:
#ifndef Q_MOC_RUN
  template <LPLockOwner Owner>
  requires std::derived_from<Owner, TComponent>
  explicit TDSCaptureGraph(Owner* owner, TDSGraphEventCallback callback = {})
      : TDSCaptureGraph(owner, owner != nullptr ? owner->Lock() : nullptr, std::move(callback)) {}
#endif
  TDSCaptureGraph(TComponent* owner, ILPLock* lock, TDSGraphEventCallback callback = {});
  ~TDSCaptureGraph() override;

  TDSVideoGrabberCreateEvent OnVideoGrabberCreate() const;
  void SetOnVideoGrabberCreate(const TDSVideoGrabberCreateEvent& event);
  TNotifyEvent OnReleaseFilters() const;
  void SetOnReleaseFilters(const TNotifyEvent& event);
  TNotifyEvent OnAfterRendering() const;
  void SetOnAfterRendering(const TNotifyEvent& event);
  TDSCustomRenderEvent OnCustomRender() const;
  void SetOnCustomRender(const TDSCustomRenderEvent& event);

  // Raise the events with the owner as sender. VideoGrabberCreate gives the
  // filter the handler supplied (none without handler or filter).
  TIntf<IBaseFilter> VideoGrabberCreate();
  void ReleaseFilters();
  void AfterRendering();
  // False when no handler is assigned (the component then renders itself).
  bool CustomRender(IBaseFilter* source, bool video, IBaseFilter* grabber);

 private:
  // Guarded by the lock.
  TDSVideoGrabberCreateEvent onVideoGrabberCreate_;
  TNotifyEvent onReleaseFilters_;
  TNotifyEvent onAfterRendering_;
  TDSCustomRenderEvent onCustomRender_;
};

}  // namespace lumicar
