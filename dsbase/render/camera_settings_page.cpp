#include "dsbase/render/camera_settings_page.h"

#include <QVBoxLayout>

namespace lumicar {

TDSCameraSettingsPage::TDSCameraSettingsPage() : TDSDualUnknown(QStringLiteral("Camera settings page"), nullptr) {}

TDSCameraSettingsPage::~TDSCameraSettingsPage() { delete view_.data(); }

HRESULT TDSCameraSettingsPage::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IPropertyPage) return GetInterface<IPropertyPage>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSCameraSettingsPage::SetObjects(uint32_t count, IUnknown** objects) {
  if (count && !objects) return E_POINTER;
  camera_.reset();
  for (uint32_t i = 0; i < count && !camera_; ++i)
    camera_ = QueryIntf<ICameraControls>(objects[i], IID_ICameraControls);
  return count && !camera_ ? E_NOINTERFACE : S_OK;
}

HRESULT TDSCameraSettingsPage::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  info->Title = QStringLiteral("Camera controls");
  info->Width = 480;
  info->Height = 360;
  return S_OK;
}

HRESULT TDSCameraSettingsPage::Activate(QWidget* parent) {
  if (!parent) return E_POINTER;
  if (!camera_) return E_UNEXPECTED;
  Deactivate();
  view_ = new TDSCameraSettingsView(camera_.get(), parent);
  // The host may come without a layout of its own: the page fills it.
  if (!parent->layout()) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  parent->layout()->addWidget(view_);
  view_->show();
  return S_OK;
}

HRESULT TDSCameraSettingsPage::Deactivate() {
  delete view_.data();
  return S_OK;
}

}  // namespace lumicar
