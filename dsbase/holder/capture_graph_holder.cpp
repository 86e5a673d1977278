#include "dsbase/holder/capture_graph_holder.h"

namespace lumicar {

TDSCaptureGraph::TDSCaptureGraph(TComponent* owner, ILPLock* lock, TDSGraphEventCallback callback)
    : TDSGraph(owner, lock, std::move(callback)) {}

TDSCaptureGraph::~TDSCaptureGraph() = default;

TDSVideoGrabberCreateEvent TDSCaptureGraph::OnVideoGrabberCreate() const {
  auto section = ReadLock();
  return onVideoGrabberCreate_;
}

void TDSCaptureGraph::SetOnVideoGrabberCreate(const TDSVideoGrabberCreateEvent& event) {
  auto section = WriteLock();
  onVideoGrabberCreate_ = event;
}

TNotifyEvent TDSCaptureGraph::OnReleaseFilters() const {
  auto section = ReadLock();
  return onReleaseFilters_;
}

void TDSCaptureGraph::SetOnReleaseFilters(const TNotifyEvent& event) {
  auto section = WriteLock();
  onReleaseFilters_ = event;
}

TNotifyEvent TDSCaptureGraph::OnAfterRendering() const {
  auto section = ReadLock();
  return onAfterRendering_;
}

void TDSCaptureGraph::SetOnAfterRendering(const TNotifyEvent& event) {
  auto section = WriteLock();
  onAfterRendering_ = event;
}

TDSCustomRenderEvent TDSCaptureGraph::OnCustomRender() const {
  auto section = ReadLock();
  return onCustomRender_;
}

void TDSCaptureGraph::SetOnCustomRender(const TDSCustomRenderEvent& event) {
  auto section = WriteLock();
  onCustomRender_ = event;
}

TIntf<IBaseFilter> TDSCaptureGraph::VideoGrabberCreate() {
  TIntf<IBaseFilter> grabber;
  if (TDSVideoGrabberCreateEvent handler = OnVideoGrabberCreate()) handler(Owner(), &grabber);
  return grabber;
}

void TDSCaptureGraph::ReleaseFilters() {
  if (TNotifyEvent handler = OnReleaseFilters()) handler(Owner());
}

void TDSCaptureGraph::AfterRendering() {
  if (TNotifyEvent handler = OnAfterRendering()) handler(Owner());
}

bool TDSCaptureGraph::CustomRender(IBaseFilter* source, bool video, IBaseFilter* grabber) {
  TDSCustomRenderEvent handler = OnCustomRender();
  if (!handler) return false;
  handler(Owner(), source, video, grabber);
  return true;
}

}  // namespace lumicar
