#include "tests/dsbase/devices/device_test_support.h"

#include "dsbase/classes/system_classes.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/graph/device_provider.h"

namespace lumicar::devtest {

void TDeviceTest::SetUp() {
  DSRegisterSystemClasses();
  DSLeakCheck::SetUp();
  fake_ = std::make_shared<camtest::TFakeV4L2Device>();
  // The lister reads the fixture's nodes at every enumeration, as udev would.
  cameras_ = std::make_shared<TDSV4L2DeviceProvider>(fake_, [this] { return nodes_; });
  pattern_ = std::make_shared<TDSTestPatternProvider>();
  DSRegisterDeviceProvider(cameras_);
  SetPatternPresent(true);
  Plug({kCameraA, kCameraB});
}

void TDeviceTest::TearDown() {
  DSUnregisterDeviceProvider(cameras_.get());
  SetPatternPresent(false);
  EXPECT_EQ(fake_->openFds_, 0);
  DSLeakCheck::TearDown();
}

void TDeviceTest::Plug(const std::vector<TCamera>& cameras) {
  nodes_.clear();
  fake_->nodes_.clear();
  for (const TCamera& c : cameras) {
    nodes_.push_back({c.node, c.byId});
    camtest::TFakeV4L2Device::TNode node;
    node.path = c.node;
    node.card = kModel;
    node.bus = c.bus;
    fake_->nodes_.push_back(node);
  }
}

void TDeviceTest::SetPatternPresent(bool present) {
  if (present && !pattern_registered_) DSRegisterDeviceProvider(pattern_);
  if (!present && pattern_registered_) DSUnregisterDeviceProvider(pattern_.get());
  pattern_registered_ = present;
}

QString TDeviceTest::DriverNameOf(const TCamera& camera) {
  return QStringLiteral("@device:v4l2:%1\\%2")
      .arg(CLSID_VideoInputDeviceCategory.ToString(), QString::fromStdString(camera.byId));
}

QString TDeviceTest::PatternDriverName() {
  return QStringLiteral("@device:synthetic:%1\\test-pattern").arg(CLSID_VideoInputDeviceCategory.ToString());
}

TDeviceHost::TDeviceHost(TComponent* owner)
    : TLPComponent(owner),
      video_(new TDSVideoCaptureDevice(this, TNotifyEvent([this](TObject* sender) { changes.push_back(sender); }))),
      audio_(new TDSVLAudioCaptureDevice(this, video_,
                                         TNotifyEvent([this](TObject* sender) { changes.push_back(sender); }))) {}

TDeviceHost::~TDeviceHost() {
  delete audio_;
  delete video_;
}

}  // namespace lumicar::devtest
