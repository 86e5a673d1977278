#pragma once
// The camera's settings dialog: the property frame over the camera settings
// page, captioned with the camera's name. Registering it gives the capture
// filters their source dialog and property page.

#include "runtime/interface.h"

class QWidget;

namespace lumicar {

// Shows the settings of `camera` (an object with the camera control list)
// modally over `parent`; returns when the dialog has closed.
HRESULT DSShowCameraSettings(IUnknown* camera, QWidget* parent);

// Registers the settings page under CLSID_CameraPropertyPage and installs
// DSShowCameraSettings as the cameras' dialog presenter. Call once at
// start-up; calling again does nothing.
void DSRegisterCameraSettingsPage();

}  // namespace lumicar
