#include "dsbase/render/camera_settings_dialog.h"

#include <mutex>
#include <string>

#include "dsbase/camera/camera_dialogs.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/render/camera_settings_page.h"
#include "dsbase/render/property_frame.h"

namespace lumicar {

HRESULT DSShowCameraSettings(IUnknown* camera, QWidget* parent) {
  if (!camera) return E_POINTER;
  const TIntf<ICameraControls> controls = QueryIntf<ICameraControls>(camera, IID_ICameraControls);
  if (!controls) return E_NOINTERFACE;
  const std::u16string caption = controls->CameraName().toStdU16String();
  IUnknown* objects[] = {camera};
  return OleCreatePropertyFrame(parent, -1, -1, caption.c_str(), 1, objects, 1, &CLSID_CameraPropertyPage, 0);
}

void DSRegisterCameraSettingsPage() {
  static std::once_flag once;
  std::call_once(once, [] {
    DSRegisterClass(CLSID_CameraPropertyPage, [](IUnknown* outer, HRESULT* result) -> IUnknown* {
      if (outer) {
        *result = CLASS_E_NOAGGREGATION;
        return nullptr;
      }
      auto* page = new (std::nothrow) TDSCameraSettingsPage();
      if (!page) {
        *result = E_OUTOFMEMORY;
        return nullptr;
      }
      page->NonDelegatingAddRef();
      *result = S_OK;
      return page->GetNonDelegatingUnknown();
    });
    DSSetCameraDialogPresenter(&DSShowCameraSettings);
  });
}

}  // namespace lumicar
