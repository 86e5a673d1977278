#include "testing/camera/fake_camera_provider.h"

#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"

namespace lumicar::camtest {

TFakeCameraProvider::TFakeCameraProvider() {
  fake_ = std::make_shared<TFakeV4L2Device>();
  all_.push_back(fake_);
}

TGUID TFakeCameraProvider::Category() const { return CLSID_VideoInputDeviceCategory; }

std::vector<TDSDeviceDescription> TFakeCameraProvider::Devices() {
  std::shared_ptr<TFakeV4L2Device> fake;
  std::string devnode;
  {
    std::lock_guard guard(lock_);
    if (!plugged_) return {};
    fake = fake_;
    devnode = devnode_;
  }
  return DSDescribeCameras(*fake, {{devnode, "usb-Fake_Document_Camera-video-index0"}});
}

HRESULT TFakeCameraProvider::CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  std::shared_ptr<IV4L2Device> seam;
  {
    std::lock_guard guard(lock_);
    seam = seam_ ? seam_ : std::shared_ptr<IV4L2Device>(fake_);
  }
  TDSV4L2CaptureFilter* f = nullptr;
  const HRESULT hr = TDSV4L2CaptureFilter::Create(seam, device.DevicePath.toStdString(), device.FriendlyName, &f);
  if (FAILED(hr)) return hr;
  filtersMade_.fetch_add(1);
  *filter = static_cast<IBaseFilter*>(f);
  return S_OK;
}

std::shared_ptr<TFakeV4L2Device> TFakeCameraProvider::Fake() {
  std::lock_guard guard(lock_);
  return fake_;
}

void TFakeCameraProvider::SetSeam(std::shared_ptr<IV4L2Device> seam) {
  std::lock_guard guard(lock_);
  seam_ = std::move(seam);
}

void TFakeCameraProvider::Unplug() {
  std::shared_ptr<TFakeV4L2Device> fake;
  {
    std::lock_guard guard(lock_);
    plugged_ = false;
    fake = fake_;
  }
  fake->Unplug();
}

void TFakeCameraProvider::Replug() { ReplugAt("/dev/video0"); }

void TFakeCameraProvider::ReplugAt(const std::string& devnode) {
  std::lock_guard guard(lock_);
  devnode_ = devnode;
  fake_ = std::make_shared<TFakeV4L2Device>();
  fake_->nodes_.front().path = devnode;
  all_.push_back(fake_);
  plugged_ = true;
}

int TFakeCameraProvider::OpenFds() {
  std::lock_guard guard(lock_);
  int open = 0;
  for (const auto& f : all_) {
    std::lock_guard fakeGuard(f->lock_);
    open += f->openFds_ + f->liveMappings_;
  }
  return open;
}

}  // namespace lumicar::camtest
