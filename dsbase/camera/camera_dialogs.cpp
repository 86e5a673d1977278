#include "dsbase/camera/camera_dialogs.h"

#include <atomic>

namespace lumicar {

namespace {
std::atomic<TDSCameraDialogPresenter> presenter{nullptr};
}

void DSSetCameraDialogPresenter(TDSCameraDialogPresenter p) { presenter.store(p); }
TDSCameraDialogPresenter DSCameraDialogPresenter() { return presenter.load(); }

}  // namespace lumicar
