#pragma once
// The seam between a camera filter and its settings dialog: the windowed
// part of the media layer installs the presenter (it shows the camera page
// in a property frame); without one, cameras report that they have no dialog.

#include "runtime/interface.h"

class QWidget;

namespace lumicar {

using TDSCameraDialogPresenter = HRESULT (*)(IUnknown* camera, QWidget* parent);

void DSSetCameraDialogPresenter(TDSCameraDialogPresenter presenter);
TDSCameraDialogPresenter DSCameraDialogPresenter();

}  // namespace lumicar
