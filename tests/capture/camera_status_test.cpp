// What the capture says about its camera, and what it does about it, on the
// scripted document camera: a camera held by another program (EBUSY when its
// format is set) is tried again every 2 s and starts once it is free; a
// camera pulled out is waited for and opened again by its identity, also
// when it comes back under another node; a camera that goes silent has its
// stream restarted and is reported only when that does not help. Retries
// are driven through the entry point the timer and the device watcher use,
// never by waiting for the timer.

#include <linux/videodev2.h>

#include <cerrno>
#include <functional>

#include "dsbase/camera/v4l2_capture_pin.h"
#include "tests/capture/capture_test_support.h"

namespace lumicar::capturetest {
namespace {

class CameraStatusTest : public CaptureTest {
 protected:
  // A capture on the document camera whose statuses are recorded as its
  // user sees them.
  TVLDSCapture* MakeWatchedCapture() {
    TVLDSCapture* capture = MakeCapture();
    RecordFailures(capture);
    capture->SetOnCameraStatus(TVLCameraStatusEvent([this](TObject*, TVLCameraStatus status, QString text) {
      announced_.push_back({status, text});
    }));
    return capture;
  }
  bool WaitStatus(TVLCameraStatus status) {
    return PumpUntil([&] { return capture_->CameraStatus() == status; });
  }
  bool RaisedError() {
    for (const TFailure& f : Failures())
      if (f.error) return true;
    return false;
  }
  void SetBusy(bool busy) {
    std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
    std::lock_guard guard(fake->lock_);
    fake->refuseSetFormat_ = busy;
  }

  struct TAnnounced {
    TVLCameraStatus status;
    QString text;
  };
  std::vector<TAnnounced> announced_;
};

// ---------------------------------------------------------------- busy

TEST_F(CameraStatusTest, ACameraInUseIsReportedAndRetriedWithoutAnError) {
  MakeWatchedCapture();
  SetBusy(true);
  EXPECT_NO_THROW(capture_->Start());
  EXPECT_FALSE(capture_->IsRunning());
  ASSERT_TRUE(WaitStatus(cstBusy));
  EXPECT_TRUE(capture_->CameraStatusText().contains(QStringLiteral("in use by another program")));
  ASSERT_EQ(announced_.size(), 1u);
  EXPECT_EQ(announced_.back().text, capture_->CameraStatusText());
  // Reported as a warning: an error would end the viewer's start.
  EXPECT_FALSE(RaisedError());
  QTimer* timer = capture_->Recovery()->Timer();
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), TVLCameraRecovery::kRetryMs);
  // Still busy: the retry fails the same way, says nothing new, and keeps
  // the next one due.
  capture_->CameraMayBeBack();
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(announced_.size(), 1u);
  EXPECT_TRUE(timer->isActive());
}

TEST_F(CameraStatusTest, ACameraInUseStartsOnceTheOtherProgramLetsItGo) {
  MakeWatchedCapture();
  SetBusy(true);
  capture_->Start();
  ASSERT_TRUE(WaitStatus(cstBusy));
  SetBusy(false);
  // What the timer does when it fires.
  capture_->Recovery()->Retry();
  ASSERT_TRUE(capture_->IsRunning());
  ASSERT_TRUE(WaitStatus(cstReady));
  EXPECT_TRUE(capture_->CameraStatusText().isEmpty());
  EXPECT_FALSE(capture_->Recovery()->Timer()->isActive());
  PushFrames(1);
  EXPECT_TRUE(sink_->WaitFrames(1));
  ASSERT_FALSE(announced_.empty());
  EXPECT_EQ(announced_.back().status, cstReady);
  EXPECT_TRUE(announced_.back().text.isEmpty());
}

TEST_F(CameraStatusTest, StoppingOrChoosingAnotherCameraEndsTheRetries) {
  MakeWatchedCapture();
  SetBusy(true);
  capture_->Start();
  ASSERT_TRUE(WaitStatus(cstBusy));
  capture_->Stop();
  EXPECT_FALSE(capture_->Recovery()->Timer()->isActive());
  EXPECT_EQ(capture_->CameraStatus(), cstReady);
  EXPECT_TRUE(announced_.back().text.isEmpty());

  capture_->Start();
  ASSERT_TRUE(WaitStatus(cstBusy));
  const int made = camera_->FiltersMade();
  capture_->VideoCaptureDevice()->SetName(QStringLiteral("Default"));
  EXPECT_FALSE(capture_->Recovery()->Timer()->isActive());
  EXPECT_EQ(capture_->CameraStatus(), cstReady);
  // A status the old camera reported before the choice does not come back.
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(capture_->CameraStatus(), cstReady);
  EXPECT_EQ(camera_->FiltersMade(), made);
}

// ---------------------------------------------------------------- lost

TEST_F(CameraStatusTest, ALostCameraIsWaitedForAndFoundAgainUnderAnotherNode) {
  MakeWatchedCapture();
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  const QString identity = capture_->VideoCaptureDevice()->GetVC_OpenedDriverName();
  ASSERT_FALSE(identity.isEmpty());

  camera_->Unplug();
  ASSERT_TRUE(WaitStatus(cstDisconnected));
  EXPECT_EQ(capture_->CameraStatusText(), QStringLiteral("Camera disconnected — waiting for it"));
  EXPECT_EQ(capture_->Recovery()->Awaited(), identity);
  EXPECT_TRUE(capture_->Recovery()->Timer()->isActive());
  EXPECT_FALSE(RaisedError());

  // Not back yet: nothing is bound, the wait goes on.
  const int made = camera_->FiltersMade();
  capture_->CameraMayBeBack();
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(camera_->FiltersMade(), made);
  EXPECT_EQ(capture_->CameraStatus(), cstDisconnected);
  EXPECT_TRUE(capture_->Recovery()->Timer()->isActive());

  // Back as another node: found by its identity, bound anew, frames flow.
  camera_->ReplugAt("/dev/video7");
  sink_->Clear();
  capture_->CameraMayBeBack();
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(camera_->FiltersMade(), made + 1);
  EXPECT_EQ(capture_->VideoCaptureDevice()->GetVC_OpenedDriverName(), identity);
  ASSERT_TRUE(WaitStatus(cstReady));
  EXPECT_FALSE(capture_->Recovery()->Timer()->isActive());
  PushFrames(1);
  EXPECT_TRUE(sink_->WaitFrames(1));
  // The lost node's descriptor and mappings went with its graph.
  std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
  int open;
  {
    std::lock_guard guard(fake->lock_);
    open = fake->openFds_ + fake->liveMappings_;
  }
  EXPECT_EQ(camera_->OpenFds(), open);
}

TEST_F(CameraStatusTest, AChosenCameraAbsentAtTheStartIsWaitedFor) {
  MakeWatchedCapture();
  camera_->Unplug();
  EXPECT_NO_THROW(capture_->Start());
  EXPECT_FALSE(capture_->IsRunning());
  ASSERT_TRUE(WaitStatus(cstDisconnected));
  EXPECT_EQ(capture_->Recovery()->Awaited(), capture_->VideoCaptureDevice()->GetVC_DriverName());
  camera_->Replug();
  capture_->CameraMayBeBack();
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_TRUE(WaitStatus(cstReady));
}

// ---------------------------------------------------------------- silence

TEST_F(CameraStatusTest, ASilentCameraIsRestartedOnceThenReportedAndRecovers) {
  MakeWatchedCapture();
  std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
  // Ten time-outs in a row, without the waiting: five before the restart,
  // five after it.
  fake->instantTimeouts_ = 10;
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  ASSERT_TRUE(WaitStatus(cstSilent));
  EXPECT_TRUE(capture_->CameraStatusText().contains(QStringLiteral("no picture")));
  {
    std::lock_guard guard(fake->lock_);
    // The start, the restart after five time-outs and the one after ten
    // (and maybe more since: the camera stays silent).
    EXPECT_GE(fake->streamOns_, 3);
  }
  // Still running: the restarts happened inside the stream.
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_FALSE(RaisedError());
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  EXPECT_TRUE(WaitStatus(cstReady));
  EXPECT_TRUE(announced_.back().text.isEmpty());
}

TEST_F(CameraStatusTest, ACameraThatSendsAfterOneRestartIsNeverReported) {
  MakeWatchedCapture();
  std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
  fake->instantTimeouts_ = 5;
  capture_->Start();
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard guard(fake->lock_);
    return fake->streamOns_ == 2;
  }));
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(capture_->CameraStatus(), cstReady);
  EXPECT_TRUE(announced_.empty());
}

// ---------------------------------------------------------------- bandwidth

class CameraBandwidthTest : public CameraStatusTest {
 protected:
  // YUY2 at 1600 × 1200 and 7 frames a second (which the camera has only
  // uncompressed), where the bus carries only what `fits` lets through.
  void StartLimited(std::function<bool(const v4l2_pix_format&)> fits) {
    MakeWatchedCapture();
    capture_->SetVideoFormat(vfYUY2);
    capture_->FrameRate()->SetRate(7);
    capture_->FrameRate()->SetCurrent(false);
    capture_->VideoSize()->SetWidth(1600);
    capture_->VideoSize()->SetHeight(1200);
    capture_->VideoSize()->SetCurrent(false);
    std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
    std::lock_guard guard(fake->lock_);
    fake->streamOnCheck_ = [fits](const v4l2_pix_format& f) { return fits(f) ? 0 : ENOSPC; };
  }
  v4l2_pix_format Streamed() {
    std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
    std::lock_guard guard(fake->lock_);
    return fake->format_;
  }
};

TEST_F(CameraBandwidthTest, MJPEGAtTheSameSizeComesFirstAndIsSaid) {
  StartLimited([](const v4l2_pix_format& f) { return f.pixelformat == V4L2_PIX_FMT_MJPEG; });
  EXPECT_NO_THROW(capture_->Start());
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(Streamed().pixelformat, uint32_t(V4L2_PIX_FMT_MJPEG));
  EXPECT_EQ(Streamed().width, 1600u);
  ASSERT_TRUE(WaitStatus(cstLowBandwidth));
  EXPECT_TRUE(capture_->CameraStatusText().contains(QStringLiteral("MJPEG 1600 × 1200")));
  // The stream announced downstream is the one read back from the graph.
  ASSERT_TRUE(sink_->LastStart());
  EXPECT_EQ(sink_->LastStart()->Width(), 1600);
  PushFrames(1);
  EXPECT_TRUE(sink_->WaitFrames(1));
  EXPECT_FALSE(RaisedError());
  // The notice goes after a while (what its timer does).
  capture_->Recovery()->Retry();
  EXPECT_EQ(capture_->CameraStatus(), cstReady);
  EXPECT_TRUE(announced_.back().text.isEmpty());
}

TEST_F(CameraBandwidthTest, TheNextSmallerSizeComesWhenMJPEGDoesNotFitEither) {
  StartLimited([](const v4l2_pix_format& f) { return f.width <= 640; });
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(Streamed().width, 640u);
  EXPECT_EQ(Streamed().height, 480u);
  ASSERT_TRUE(WaitStatus(cstLowBandwidth));
  EXPECT_EQ(capture_->CameraStatusText(), QStringLiteral("Not enough USB bandwidth — showing 640 × 480 instead"));
  ASSERT_TRUE(sink_->LastStart());
  EXPECT_EQ(sink_->LastStart()->Width(), 640);
  EXPECT_EQ(sink_->LastStart()->Height(), 480);
  PushFrames(1);
  EXPECT_TRUE(sink_->WaitFrames(1));
}

TEST_F(CameraBandwidthTest, NothingThatFitsIsSaidAndRetriedWithoutAnError) {
  StartLimited([](const v4l2_pix_format&) { return false; });
  EXPECT_NO_THROW(capture_->Start());
  EXPECT_FALSE(capture_->IsRunning());
  ASSERT_TRUE(WaitStatus(cstNoBandwidth));
  EXPECT_FALSE(RaisedError());
  EXPECT_TRUE(capture_->Recovery()->Timer()->isActive());
  // The bus has room again (the other camera stopped).
  {
    std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
    std::lock_guard guard(fake->lock_);
    fake->streamOnCheck_ = nullptr;
  }
  capture_->Recovery()->Retry();
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_TRUE(WaitStatus(cstReady));
}

}  // namespace
}  // namespace lumicar::capturetest
