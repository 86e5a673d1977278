#pragma once
// What the device tests share: two scripted document cameras of the same model
// (plugged, unplugged and reordered at will) and the synthetic camera in the video
// input category, and a component that holds the capture component's two device
// choices so that they can be written to and read from a design.

#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "components/lp_component.h"
#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/camera/v4l2_device_provider.h"
#include "dsbase/devices/capture_device.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"

// Readable test failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace lumicar::devtest {

// The two document cameras: same card name, different by-id names and buses.
struct TCamera {
  std::string node;
  std::string byId;
  std::string bus;
};
inline const TCamera kCameraA{"/dev/video0", "usb-Maker_Document_Camera_A-video-index0", "usb-1"};
inline const TCamera kCameraB{"/dev/video2", "usb-Maker_Document_Camera_B-video-index0", "usb-2"};
inline constexpr const char* kModel = "Document Camera";

class TDeviceTest : public dstest::DSLeakCheck {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plugs exactly these cameras, listed in this order.
  void Plug(const std::vector<TCamera>& cameras);
  // Takes the synthetic camera out of the category (or puts it back).
  void SetPatternPresent(bool present);

  // "@device:v4l2:{video category}\<by-id>", the driver name of a document camera.
  static QString DriverNameOf(const TCamera& camera);
  static QString PatternDriverName();

  std::shared_ptr<camtest::TFakeV4L2Device> fake_;
  std::vector<TDSVideoNode> nodes_;
  std::shared_ptr<TDSV4L2DeviceProvider> cameras_;
  std::shared_ptr<TDSTestPatternProvider> pattern_;
  bool pattern_registered_ = false;
};

// The capture component's device choices, published as it publishes them.
class TDeviceHost : public TLPComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TDSVideoCaptureDevice* VideoCaptureDevice READ VideoCaptureDevice WRITE SetVideoCaptureDevice)
  Q_PROPERTY(lumicar::TDSVLAudioCaptureDevice* AudioCaptureDevice READ AudioCaptureDevice WRITE SetAudioCaptureDevice)

 public:
  Q_INVOKABLE explicit TDeviceHost(lumicar::TComponent* owner = nullptr);
  ~TDeviceHost() override;

  TDSVideoCaptureDevice* VideoCaptureDevice() const { return video_; }
  void SetVideoCaptureDevice(TDSVideoCaptureDevice* device) { video_->Assign(device); }
  TDSVLAudioCaptureDevice* AudioCaptureDevice() const { return audio_; }
  void SetAudioCaptureDevice(TDSVLAudioCaptureDevice* device) { audio_->Assign(device); }

  // The change callbacks heard, by sender.
  std::vector<QObject*> changes;

 private:
  TDSVideoCaptureDevice* video_;
  TDSVLAudioCaptureDevice* audio_;
};

}  // namespace lumicar::devtest
