// The capture under concurrency: stopping while frames flow (also into a
// consumer that has stopped taking them), a slow consumer holding the camera
// back at 121 queued frames without a frame lost, the camera unplugged
// while frames flow and plugged back, again and again, and storms of starts,
// stops and device switches that must leave no thread, file descriptor or
// media object behind.

#include <gtest/gtest.h>

#include <future>

#include "display/source/video_buffer_queue_thread.h"
#include "dsbase/com/live_objects.h"
#include "testing/process_resources.h"
#include "tests/capture/capture_test_support.h"
#include "tests/runtime/sync/sync_test_util.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {
namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kStartStopCycles = 200;
constexpr int kDeviceSwitches = 20;
#else
constexpr int kStartStopCycles = 1000;
constexpr int kDeviceSwitches = 100;
#endif

const QString kTestPattern = QStringLiteral("Test pattern");

// Stops on another thread, so that a deadlock fails the test instead of
// hanging it.
void StopWithin(TVLDSCapture* capture, std::chrono::milliseconds within = 20s) {
  auto stopped = testing::RunAsync([capture] { capture->Stop(); });
  ASSERT_TRUE(testing::Finishes(stopped, within)) << "Stop did not return";
}

class CaptureThreadTest : public CaptureTest {
 protected:
  // The synthetic camera draws every frame itself: small frames at its
  // fastest rate keep the rounds short.
  void SmallAndFast() {
    capture_->SetVideoFormat(vfYUY2);
    capture_->VideoSize()->SetCurrent(false);
    capture_->VideoSize()->SetWidth(160);
    capture_->VideoSize()->SetHeight(120);
    capture_->FrameRate()->SetCurrent(false);
    capture_->FrameRate()->SetRate(60);
  }
};

TEST_F(CaptureThreadTest, StopWhileFramesFlowReturns) {
  MakeCapture(kTestPattern);
  SmallAndFast();
  for (int round = 0; round < 3; ++round) {
    sink_->Clear();
    capture_->Start();
    ASSERT_TRUE(capture_->IsRunning());
    ASSERT_TRUE(sink_->WaitFrames(3));
    StopWithin(capture_.get());
    EXPECT_FALSE(capture_->IsRunning());
    EXPECT_EQ(sink_->Stops(), 1);
  }
}

TEST_F(CaptureThreadTest, StopWhileTheConsumerHoldsAFrameAndTheQueueFillsReturns) {
  // The notify thread is held inside a delivery, the queue fills up behind
  // it and the camera's streaming thread waits for room: the stop must let
  // the streaming thread go before it waits for it.
  MakeCapture(kTestPattern);
  SmallAndFast();
  sink_->CloseGate();
  capture_->Start();
  ASSERT_TRUE(sink_->WaitAtGate(1));
  TVLVideoBufferQueueThread* queue = capture_->VideoQueue();
  ASSERT_TRUE(testing::Eventually([&] { return queue->RoomWaiterCount() == 1; }, 30s));
  EXPECT_EQ(queue->GetCount(), TVLVideoBufferQueueThread::kMaxQueued + 1);
  auto stopped = testing::RunAsync([this] { capture_->Stop(); });
  // The stop sends its stop operation only after the graph stopped; the
  // delivery in progress finishes once the consumer lets it.
  sink_->OpenGate();
  ASSERT_TRUE(testing::Finishes(stopped, 20s)) << "Stop did not return";
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(queue->GetCount(), 0);
}

TEST_F(CaptureThreadTest, ASlowConsumerHoldsTheCameraBackWithoutLosingAFrame) {
  camera_->Fake()->intervals_ = {{V4L2_PIX_FMT_YUYV, 160, 120, 1, 30}};
  MakeCapture();
  capture_->SetVideoFormat(vfYUY2);
  sink_->CloseGate();
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  const auto frame = camtest::MakeYuyv(160, 120, 5);
  TVLVideoBufferQueueThread* queue = capture_->VideoQueue();
  auto fake = camera_->Fake();
  // One frame at a time, each pushed once the one before reached the
  // capture, so that the camera never drops one of its own.
  fake->PushBytes(frame);
  ASSERT_TRUE(sink_->WaitAtGate(1));
  for (int i = 1; i <= TVLVideoBufferQueueThread::kMaxQueued + 1; ++i) {
    fake->PushBytes(frame);
    ASSERT_TRUE(testing::Eventually([&] { return queue->GetCount() == i; }, 20s)) << i;
  }
  // 121 queued: the queue thread waits for room and the streaming thread for
  // the queue; a further frame stays with the camera.
  ASSERT_TRUE(testing::Eventually([&] { return queue->RoomWaiterCount() == 1 && queue->TakenWaiterCount() == 1; }));
  fake->PushBytes(frame);
  EXPECT_EQ(queue->GetCount(), TVLVideoBufferQueueThread::kMaxQueued + 1);
  sink_->OpenGate();
  const int total = TVLVideoBufferQueueThread::kMaxQueued + 3;
  ASSERT_TRUE(sink_->WaitFrames(total));
  std::vector<int64_t> expected(static_cast<size_t>(total));
  for (int i = 0; i < total; ++i) expected[size_t(i)] = i;
  EXPECT_EQ(sink_->Sequence(), expected);
  StopWithin(capture_.get());
}

TEST_F(CaptureThreadTest, UnplugsWhileFramesFlowStopCleanlyEveryTime) {
  // The device-lost event is taken from the graph directly here: its route
  // through the Qt event loop (tested in test_capture) hands the event over
  // inside Qt, where the thread sanitizer cannot see the synchronisation.
  MakeCapture();
  for (int round = 0; round < 3; ++round) {
    sink_->Clear();
    capture_->Start();
    ASSERT_TRUE(capture_->IsRunning()) << round;
    PushFrames(1);
    ASSERT_TRUE(sink_->WaitFrames(1)) << round;
    camera_->Unplug();
    ASSERT_TRUE(testing::Eventually(
        [&] {
          capture_->Graph()->GraphEvent();
          return !capture_->Enabled();
        },
        20s))
        << round;
    EXPECT_EQ(sink_->Stops(), 0);
    camera_->Replug();
  }
  capture_->Start();
  EXPECT_TRUE(capture_->IsRunning());
  StopWithin(capture_.get());
  // Every node of the unplugged cameras was closed on the way; the last
  // one goes with the graph.
  EXPECT_EQ(camera_->OpenFds(), 1);
  capture_->Close();
  EXPECT_EQ(camera_->OpenFds(), 0);
}

TEST_F(CaptureThreadTest, StartStopStormLeavesNothingBehind) {
  MakeCapture(kTestPattern);
  SmallAndFast();
  // One round first, so that what lives as long as the component exists.
  capture_->Start();
  ASSERT_TRUE(sink_->WaitFrames(1));
  StopWithin(capture_.get());
  const testtools::TProcessResources before = testtools::SettledProcessResources();
  const int64_t objects = DSLiveObjectCount();
  for (int i = 0; i < kStartStopCycles; ++i) {
    capture_->Start();
    ASSERT_TRUE(capture_->IsRunning()) << i;
    // Every tenth round waits for a frame, so that stops meet frames in flight.
    if (i % 10 == 0) {
      ASSERT_TRUE(sink_->WaitFrames(1)) << i;
    }
    capture_->Stop();
    ASSERT_FALSE(capture_->IsRunning()) << i;
    sink_->Clear();
  }
  EXPECT_EQ(testtools::DescribeGrowth(before, testtools::SettledProcessResources()), "");
  EXPECT_LE(DSLiveObjectCount(), objects);
}

TEST_F(CaptureThreadTest, DeviceSwitchStormLeavesNothingBehind) {
  MakeCapture(kTestPattern);
  SmallAndFast();
  capture_->Start();
  StopWithin(capture_.get());
  capture_->Close();
  const testtools::TProcessResources before = testtools::SettledProcessResources();
  const int64_t objects = DSLiveObjectCount();
  for (int i = 0; i < kDeviceSwitches; ++i) {
    capture_->VideoCaptureDevice()->SetName(i % 2 != 0 ? kTestPattern : TFakeCameraProvider::kName);
    capture_->Start();
    ASSERT_TRUE(capture_->IsRunning()) << i;
    if (i % 2 == 0) {
      PushFrames(1);
      ASSERT_TRUE(sink_->WaitFrames(1)) << i;
    }
    sink_->Clear();
  }
  capture_->Stop();
  capture_->Close();
  EXPECT_EQ(testtools::DescribeGrowth(before, testtools::SettledProcessResources()), "");
  EXPECT_LE(DSLiveObjectCount(), objects);
  EXPECT_EQ(camera_->OpenFds(), 0);
}

}  // namespace
}  // namespace lumicar::capturetest
