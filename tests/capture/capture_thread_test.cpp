// The capture under concurrency: stopping while frames flow (also into a
// consumer that has stopped taking them), a component downstream stopping it
// from inside a frame delivery while the user-interface thread starts it and
// reads its state, a slow consumer holding the camera back at 121 queued
// frames without a frame lost, the camera unplugged while frames flow and
// plugged back, again and again, and storms of starts, stops and device
// switches that must leave no thread, file descriptor or media object behind.

#include <gtest/gtest.h>

#include <future>

#include "capture/frames/video_buffer_queue_thread.h"
#include "dsbase/com/live_objects.h"
#include "imagepins/buffer_operations.h"
#include "testing/process_resources.h"
#include "tests/capture/capture_test_support.h"
#include "tests/runtime/sync/sync_test_util.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {
namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kStartStopCycles = 200;
constexpr int kDeviceSwitches = 20;
constexpr int kDownstreamStops = 40;
#else
constexpr int kStartStopCycles = 1000;
constexpr int kDeviceSwitches = 100;
constexpr int kDownstreamStops = 150;
#endif

const QString kTestPattern = QStringLiteral("Test pattern");

// Stops on another thread, so that a deadlock fails the test instead of
// hanging it.
void StopWithin(TVLDSCapture* capture, std::chrono::milliseconds within = testtools::kHangGuard) {
  auto stopped = testing::RunAsync([capture] { capture->Stop(); });
  ASSERT_TRUE(testing::Finishes(stopped, within)) << "Stop did not return";
}

// A component downstream that, once armed, asks the capture to stop from
// inside the next frame's delivery (on the capture's notify thread). It
// counts the stop operations the capture then sends down and can hold them,
// which keeps the capture's stop under way.
class TStoppingSink : public TComponent {
 public:
  TStoppingSink() {
    input_.reset(new TVLOWImageSinkPin(
        this, nullptr, [this](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState) { return Receive(op); }));
  }
  ~TStoppingSink() override {
    ReleaseStops();
    input_.reset();
  }
  TVLOWImageSinkPin* InputPin() const { return input_.get(); }

  void Arm() {
    std::lock_guard guard(lock_);
    armed_ = true;
  }
  void HoldStops() {
    std::lock_guard guard(lock_);
    hold_ = true;
  }
  void ReleaseStops() {
    std::lock_guard guard(lock_);
    hold_ = false;
    changed_.notify_all();
  }
  // Stop operations that reached it: the capture's stop is then under way.
  bool WaitStopsSeen(int count) {
    return Wait([&] { return seen_ >= count; });
  }
  // Stops asked for whose request returned: the capture's stop has ended.
  bool WaitStopsDone(int count) {
    return Wait([&] { return done_ >= count; });
  }
  int StopsSeen() {
    std::lock_guard guard(lock_);
    return seen_;
  }

 private:
  template <typename Pred>
  bool Wait(Pred pred) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, 20s, pred);
  }
  TOWDispatchResult Receive(IOWNotifyOperation* operation) {
    if (OWOperationAs<TOWStopOperation>(operation)) {
      std::unique_lock guard(lock_);
      ++seen_;
      changed_.notify_all();
      changed_.wait(guard, [this] { return !hold_; });
      return {};
    }
    if (!OWOperationAs<TOWSuppliedBufferOperation>(operation)) return {};
    {
      std::lock_guard guard(lock_);
      if (!armed_) return {};
      armed_ = false;
    }
    input_->Notify(MakeIntf<TOWStopOperation>());
    std::lock_guard guard(lock_);
    ++done_;
    changed_.notify_all();
    return {};
  }

  std::mutex lock_;
  std::condition_variable changed_;
  bool armed_ = false, hold_ = false;
  int seen_ = 0, done_ = 0;
  TOWPinPtr<TVLOWImageSinkPin> input_;
};

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
  ASSERT_TRUE(testing::Eventually([&] { return queue->RoomWaiterCount() == 1; }));
  EXPECT_EQ(queue->GetCount(), TVLVideoBufferQueueThread::kMaxQueued + 1);
  auto stopped = testing::RunAsync([this] { capture_->Stop(); });
  // The stop sends its stop operation only after the graph stopped; the
  // delivery in progress finishes once the consumer lets it.
  sink_->OpenGate();
  ASSERT_TRUE(testing::Finishes(stopped)) << "Stop did not return";
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(queue->GetCount(), 0);
}

TEST_F(CaptureThreadTest, AStartDuringAStopFromDownstreamRunsOnceTheStopEnds) {
  MakeCapture(kTestPattern);
  SmallAndFast();
  TStoppingSink stopper;
  ASSERT_TRUE(capture_->OutputPin()->Connect(stopper.InputPin()));
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  stopper.HoldStops();
  stopper.Arm();
  ASSERT_TRUE(stopper.WaitStopsSeen(1));
  // The stop is under way on the notify thread; this start comes after it
  // began, so the capture must run once both are done. The stop is let go
  // once the start waits for it (or has returned without doing so).
  std::atomic<bool> startReturned{false};
  auto release = testing::RunAsync([&] {
    testing::Eventually([&] { return startReturned.load() || capture_->StartsWaitingForStop() > 0; });
    stopper.ReleaseStops();
  });
  capture_->Start();
  startReturned = true;
  stopper.ReleaseStops();
  ASSERT_TRUE(testing::Finishes(release));
  ASSERT_TRUE(stopper.WaitStopsDone(1));
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_EQ(stopper.StopsSeen(), 1);
  sink_->Clear();
  EXPECT_TRUE(sink_->WaitFrames(1));
  StopWithin(capture_.get());
  stopper.InputPin()->Disconnect();
}

TEST_F(CaptureThreadTest, StopsFromDownstreamWhileFramesFlowNeverLoseAStart) {
  // Each round starts the capture while the stop the previous round asked
  // for from downstream may still be under way; another thread reads the
  // running state throughout.
  MakeCapture(kTestPattern);
  SmallAndFast();
  TStoppingSink stopper;
  ASSERT_TRUE(capture_->OutputPin()->Connect(stopper.InputPin()));
  std::atomic<bool> done{false};
  auto reader = testing::RunAsync([&] {
    while (!done.load()) {
      capture_->IsRunning();
      capture_->Enabled();
      std::this_thread::yield();
    }
  });
  // Ends the reader on every way out, before its future waits for it.
  struct TStopReading {
    std::atomic<bool>& done;
    ~TStopReading() { done = true; }
  } stopReading{done};
  for (int round = 1; round <= kDownstreamStops; ++round) {
    stopper.Arm();
    capture_->Start();
    ASSERT_TRUE(stopper.WaitStopsSeen(round)) << "the start of round " << round << " was lost";
  }
  ASSERT_TRUE(stopper.WaitStopsDone(kDownstreamStops));
  done = true;
  ASSERT_TRUE(testing::Finishes(reader));
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(stopper.StopsSeen(), kDownstreamStops);
  stopper.InputPin()->Disconnect();
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
    ASSERT_TRUE(testing::Eventually([&] { return queue->GetCount() == i; })) << i;
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
