#include "dsbase/camera/v4l2_capture_filter.h"

#include <fcntl.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "dsbase/camera/camera_dialogs.h"
#include "dsbase/camera/camera_log.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/reference_clock.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"

namespace lumicar {

HRESULT TDSV4L2CaptureFilter::Create(std::shared_ptr<IV4L2Device> device, const std::string& path, const QString& name,
                                     TDSV4L2CaptureFilter** filter) {
  if (!filter || !device) return E_POINTER;
  *filter = nullptr;
  const int fd = device->Open(path, O_RDWR | O_NONBLOCK);
  if (fd < 0) return DSErrnoResult(errno);
  v4l2_capability cap{};
  if (device->Ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0) {
    const int e = errno;
    device->Close(fd);
    return DSErrnoResult(e);
  }
  const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
    device->Close(fd);
    return VFW_E_NOT_FOUND;
  }
  auto* f = new (std::nothrow) TDSV4L2CaptureFilter(device, fd, name);
  if (!f) {
    device->Close(fd);
    return E_OUTOFMEMORY;
  }
  f->NonDelegatingAddRef();
  std::vector<uint32_t> skipped;
  f->caps_ = DSEnumerateCameraModes(*device, fd, &skipped);
  // Compressed streams the filter does not decode (H.264 beside YUYV and
  // MJPEG on many webcams) are not offered; said once, so that a user who
  // expected them can see why.
  if (!skipped.empty())
    qCInfo(lcCamera).noquote() << QStringLiteral("%1 also offers %2, which this program cannot decode: skipped")
                                      .arg(name, DSFourccList(skipped));
  if (f->caps_.empty()) {
    qCWarning(lcCamera) << name << "offers no format this program can use";
    f->NonDelegatingRelease();
    return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  f->pin_ = new TDSV4L2CapturePin(f);
  *filter = f;
  return S_OK;
}

TDSV4L2CaptureFilter::TDSV4L2CaptureFilter(std::shared_ptr<IV4L2Device> device, int fd, const QString& name)
    : TDSBaseSourceFilter(name, nullptr, CLSID_V4L2CaptureFilter),
      device_(std::move(device)),
      fd_(fd),
      cameraName_(name),
      controls_(*device_) {}

TDSV4L2CaptureFilter::~TDSV4L2CaptureFilter() {
  // The streaming thread uses the node: it ends before the node is closed.
  if (pin_) pin_->StopStreaming();
  device_->Close(fd_);
}

HRESULT TDSV4L2CaptureFilter::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IAMVideoProcAmp) return GetInterface<IAMVideoProcAmp>(this, object);
  if (iid == IID_IAMVfwCaptureDialogs) return GetInterface<IAMVfwCaptureDialogs>(this, object);
  if (iid == IID_ISpecifyPropertyPages) return GetInterface<ISpecifyPropertyPages>(this, object);
  if (iid == IID_ICameraControls) return GetInterface<ICameraControls>(this, object);
  return TDSBaseSourceFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSV4L2CaptureFilter::Usable() const { return IsLost() ? DSErrnoResult(ENODEV) : S_OK; }

HRESULT TDSV4L2CaptureFilter::GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step,
                                       int32_t* defaultValue, int32_t* capsFlags) {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.GetRange(fd_, property, min, max, step, defaultValue, capsFlags);
}

HRESULT TDSV4L2CaptureFilter::Set(int32_t property, int32_t value, int32_t flags) {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.Set(fd_, property, value, flags);
}

HRESULT TDSV4L2CaptureFilter::Get(int32_t property, int32_t* value, int32_t* flags) {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.Get(fd_, property, value, flags);
}

HRESULT TDSV4L2CaptureFilter::GetControls(std::vector<TDSCameraControl>* controls) {
  if (!controls) return E_POINTER;
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.List(fd_, controls);
}

HRESULT TDSV4L2CaptureFilter::GetControl(uint32_t id, int32_t* value) {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.GetControl(fd_, id, value);
}

HRESULT TDSV4L2CaptureFilter::SetControl(uint32_t id, int32_t value) {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.SetControl(fd_, id, value);
}

HRESULT TDSV4L2CaptureFilter::ResetControls() {
  if (FAILED(Usable())) return Usable();
  std::lock_guard guard(controlLock_);
  return controls_.Reset(fd_);
}

void TDSV4L2CaptureFilter::ReplayControls() {
  std::lock_guard guard(controlLock_);
  controls_.Replay(fd_);
}

HRESULT TDSV4L2CaptureFilter::HasDialog(int dialog) {
  return dialog == VfwCaptureDialog_Source && DSCameraDialogPresenter() ? S_OK : S_FALSE;
}

HRESULT TDSV4L2CaptureFilter::ShowDialog(int dialog, QWidget* parent) {
  if (HasDialog(dialog) != S_OK) return E_INVALIDARG;
  return DSCameraDialogPresenter()(static_cast<IBaseFilter*>(this), parent);
}

HRESULT TDSV4L2CaptureFilter::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  if (!DSCameraDialogPresenter()) return S_OK;
  pages->pElems = static_cast<TGUID*>(CoTaskMemAlloc(sizeof(TGUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_CameraPropertyPage;
  pages->cElems = 1;
  return S_OK;
}

bool TDSV4L2CaptureFilter::StreamTimeOf(REFERENCE_TIME monotonic, REFERENCE_TIME* streamTime) {
  std::lock_guard guard(clockLock_);
  if (!clock_) return false;
  *streamTime = monotonic - start_.load(std::memory_order_acquire);
  return true;
}

}  // namespace lumicar
