// The 8 MP camera's MJPEG decoded on a thread of its own, through the real
// capture filter into a renderer that reads each frame's number back: frames
// arrive in order, a slow downstream makes frames drop at the camera (counted,
// never reordered), a corrupt frame is dropped and the next one arrives, a
// stop or an unplug during a decode joins the decoder thread and delivers
// nothing after. Switched off, the decode stays on the streaming thread (the
// choice from measured decode times is the decode timer's test: times under
// sanitizers say nothing). Waits are bounded: on the renderer's condition,
// the fake's hooks, the event list.

#include <dirent.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>

#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/media/media_guids.h"
#include "testing/camera/camera_profiles.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/camera/numbered_jpeg.h"
#include "tests/dsbase/graph_test_support.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar::camtest {
namespace {

using namespace dstest;

constexpr int kWidth = 3840, kHeight = 2160;
constexpr int64_t kThirtyFps = 333333;

// Made once for the whole program: 4K frames are costly to encode.
const std::vector<std::vector<uint8_t>>& Frames4K() {
  static const auto frames = MakeNumberedJpegs(kWidth, kHeight, 8);
  return frames;
}

// Threads of this process with the decoder's name.
int DecoderThreads() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
      std::string name;
      std::getline(comm, name);
      if (name == "mjpeg decoder") ++n;
    }
    closedir(d);
  }
  return n;
}

// Reads the number of every frame it renders (keeping no pixels); can hold
// the first frame until opened, as a slow downstream would.
class TNumberRenderer : public TByteRenderer {
 public:
  TNumberRenderer() : TByteRenderer(MEDIATYPE_Video) {}
  HRESULT DoRenderSample(IMediaSample* sample) override {
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    const int number = ReadFrameNumber(data, size_t(sample->GetActualDataLength()), width_, height_, 2 * width_);
    std::unique_lock guard(mutex_);
    numbers_.push_back(number);
    changed_.notify_all();
    if (hold_) changed_.wait_for(guard, lumicar::testing::kGenerous, [&] { return !hold_; });
    return S_OK;
  }
  void Hold(bool hold) {
    std::lock_guard guard(mutex_);
    hold_ = hold;
    changed_.notify_all();
  }
  // Waits (bounded) until a frame numbered `number` was rendered.
  bool WaitNumber(int number) {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, lumicar::testing::kGenerous,
                             [&] { return std::find(numbers_.begin(), numbers_.end(), number) != numbers_.end(); });
  }
  bool WaitCount(size_t count) {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, lumicar::testing::kGenerous, [&] { return numbers_.size() >= count; });
  }
  std::vector<int> Numbers() {
    std::lock_guard guard(mutex_);
    return numbers_;
  }
  int width_ = kWidth, height_ = kHeight;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> numbers_;
  bool hold_ = false;
};

bool StrictlyIncreasing(const std::vector<int>& v) {
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i] <= v[i - 1]) return false;
  return true;
}

class MjpegStreamTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    ASSERT_EQ(Frames4K().size(), 8u);
    fake_ = std::make_shared<TFakeV4L2Device>();
    ApplyCameraProfile(*fake_, DocumentCamera4KProfile());
    TDSV4L2CaptureFilter* f = nullptr;
    ASSERT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("4K Document Camera"), &f), S_OK);
    camera_ = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
    renderer_ = MakeIntf<TNumberRenderer>();
    events_ = MakeIntf<TEventGraph>();
    ASSERT_EQ(camera_->JoinFilterGraph(events_.get(), u"Video Capture Filter"), S_OK);
  }
  void TearDown() override {
    if (camera_) {
      renderer_->Hold(false);
      camera_->Stop();
      renderer_->Stop();
      DisconnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0)));
      camera_->JoinFilterGraph(nullptr, nullptr);
    }
    camera_.reset();
    renderer_.reset();
    events_.reset();
    EXPECT_EQ(DecoderThreads(), 0);
    EXPECT_EQ(fake_->liveMappings_, 0);
    EXPECT_EQ(fake_->openFds_, 0);
    DSLeakCheck::TearDown();
  }
  void Start(TDSMjpegDecoding how, int w = kWidth, int h = kHeight) {
    renderer_->width_ = w, renderer_->height_ = h;
    camera_->CapturePin()->SetMjpegDecoding(how);
    TDSMediaType t = DSCameraMediaType(MEDIASUBTYPE_YUY2, w, h, kThirtyFps);
    ASSERT_EQ(camera_->CapturePin()->SetFormat(&t.Get()), S_OK);
    ASSERT_EQ(ConnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0))), S_OK);
    ASSERT_EQ(renderer_->Run(0), S_OK);
    ASSERT_EQ(camera_->Run(0), S_OK);
    ASSERT_EQ(camera_->CapturePin()->StreamingFourcc(), uint32_t(V4L2_PIX_FMT_MJPEG));
  }
  void Push(int number) { fake_->PushBytes(Frames4K()[size_t(number)]); }
  // Every frame pushed is delivered or dropped once the camera stopped.
  void ExpectAllAccountedFor(int pushed) {
    ASSERT_EQ(camera_->Stop(), S_OK);
    EXPECT_EQ(camera_->CapturePin()->FramesDelivered() + camera_->CapturePin()->FramesDropped(), pushed);
    EXPECT_EQ(size_t(camera_->CapturePin()->FramesDelivered()), renderer_->Numbers().size());
  }

  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> camera_;
  TIntf<TNumberRenderer> renderer_;
  TIntf<TEventGraph> events_;
};

TEST_F(MjpegStreamTest, FramesArriveInOrderFromTheDecoderThread) {
  Start(TDSMjpegDecoding::ownThread);
  EXPECT_TRUE(camera_->CapturePin()->DecodesOnOwnThread());
  EXPECT_EQ(DecoderThreads(), 1);
  // Each frame handed over before the next comes, as a camera sends them;
  // the decoder may still be busy, and then the waiting one gives way.
  for (int i = 0; i < 8; ++i) {
    Push(i);
    ASSERT_TRUE(fake_->WaitRequeued(i + 1));
  }
  // The last frame is never replaced: it arrives.
  ASSERT_TRUE(renderer_->WaitNumber(7));
  const std::vector<int> numbers = renderer_->Numbers();
  EXPECT_TRUE(StrictlyIncreasing(numbers)) << ::testing::PrintToString(numbers);
  EXPECT_EQ(numbers.front() >= 0, true);
  ExpectAllAccountedFor(8);
}

TEST_F(MjpegStreamTest, ASlowDownstreamDropsAtTheCameraNeverReorders) {
  Start(TDSMjpegDecoding::ownThread);
  renderer_->Hold(true);
  Push(0);
  ASSERT_TRUE(renderer_->WaitCount(1));
  // The streaming thread waits in the delivery of frame 0: the camera's four
  // buffers fill and two frames wait in the driver.
  for (int i = 1; i <= 6; ++i) Push(i);
  renderer_->Hold(false);
  ASSERT_TRUE(renderer_->WaitNumber(6));
  const std::vector<int> numbers = renderer_->Numbers();
  EXPECT_TRUE(StrictlyIncreasing(numbers)) << ::testing::PrintToString(numbers);
  EXPECT_LT(numbers.size(), 7u);
  EXPECT_GE(camera_->CapturePin()->FramesDropped(), 1);
  ExpectAllAccountedFor(7);
}

TEST_F(MjpegStreamTest, ACorruptFrameIsDroppedAndTheNextArrives) {
  Start(TDSMjpegDecoding::ownThread);
  Push(0);
  ASSERT_TRUE(renderer_->WaitNumber(0));
  std::vector<uint8_t> corrupt = Frames4K()[1];
  for (size_t i = 200; i + 2 < corrupt.size(); i += 5) corrupt[i] = 0xFF;
  fake_->PushBytes(corrupt);
  ASSERT_TRUE(lumicar::testing::Eventually([&] { return camera_->CapturePin()->FramesDropped() == 1; }));
  Push(2);
  ASSERT_TRUE(renderer_->WaitNumber(2));
  EXPECT_EQ(renderer_->Numbers(), (std::vector<int>{0, 2}));
  EXPECT_EQ(events_->Count(EC_DEVICE_LOST), 0);
  ExpectAllAccountedFor(3);
}

TEST_F(MjpegStreamTest, AStopDuringADecodeJoinsTheDecoderAndDeliversNothingAfter) {
  Start(TDSMjpegDecoding::ownThread);
  Push(0);
  ASSERT_TRUE(renderer_->WaitNumber(0));
  Push(1);
  // Handed to the decoder, which needs a good part of a frame period for it.
  ASSERT_TRUE(fake_->WaitRequeued(2));
  ASSERT_EQ(camera_->Stop(), S_OK);
  EXPECT_EQ(DecoderThreads(), 0);
  const size_t atStop = renderer_->Numbers().size();
  EXPECT_EQ(size_t(camera_->CapturePin()->FramesDelivered()), atStop);
  // It streams again as before.
  ASSERT_EQ(camera_->Run(0), S_OK);
  Push(2);
  ASSERT_TRUE(renderer_->WaitNumber(2));
  EXPECT_TRUE(StrictlyIncreasing(renderer_->Numbers()));
}

TEST_F(MjpegStreamTest, AnUnplugDuringADecodeEndsBothThreads) {
  Start(TDSMjpegDecoding::ownThread);
  Push(0);
  ASSERT_TRUE(renderer_->WaitNumber(0));
  Push(1);
  ASSERT_TRUE(fake_->WaitRequeued(2));
  fake_->Unplug();
  // The event is the streaming thread's last act; the decoder is joined
  // before it.
  ASSERT_TRUE(lumicar::testing::Eventually([&] { return events_->Count(EC_DEVICE_LOST) == 1; }));
  EXPECT_TRUE(camera_->IsLost());
  ASSERT_TRUE(lumicar::testing::Eventually([&] { return DecoderThreads() == 0; }));
  EXPECT_EQ(camera_->Stop(), S_OK);
  EXPECT_TRUE(StrictlyIncreasing(renderer_->Numbers()));
}

TEST_F(MjpegStreamTest, SwitchedOffTheDecodeStaysOnTheStreamingThread) {
  Start(TDSMjpegDecoding::streamingThread, 640, 480);
  const auto frames = MakeNumberedJpegs(640, 480, 5);
  for (int i = 0; i < 5; ++i) {
    fake_->PushBytes(frames[size_t(i)]);
    ASSERT_TRUE(renderer_->WaitNumber(i));
  }
  EXPECT_FALSE(camera_->CapturePin()->DecodesOnOwnThread());
  EXPECT_EQ(DecoderThreads(), 0);
  EXPECT_EQ(renderer_->Numbers(), (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace lumicar::camtest
