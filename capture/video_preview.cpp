#include "capture/video_preview.h"

namespace lumicar {

void TVLDSVideoPreview::SetEnabled(bool value) {
  auto section = WriteLock();
  if (enabled_ == value) return;
  enabled_ = value;
  if (onEnableChanged_) onEnableChanged_();
}

void TVLDSVideoPreview::SetVisible(bool value) {
  auto section = WriteLock();
  if (visible_ == value) return;
  visible_ = value;
  if (onConfigWindow_) onConfigWindow_();
}

// Read without the lock: the dock is set and read on the user-interface thread
// only, and the stored-link reader asks for it while holding the framework's
// global section, which ranks below the component's lock.
TComponent* TVLDSVideoPreview::PreviewDock() const { return dock_.data(); }

void TVLDSVideoPreview::SetPreviewDock(TComponent* dock) {
  auto section = WriteLock();
  if (dock_.data() == dock) return;
  dock_ = dock;
  if (onConfigWindow_) onConfigWindow_();
}

void TVLDSVideoPreview::Undock() {
  auto section = WriteLock();
  dock_ = nullptr;
}

}  // namespace lumicar
