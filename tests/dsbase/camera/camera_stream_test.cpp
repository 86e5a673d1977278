// The camera filter streaming: frames from the scripted document camera reach
// a renderer (decoded where the rate asks for MJPEG), bad frames are dropped
// and counted while streaming goes on, an unplug stops cleanly with the
// device-lost event, a stop wakes a thread that waits for a frame, and the
// synthetic camera streams through a real graph into a sample grabber. Waits
// use the fake's requeue and poll hooks and the renderer's counter, never a
// sleep; a stop that does not come back is freed by an unplug and fails.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/filters/sample_grabber.h"
#include "dsbase/graph/capture_graph_builder.h"
#include "dsbase/graph/device_enumerator.h"
#include "dsbase/media/media_guids.h"
#include "testing/camera/fake_v4l2_device.h"
#include "tests/dsbase/graph_test_support.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar::camtest {
namespace {

using namespace dstest;

// Keeps every sample's bytes and counts them for the waits.
class TCountingByteRenderer : public TByteRenderer {
 public:
  TCountingByteRenderer() : TByteRenderer(MEDIATYPE_Video) {}
  HRESULT DoRenderSample(IMediaSample* sample) override {
    const HRESULT hr = TByteRenderer::DoRenderSample(sample);
    rendered_.fetch_add(1);
    rendered_.notify_all();
    return hr;
  }
  std::atomic<int> rendered_{0};
};

class CameraStreamTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    fake_ = std::make_shared<TFakeV4L2Device>();
    TDSV4L2CaptureFilter* f = nullptr;
    ASSERT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("Document Camera"), &f), S_OK);
    camera_ = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
    renderer_ = MakeIntf<TCountingByteRenderer>();
    events_ = MakeIntf<TEventGraph>();
    ASSERT_EQ(camera_->JoinFilterGraph(events_.get(), u"Video Capture Filter"), S_OK);
  }
  void TearDown() override {
    if (camera_) {
      camera_->Stop();
      renderer_->Stop();
      DisconnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0)));
      camera_->JoinFilterGraph(nullptr, nullptr);
    }
    camera_.reset();
    renderer_.reset();
    events_.reset();
    EXPECT_EQ(fake_->liveMappings_, 0);
    EXPECT_EQ(fake_->openFds_, 0);
    DSLeakCheck::TearDown();
  }
  void Start(const TGUID& subtype, int w, int h, int64_t interval) {
    TDSMediaType t = DSCameraMediaType(subtype, w, h, interval);
    ASSERT_TRUE(SUCCEEDED(camera_->CapturePin()->SetFormat(&t.Get())));
    ASSERT_EQ(ConnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0))), S_OK);
    ASSERT_EQ(renderer_->Run(0), S_OK);
    ASSERT_EQ(camera_->Run(0), S_OK);
  }
  void WaitRendered(int n) {
    for (int seen = renderer_->rendered_.load(); seen < n; seen = renderer_->rendered_.load())
      renderer_->rendered_.wait(seen);
  }
  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> camera_;
  TIntf<TCountingByteRenderer> renderer_;
  TIntf<TEventGraph> events_;
};

TEST_F(CameraStreamTest, NativeFramesArriveUnchangedAtTheRequestedRate) {
  Start(MEDIASUBTYPE_YUY2, 640, 480, 666667);
  EXPECT_EQ(camera_->CapturePin()->StreamingFourcc(), uint32_t(V4L2_PIX_FMT_YUYV));
  EXPECT_EQ(fake_->parm_.denominator, 15u);
  const auto a = MakeYuyv(640, 480, 1), b = MakeYuyv(640, 480, 2);
  fake_->PushBytes(a);
  WaitRendered(1);
  fake_->PushBytes(b);
  WaitRendered(2);
  std::lock_guard guard(renderer_->lock_);
  ASSERT_EQ(renderer_->samples_.size(), 2u);
  EXPECT_EQ(renderer_->samples_[0].bytes, a);
  EXPECT_EQ(renderer_->samples_[1].bytes, b);
  EXPECT_TRUE(renderer_->samples_[1].syncPoint);
}

TEST_F(CameraStreamTest, YuyAtThirtyFramesOfTheBigSizeIsDecodedFromMjpeg) {
  Start(MEDIASUBTYPE_YUY2, 1600, 1200, 333333);
  EXPECT_EQ(camera_->CapturePin()->StreamingFourcc(), uint32_t(V4L2_PIX_FMT_MJPEG));
  EXPECT_EQ(fake_->format_.pixelformat, uint32_t(V4L2_PIX_FMT_MJPEG));
  fake_->PushBytes(MakeJpeg(1600, 1200, true));
  WaitRendered(1);
  std::lock_guard guard(renderer_->lock_);
  const auto& bytes = renderer_->samples_[0].bytes;
  ASSERT_EQ(bytes.size(), 1600u * 1200 * 2);
  // The dark block top-left, the bright gradient elsewhere.
  EXPECT_LT(bytes[0], 50);
  EXPECT_GT(bytes[(600 * 1600 + 1200) * 2], 100);
}

TEST_F(CameraStreamTest, BadFramesAreDroppedAndStreamingGoesOn) {
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  const std::vector<uint8_t> good = MakeYuyv(640, 480, 7);
  fake_->Push({{}, 0, 0, true});                             // EAGAIN after poll said readable
  fake_->Push({good, uint32_t(good.size() / 2), 0, false});  // short
  fake_->Push({good, 0, 0, false});                          // empty
  fake_->Push({good, uint32_t(good.size()), V4L2_BUF_FLAG_ERROR, false});
  ASSERT_TRUE(fake_->WaitRequeued(3));
  EXPECT_EQ(camera_->CapturePin()->FramesDropped(), 3);
  fake_->PushBytes(good);
  WaitRendered(1);
  // The count rises on the streaming thread after the delivery returns.
  EXPECT_TRUE(lumicar::testing::Eventually([&] { return camera_->CapturePin()->FramesDelivered() == 1; }));
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 0);
}

TEST_F(CameraStreamTest, CorruptAndTruncatedJpegFramesAreDropped) {
  Start(MEDIASUBTYPE_RGB24, 640, 480, 333333);
  std::vector<uint8_t> good = MakeJpeg(640, 480), corrupt = good;
  for (size_t i = 200; i < corrupt.size() - 2; i += 5) corrupt[i] = 0xFF;
  fake_->PushBytes(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(good.size() / 3)));
  fake_->PushBytes(corrupt);
  ASSERT_TRUE(fake_->WaitRequeued(2));
  EXPECT_EQ(camera_->CapturePin()->FramesDropped(), 2);
  fake_->PushBytes(good);
  WaitRendered(1);
  std::lock_guard guard(renderer_->lock_);
  EXPECT_EQ(renderer_->samples_[0].bytes.size(), 640u * 480 * 3);
}

TEST_F(CameraStreamTest, UnplugStopsCleanlyWithDeviceLost) {
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  fake_->PushBytes(MakeYuyv(640, 480, 1));
  WaitRendered(1);
  fake_->Unplug();
  // The event is the streaming thread's last act.
  for (;;) {
    std::unique_lock guard(events_->lock_);
    if (!events_->events_.empty()) break;
    guard.unlock();
    std::this_thread::yield();
  }
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 1);
  EXPECT_TRUE(camera_->IsLost());
  EXPECT_EQ(camera_->Stop(), S_OK);
  int32_t value, flags;
  EXPECT_EQ(camera_->Get(VideoProcAmp_Brightness, &value, &flags), DSErrnoResult(ENODEV));
  // Starting again fails clearly instead of hanging.
  EXPECT_EQ(camera_->Pause(), DSErrnoResult(ENODEV));
}

TEST_F(CameraStreamTest, UnpluggedWhileStoppedIsLostWhenItIsStartedAgain) {
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  fake_->PushBytes(MakeYuyv(640, 480, 1));
  WaitRendered(1);
  ASSERT_EQ(camera_->Stop(), S_OK);
  fake_->Unplug();
  // No streaming thread noticed: the start finds the node gone and tells
  // the graph, once, as a loss while streaming does.
  EXPECT_EQ(camera_->Pause(), DSErrnoResult(ENODEV));
  EXPECT_TRUE(camera_->IsLost());
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 1);
  EXPECT_EQ(camera_->Pause(), DSErrnoResult(ENODEV));
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 1);
  EXPECT_EQ(fake_->liveMappings_, 0);
}

TEST_F(CameraStreamTest, RefusedFormatOrBandwidthFailsThePause) {
  TDSMediaType t = DSCameraMediaType(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  ASSERT_EQ(ConnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0)), &t.Get()), S_OK);
  fake_->refuseSetFormat_ = true;
  EXPECT_EQ(camera_->Pause(), DSErrnoResult(EBUSY));
  fake_->refuseSetFormat_ = false;
  fake_->streamOnError_ = ENOSPC;
  EXPECT_EQ(camera_->Pause(), DSErrnoResult(ENOSPC));
  EXPECT_EQ(fake_->liveMappings_, 0);
  fake_->streamOnError_ = 0;
  ASSERT_EQ(camera_->Pause(), S_OK);
  // Controls set before streaming are set again after VIDIOC_STREAMON.
  EXPECT_EQ(camera_->Stop(), S_OK);
  ASSERT_EQ(camera_->Set(VideoProcAmp_Brightness, 12, VideoProcAmp_Flags_Manual), S_OK);
  const size_t before = fake_->controlWrites_.size();
  ASSERT_EQ(camera_->Pause(), S_OK);
  ASSERT_GT(fake_->controlWrites_.size(), before);
  EXPECT_EQ(fake_->controlWrites_.back(), std::make_pair(uint32_t(V4L2_CID_BRIGHTNESS), 12));
  // Not while streaming.
  EXPECT_EQ(camera_->CapturePin()->SetFormat(&t.Get()), VFW_E_NOT_STOPPED);
}

TEST_F(CameraStreamTest, StopWakesAThreadWaitingForAFrameAtOnce) {
  // A camera that stays silent: its poll would not end before the next frame.
  fake_->pollIgnoresTimeout_ = true;
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  fake_->PushBytes(MakeYuyv(640, 480, 1));
  WaitRendered(1);
  ASSERT_TRUE(fake_->WaitPolling());
  std::future<void> stopped = lumicar::testing::RunAsync([&] { EXPECT_EQ(camera_->Stop(), S_OK); });
  const bool finished = lumicar::testing::Finishes(stopped);
  // Failsafe: free a thread the stop did not reach, so the test fails
  // instead of hanging.
  if (!finished) fake_->Unplug();
  stopped.wait();
  EXPECT_TRUE(finished);
  EXPECT_EQ(fake_->interrupts_, 1);
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 0);
  // The wake-up was taken by the poll it ended: the next run streams as before.
  ASSERT_EQ(camera_->Run(0), S_OK);
  fake_->PushBytes(MakeYuyv(640, 480, 2));
  WaitRendered(2);
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 0);
}

TEST_F(CameraStreamTest, WithoutAWakeUpTheStopIsSeenBetweenPollSlices) {
  fake_->interruptible_ = false;
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  fake_->PushBytes(MakeYuyv(640, 480, 1));
  WaitRendered(1);
  ASSERT_TRUE(fake_->WaitPolling());
  std::future<void> stopped = lumicar::testing::RunAsync([&] { EXPECT_EQ(camera_->Stop(), S_OK); });
  const bool finished = lumicar::testing::Finishes(stopped);
  if (!finished) fake_->Unplug();
  stopped.wait();
  EXPECT_TRUE(finished);
}

TEST_F(CameraStreamTest, UnplugSeenWhileAStopWaitsForTheThreadEndsBoth) {
  // No wake-up and no time-out: the stop waits for the streaming thread,
  // holding the filter's lock, until the unplug ends the thread's poll.
  fake_->pollIgnoresTimeout_ = true;
  fake_->interruptible_ = false;
  Start(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  fake_->PushBytes(MakeYuyv(640, 480, 1));
  WaitRendered(1);
  ASSERT_TRUE(fake_->WaitPolling());
  std::future<void> stopped = lumicar::testing::RunAsync([&] { EXPECT_EQ(camera_->Stop(), S_OK); });
  ASSERT_TRUE(fake_->WaitInterrupts(1));
  fake_->Unplug();
  if (!lumicar::testing::Finishes(stopped)) {
    // The thread and the stop wait for each other: nothing can free them.
    std::fputs("the stop and the streaming thread deadlocked\n", stderr);
    std::abort();
  }
  stopped.get();
  EXPECT_TRUE(camera_->IsLost());
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 1);
}

class TestPatternGraphTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterSystemClasses();
    DSLeakCheck::SetUp();
  }
};

TEST_F(TestPatternGraphTest, StreamsThroughTheGraphIntoASampleGrabber) {
  // The synthetic camera is the category's last device.
  TDSTestPatternProvider provider;
  ASSERT_EQ(provider.Devices().size(), 1u);
  IBaseFilter* raw = nullptr;
  ASSERT_EQ(provider.CreateFilter(provider.Devices()[0], &raw), S_OK);
  TIntf<IBaseFilter> camera = TIntf<IBaseFilter>::Adopt(raw);
  {
    TIntf<TDSFilterGraph> graph = NewGraph();
    TIntf<TDSCaptureGraphBuilder> builder = MakeIntf<TDSCaptureGraphBuilder>();
    ASSERT_EQ(builder->SetFiltergraph(graph.get()), S_OK);
    TIntf<TDSSampleGrabber> grabber = MakeIntf<TDSSampleGrabber>();
    TIntf<TRecordingCallback> callback = MakeIntf<TRecordingCallback>();
    ASSERT_EQ(graph->AddFilter(camera.get(), u"Video Capture Filter"), S_OK);
    ASSERT_EQ(graph->AddFilter(grabber.get(), u"VLDS_VideoGrabber"), S_OK);
    TDSMediaType rgb;
    rgb->majortype = MEDIATYPE_Video;
    rgb->subtype = MEDIASUBTYPE_RGB24;
    rgb->formattype = FORMAT_VideoInfo;
    ASSERT_EQ(grabber->SetMediaType(&rgb.Get()), S_OK);
    void* config = nullptr;
    ASSERT_EQ(
        builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), IID_IAMStreamConfig, &config),
        S_OK);
    TIntf<IAMStreamConfig> streamConfig = TIntf<IAMStreamConfig>::Adopt(static_cast<IAMStreamConfig*>(config));
    TDSMediaType want = DSCameraMediaType(MEDIASUBTYPE_RGB24, 320, 240, 166667);
    ASSERT_EQ(streamConfig->SetFormat(&want.Get()), S_OK);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), nullptr, grabber.get()),
              S_OK);
    ASSERT_EQ(grabber->SetCallback(callback.get(), 0), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    for (int seen = callback->calls_.load(); seen < 3; seen = callback->calls_.load()) callback->calls_.wait(seen);
    ASSERT_EQ(graph->Stop(), S_OK);
    {
      std::lock_guard guard(callback->lock_);
      ASSERT_GE(callback->times_.size(), 3u);
      EXPECT_LT(callback->times_[0], callback->times_[2]);  // real, rising time stamps
      ASSERT_EQ(callback->lastBytes_.size(), 320u * 240 * 3);
      // The red marker sits in the picture's top-left: near the last row of
      // the bottom-up bitmap, not the first.
      const uint8_t* top = &callback->lastBytes_[(size_t(239 - 12) * 320 + 12) * 3];
      const uint8_t* bottom = &callback->lastBytes_[(size_t(12) * 320 + 12) * 3];
      EXPECT_GT(top[2], 200);
      EXPECT_LT(top[0], 60);
      EXPECT_FALSE(bottom[2] > 200 && bottom[0] < 60 && bottom[1] < 60);
    }
    grabber->SetCallback(nullptr, 0);
    graph->RemoveFilter(grabber.get());
    graph->RemoveFilter(camera.get());
  }
  camera.reset();
}

}  // namespace
}  // namespace lumicar::camtest
