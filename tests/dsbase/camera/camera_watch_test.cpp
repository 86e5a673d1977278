// The camera watch on the scripted udev monitor and V4L2 node: what it tells
// the owner thread and in which order, which nodes it leaves out, how a stop
// ends it while it waits, what it leaves behind and what it logs when udev
// fails. The monitor's descriptor is a real eventfd, so the watch's poll is
// the real one; every wait is on a condition, bounded only as a hang guard.

#include "dsbase/camera/camera_watch.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "dsbase/camera/camera_identity.h"
#include "testing/camera/fake_udev_monitor.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/event_pump.h"
#include "testing/process_resources.h"
#include "testing/watchdog.h"

namespace lumicar {
namespace camera_watch_test {

using camtest::TFakeUdevMonitor;
using camtest::TFakeV4L2Device;

constexpr uint32_t kCapture = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
const char* const kBus = "usb-0000:00:14.0-1";
const char* const kById = "usb-Lumi_Document_Camera_SN42-video-index0";

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "camera_watch_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return app;
}

// The watch's log lines, from whichever thread wrote them.
class TWatchLog {
 public:
  TWatchLog() {
    {
      std::lock_guard guard(Lock());
      Store().clear();
    }
    previous_ = qInstallMessageHandler(&Handler);
  }
  ~TWatchLog() { qInstallMessageHandler(previous_); }
  static std::vector<QString> Lines() {
    std::lock_guard guard(Lock());
    return Store();
  }
  static int Count(const QString& part) {
    int n = 0;
    for (const QString& line : Lines()) n += line.contains(part) ? 1 : 0;
    return n;
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<QString>& Store() {
    static std::vector<QString> lines;
    return lines;
  }
  static void Handler(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (!context.category || QByteArray(context.category) != "lumicar.camera.watch") return;
    std::lock_guard guard(Lock());
    Store().push_back(message);
  }
  QtMessageHandler previous_;
};

struct TSeen {
  bool appeared;
  TDSCameraEvent camera;
  bool onOwnerThread;
};

class CameraWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    device_ = std::make_shared<TFakeV4L2Device>();
    // The document camera's capture and metadata nodes, the same camera
    // under a new number after a replug, and another camera.
    device_->nodes_ = {{"/dev/video0", "Document Camera", kBus, kCapture},
                       {"/dev/video1", "Document Camera", kBus, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING},
                       {"/dev/video2", "Document Camera", kBus, kCapture},
                       {"/dev/video4", "Desk Webcam", "usb-0000:00:14.0-2", kCapture}};
    udev_ = std::make_shared<TFakeUdevMonitor>();
    watch_ = std::make_unique<TDSCameraWatch>(udev_, device_);
    Record(*watch_);
  }
  void TearDown() override { watch_.reset(); }

  void Record(TDSCameraWatch& watch) {
    QObject::connect(&watch, &TDSCameraWatch::CameraAppeared, &watch, [this](const TDSCameraEvent& c) {
      seen_.push_back({true, c, QThread::currentThread() == App()->thread()});
    });
    QObject::connect(&watch, &TDSCameraWatch::CameraGone, &watch, [this](const TDSCameraEvent& c) {
      seen_.push_back({false, c, QThread::currentThread() == App()->thread()});
    });
    QObject::connect(&watch, &TDSCameraWatch::EventsLost, &watch, [this] { ++lost_; });
  }
  bool WaitSeen(size_t count) {
    return testtools::PumpUntil([&] { return seen_.size() >= count; });
  }

  std::shared_ptr<TFakeV4L2Device> device_;
  std::shared_ptr<TFakeUdevMonitor> udev_;
  std::unique_ptr<TDSCameraWatch> watch_;
  std::vector<TSeen> seen_;
  int lost_ = 0;
};

// ---- What is reported, where and in which order ----

TEST_F(CameraWatchTest, EventsReachTheOwnerThreadInTheirOrder) {
  ASSERT_TRUE(watch_->Start());
  EXPECT_EQ(udev_->netlink_, "udev");
  EXPECT_EQ(udev_->subsystem_, "video4linux");
  udev_->Add("/dev/video0", kById);
  udev_->Remove("/dev/video0", kById);
  udev_->Add("/dev/video2", kById);
  udev_->Remove("/dev/video2", kById);
  ASSERT_TRUE(WaitSeen(4));
  ASSERT_EQ(seen_.size(), 4u);
  const bool appeared[] = {true, false, true, false};
  const char* nodes[] = {"/dev/video0", "/dev/video0", "/dev/video2", "/dev/video2"};
  for (size_t i = 0; i < seen_.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(seen_[i].onOwnerThread);
    EXPECT_EQ(seen_[i].appeared, appeared[i]);
    EXPECT_EQ(seen_[i].camera.devicePath, QString::fromLatin1(nodes[i]));
    EXPECT_EQ(seen_[i].camera.id, QString::fromLatin1(kById));
  }
  EXPECT_EQ(seen_[0].camera.name, QStringLiteral("Document Camera"));
}

TEST_F(CameraWatchTest, ACameraBackUnderAnotherNodeKeepsTheListersKey) {
  // Without a by-id link the key comes from the bus and the card, which the
  // node is asked for: it must be the key the lister gave the camera before.
  const std::vector<TDSDeviceDescription> listed = DSDescribeCameras(*device_, {{"/dev/video0", {}}});
  ASSERT_EQ(listed.size(), 1u);
  watch_->Follow(listed[0].Id, listed[0].DevicePath);
  ASSERT_TRUE(watch_->Start());
  udev_->Remove("/dev/video0");
  udev_->Add("/dev/video2");
  ASSERT_TRUE(WaitSeen(2));
  EXPECT_FALSE(seen_[0].appeared);
  EXPECT_EQ(seen_[0].camera.devicePath, QStringLiteral("/dev/video0"));
  ASSERT_TRUE(seen_[1].appeared);
  EXPECT_EQ(seen_[1].camera.id, listed[0].Id);
  EXPECT_EQ(seen_[1].camera.devicePath, QStringLiteral("/dev/video2"));
  EXPECT_EQ(watch_->FollowedPath(), QStringLiteral("/dev/video2"));
  EXPECT_EQ(device_->openFds_, 0);  // the node asked was closed again
}

TEST_F(CameraWatchTest, NodesThatAreNotCamerasAreLeftOut) {
  ASSERT_TRUE(watch_->Start());
  const std::string metadata = "usb-Lumi_Document_Camera_SN42-video-index1";
  udev_->Add("/dev/video1", metadata, ":");  // asked: a metadata node
  udev_->Add("/dev/v4l-subdev0");
  udev_->Queue({"change", "/dev/video0", {}, {}});
  udev_->Remove("/dev/video1", metadata, ":");
  // Not seen arriving: udev's rules tell that it does not capture.
  udev_->Remove("/dev/video3", {}, ":");
  udev_->Remove("/dev/v4l-subdev0");
  udev_->Add("/dev/video0", kById);
  ASSERT_TRUE(WaitSeen(1));
  ASSERT_TRUE(udev_->WaitDrained());
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_TRUE(seen_[0].appeared);
  EXPECT_EQ(seen_[0].camera.devicePath, QStringLiteral("/dev/video0"));
  EXPECT_EQ(device_->openFds_, 0);
}

TEST_F(CameraWatchTest, AFollowedCameraIsTheOnlyOneReported) {
  watch_->Follow(QString::fromLatin1(kById), QStringLiteral("/dev/video0"));
  ASSERT_TRUE(watch_->Start());
  udev_->Add("/dev/video4", "usb-Desk_Webcam-video-index0");
  udev_->Remove("/dev/video4", "usb-Desk_Webcam-video-index0");
  // The followed camera, not seen arriving and without links: its node
  // tells it.
  udev_->Remove("/dev/video0", {}, {});
  // Another camera takes the old node number and leaves again.
  udev_->Add("/dev/video0", "usb-Desk_Webcam-video-index0");
  udev_->Remove("/dev/video0", {}, {});
  udev_->Add("/dev/video2", kById);
  udev_->Remove("/dev/video2", kById);
  ASSERT_TRUE(WaitSeen(3));
  ASSERT_TRUE(udev_->WaitDrained());
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_FALSE(seen_[0].appeared);
  EXPECT_EQ(seen_[0].camera.devicePath, QStringLiteral("/dev/video0"));
  EXPECT_TRUE(seen_[1].appeared);
  EXPECT_EQ(seen_[1].camera.devicePath, QStringLiteral("/dev/video2"));
  EXPECT_FALSE(seen_[2].appeared);
  EXPECT_EQ(seen_[2].camera.devicePath, QStringLiteral("/dev/video2"));
}

TEST_F(CameraWatchTest, ACameraToldApartByItsBusIsRecognisedWhenItComesBack) {
  // Two cameras of one make and serial: the lister keys the second by its bus.
  device_->nodes_[2].bus = "usb-0000:00:14.0-3";
  const std::vector<TDSDeviceDescription> listed =
      DSDescribeCameras(*device_, {{"/dev/video0", kById}, {"/dev/video2", kById}});
  ASSERT_EQ(listed.size(), 2u);
  ASSERT_NE(listed[0].Id, listed[1].Id);
  watch_->Follow(listed[1].Id, listed[1].DevicePath);
  ASSERT_TRUE(watch_->Start());
  udev_->Add("/dev/video2", kById);
  ASSERT_TRUE(WaitSeen(1));
  EXPECT_TRUE(seen_[0].camera.Is(listed[1].Id));
}

TEST_F(CameraWatchTest, EventsStillQueuedWhenTheWatchGoesAreDropped) {
  ASSERT_TRUE(watch_->Start());
  udev_->Add("/dev/video0", kById);
  ASSERT_TRUE(udev_->WaitDrained());
  // The thread may have posted the event already; it must not run on a
  // destroyed watch.
  watch_.reset();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(seen_.empty());
}

// ---- Stopping and what is left behind ----

TEST_F(CameraWatchTest, StopEndsTheWaitAtOnceAndLeavesNothingBehind) {
  watch_.reset();
  const testtools::TProcessResources before = testtools::ReadProcessResources();
  {
    TDSCameraWatch watch(udev_, device_);
    ASSERT_TRUE(watch.Start());
    EXPECT_TRUE(watch.Running());
    // The thread waits in poll with no time-out and nothing to receive.
    ASSERT_TRUE(udev_->WaitPolls(1));
    EXPECT_EQ(udev_->openFds_, 1);
    testtools::TWatchdog watchdog;
    watchdog.SetStage("stopping the watch while it waits for udev");
    watch.Stop();
    EXPECT_FALSE(watch.Running());
    EXPECT_EQ(udev_->openFds_, 0);
    // It starts again after a stop.
    ASSERT_TRUE(watch.Start());
    ASSERT_TRUE(udev_->WaitPolls(2));
  }  // destroyed while running
  EXPECT_EQ(udev_->openFds_, 0);
  const testtools::TProcessResources after = testtools::ReadProcessResources();
  EXPECT_LE(after.Fds(), before.Fds()) << testtools::DescribeGrowth(before, after);
  EXPECT_LE(after.ProgramThreads(), before.ProgramThreads()) << testtools::DescribeGrowth(before, after);
}

// ---- Faults ----

TEST_F(CameraWatchTest, AMonitorThatCannotBeMadeLeavesTheWatchOffLoggedOnce) {
  int TFakeUdevMonitor::*faults[] = {&TFakeUdevMonitor::openError_, &TFakeUdevMonitor::filterError_,
                                     &TFakeUdevMonitor::enableError_};
  for (const auto fault : faults) {
    auto udev = std::make_shared<TFakeUdevMonitor>();
    (*udev).*fault = EPROTONOSUPPORT;
    TWatchLog log;
    {
      TDSCameraWatch watch(udev, device_);
      EXPECT_FALSE(watch.Start());
      EXPECT_FALSE(watch.Start());
      EXPECT_FALSE(watch.Running());
      EXPECT_EQ(udev->opens_, 2);
    }
    EXPECT_EQ(udev->openFds_, 0);
    const std::vector<QString> lines = TWatchLog::Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("errno %1").arg(EPROTONOSUPPORT))) << lines[0].toStdString();
  }
}

TEST_F(CameraWatchTest, FailedReceivesAreLoggedOnceAndTheWatchGoesOn) {
  TWatchLog log;
  ASSERT_TRUE(watch_->Start());
  udev_->QueueFailure(EIO);
  udev_->QueueFailure(EIO);
  udev_->QueueFailure(ENOBUFS);
  udev_->QueueFailure(EAGAIN);       // nothing pending after all: not a fault
  udev_->Add("/dev/video5", kById);  // no such node: it cannot be asked
  udev_->Add("/dev/video6", kById);
  udev_->Add("/dev/video0", kById);
  ASSERT_TRUE(WaitSeen(1));
  EXPECT_EQ(seen_[0].camera.devicePath, QStringLiteral("/dev/video0"));
  EXPECT_TRUE(watch_->Running());
  EXPECT_EQ(lost_, 1);  // the overflow's events are lost: whoever waits looks again
  EXPECT_EQ(TWatchLog::Count(QStringLiteral("errno %1").arg(EIO)), 1);
  EXPECT_EQ(TWatchLog::Count(QStringLiteral("errno %1").arg(ENOBUFS)), 1);
  EXPECT_EQ(TWatchLog::Count(QStringLiteral("errno %1").arg(ENOENT)), 1);
  EXPECT_EQ(TWatchLog::Lines().size(), 3u);
}

TEST_F(CameraWatchTest, ABrokenMonitorEndsTheWatchWhichCanBeStoppedAfter) {
  for (const bool hangUp : {true, false}) {
    SCOPED_TRACE(hangUp ? "hang-up" : "failing receives");
    auto udev = std::make_shared<TFakeUdevMonitor>();
    TDSCameraWatch watch(udev, device_);
    TWatchLog log;
    ASSERT_TRUE(watch.Start());
    if (hangUp)
      udev->HangUp();
    else
      for (int i = 0; i < 100; ++i) udev->QueueFailure(EBADMSG);
    EXPECT_TRUE(testtools::PumpUntil([&] { return !watch.Running(); }));
    EXPECT_EQ(TWatchLog::Count(QStringLiteral("will not be reopened")), 1);
    watch.Stop();
    EXPECT_EQ(udev->openFds_, 0);
  }
}

// ---- The kernel's monitor ----

TEST(KernelUdevMonitorTest, OpensAndClosesWithoutLeavingItsSocket) {
  IUdevMonitor& udev = *DSKernelUdevMonitor();
  const int before = testtools::ReadProcessResources().Fds();
  const int fd = udev.Open("udev");
  if (fd < 0) GTEST_SKIP() << "no udev netlink monitor here: " << std::strerror(errno);
  EXPECT_EQ(udev.FilterSubsystem(fd, "video4linux"), 0);
  EXPECT_EQ(udev.EnableReceiving(fd), 0);
  TUdevEvent event;
  errno = 0;
  EXPECT_EQ(udev.Receive(fd, event), -1);  // nothing pending: it does not wait
  EXPECT_EQ(udev.Close(fd), 0);
  EXPECT_EQ(udev.Close(fd), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(testtools::ReadProcessResources().Fds(), before);
}

}  // namespace camera_watch_test
}  // namespace lumicar
