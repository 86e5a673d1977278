#pragma once
// The camera settings page: the property page (CLSID_CameraPropertyPage)
// that the capture filter names for its source dialog and its property
// pages. It edits the first object that has the camera control list; every
// change reaches the camera as it is made, so the page never holds changes
// for Apply.

#include <QPointer>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/property_page_interfaces.h"
#include "dsbase/render/camera_settings_view.h"

namespace lumicar {

class TDSCameraSettingsPage final : public TDSDualUnknown, public IPropertyPage {
 public:
  TDSCameraSettingsPage();

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IPropertyPage. SetObjects fails with E_NOINTERFACE when no object is a
  // camera; Activate fails without a camera.
  HRESULT SetObjects(uint32_t count, IUnknown** objects) override;
  HRESULT GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT Activate(QWidget* parent) override;
  HRESULT Deactivate() override;
  HRESULT IsPageDirty() override { return S_FALSE; }
  HRESULT Apply() override { return S_OK; }

  // The page's widgets while it is active, else nullptr.
  TDSCameraSettingsView* View() const { return view_; }

 private:
  ~TDSCameraSettingsPage() override;

  TIntf<ICameraControls> camera_;
  QPointer<TDSCameraSettingsView> view_;
};

}  // namespace lumicar
