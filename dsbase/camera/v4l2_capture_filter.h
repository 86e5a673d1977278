#pragma once
// The capture filter of one V4L2 camera (or of the synthetic camera, which
// sits behind the same seam): one capture pin, the picture controls, the
// camera's settings dialog and its full control list.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dsbase/base/source_filter.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/v4l2_controls.h"
#include "dsbase/camera/v4l2_device.h"
#include "dsbase/graph/property_page_interfaces.h"
#include "runtime/sync/critical_section.h"

namespace lumicar {

class TDSV4L2CapturePin;

class TDSV4L2CaptureFilter final : public TDSBaseSourceFilter,
                                   public IAMVideoProcAmp,
                                   public IAMVfwCaptureDialogs,
                                   public ISpecifyPropertyPages,
                                   public ICameraControls {
 public:
  // Opens `path` through `device`; a failure code (and no filter) when the
  // node is no streaming video-capture device or offers nothing we can use.
  static HRESULT Create(std::shared_ptr<IV4L2Device> device, const std::string& path, const QString& name,
                        TDSV4L2CaptureFilter** filter);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IAMVideoProcAmp
  HRESULT GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                   int32_t* capsFlags) override;
  HRESULT Set(int32_t property, int32_t value, int32_t flags) override;
  HRESULT Get(int32_t property, int32_t* value, int32_t* flags) override;
  // IAMVfwCaptureDialogs: the source dialog only.
  HRESULT HasDialog(int dialog) override;
  HRESULT ShowDialog(int dialog, QWidget* parent) override;
  HRESULT SendDriverMessage(int, int, intptr_t, intptr_t) override { return E_NOTIMPL; }
  // ISpecifyPropertyPages
  HRESULT GetPages(CAUUID* pages) override;
  // ICameraControls
  HRESULT GetControls(std::vector<TDSCameraControl>* controls) override;
  HRESULT GetControl(uint32_t id, int32_t* value) override;
  HRESULT SetControl(uint32_t id, int32_t value) override;
  HRESULT ResetControls() override;
  QString CameraName() override { return cameraName_; }

  TDSV4L2CapturePin* CapturePin() const { return pin_; }

  // For the pin.
  IV4L2Device& Device() const { return *device_; }
  int Fd() const { return fd_; }
  const std::vector<TDSCameraCapability>& Capabilities() const { return caps_; }
  bool IsLost() const { return lost_.load(); }
  void MarkLost() { lost_.store(true); }
  void ReplayControls();
  // The stream time of a CLOCK_MONOTONIC instant; false without a clock.
  bool StreamTimeOf(REFERENCE_TIME monotonic, REFERENCE_TIME* streamTime);

 private:
  TDSV4L2CaptureFilter(std::shared_ptr<IV4L2Device> device, int fd, const QString& name);
  ~TDSV4L2CaptureFilter() override;
  HRESULT Usable() const;

  std::shared_ptr<IV4L2Device> device_;
  int fd_;
  QString cameraName_;
  std::vector<TDSCameraCapability> caps_;
  std::atomic<bool> lost_{false};
  // Serialises control sequences (automatic control off, then the value) and
  // the remembered values. A leaf lock: nothing is called out under it.
  TOWCriticalSection controlLock_{TLockRank::kCameraControl};
  TDSV4L2Controls controls_;
  TDSV4L2CapturePin* pin_ = nullptr;  // owned by the base's pin list
};

}  // namespace lumicar
