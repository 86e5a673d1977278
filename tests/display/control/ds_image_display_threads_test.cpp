// The image display's frames come from another thread, as the capture
// component's notify thread sends them, while the window's thread resizes
// the control, switches full screen on and off, and restarts and clears the
// graph under the frames.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScreen>
#include <atomic>
#include <latch>
#include <thread>

#include "display/control/display_classes.h"
#include "dsbase/com/live_objects.h"
#include "tests/display/control/display_test_support.h"
#include "tests/display/control/ds_display_rig.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

constexpr int kTolerance = 24;

// Sends frames until told to stop, counting them; starts together with the
// window's thread.
class TFrameSender {
 public:
  TFrameSender(TTestFrameSource* source, int width, int height) : frame_(QuadrantFrame(width, height)) {
    thread_ = std::thread([this, source] {
      started_.arrive_and_wait();
      while (!stop_.load()) {
        source->Send(frame_.get());
        sent_.fetch_add(1);
      }
    });
  }
  ~TFrameSender() { Stop(); }

  void Go() { started_.arrive_and_wait(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int Sent() const { return sent_.load(); }

 private:
  TIntf<IVLImageBuffer> frame_;
  std::latch started_{2};
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

TEST(DSImageDisplayThreads, FramesStreamWhileTheWindowResizesAndSwitchesFullScreen) {
  RegisterDisplayClasses();
  const int64_t liveBefore = DSLiveObjectCount();
  {
    TDSDisplayRig rig(400, 200);
    TVLDSImageDisplay* d = rig.display;
    rig.source->Start(160, 120, vfYUY2);
    ASSERT_TRUE(d->GraphRunning());
    TDSVideoRenderer* renderer = rig.Renderer();
    TDSVideoWindow* window = rig.RendererWindow();
    const uint64_t presentedBefore = renderer->FrameCounts().presented;

    TFrameSender sender(rig.source, 160, 120);
    sender.Go();
    const QSize sizes[] = {{400, 200}, {320, 320}, {640, 240}, {200, 150}};
    for (int round = 0; round < 24; ++round) {
      rig.host.resize(sizes[round % 4]);
      if (round % 6 == 3) d->SetFullScreen(true);
      if (round % 6 == 5) d->SetFullScreen(false);
      // Each round lets the window paint at least one newer frame.
      const uint64_t seen = renderer->FrameCounts().received;
      ASSERT_TRUE(WaitFor([&] { return renderer->FrameCounts().lastPresented > seen; })) << "round " << round;
    }
    sender.Stop();
    EXPECT_GT(sender.Sent(), 0);
    const TDSVideoFrameCounts counts = renderer->FrameCounts();
    EXPECT_GT(counts.presented, presentedBefore);
    EXPECT_LE(counts.received, uint64_t(sender.Sent()));

    // The window is back where the layout puts it and shows the stream.
    d->SetFullScreen(false);
    rig.host.resize(400, 200);
    ASSERT_TRUE(WaitFor([&] { return window->geometry() == QRect(66, 0, 267, 200); }));
    ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(160, 120).get()));
    EXPECT_TRUE(
        ShowsQuadrants(ScreenShot(&rig.host), QRect(66, 0, 267, 200), kTolerance, KernelQuadrantColours(vfYUY2)));
  }
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(DSLiveObjectCount(), liveBefore);
}

TEST(DSImageDisplayThreads, GraphsComeAndGoUnderAStreamOfFrames) {
  RegisterDisplayClasses();
  const int64_t liveBefore = DSLiveObjectCount();
  {
    TDSDisplayRig rig(320, 240);
    TVLDSImageDisplay* d = rig.display;
    d->SetAutoClear(true);
    rig.source->Start(64, 48, vfRGB24);
    TFrameSender sender(rig.source, 64, 48);
    sender.Go();
    for (int round = 0; round < 12; ++round) {
      // A stop with AutoClear removes the graph while frames may be on their
      // way into it; a start builds the next one beside them.
      rig.source->Stop();
      EXPECT_FALSE(d->GraphRunning());
      if (round % 3 == 1) d->Clear();
      const int sent = sender.Sent();
      ASSERT_TRUE(WaitFor([&] { return sender.Sent() > sent; }));
      rig.source->Start(64, 48, round % 2 ? vfYUY2 : vfRGB24);
      ASSERT_TRUE(d->GraphRunning());
      TDSVideoRenderer* renderer = rig.Renderer();
      ASSERT_NE(renderer, nullptr);
      ASSERT_TRUE(WaitFor([&] { return renderer->FrameCounts().lastPresented > 0; })) << "round " << round;
    }
    sender.Stop();
    EXPECT_TRUE(
        ShowsQuadrants(ScreenShot(&rig.host), QRect(0, 0, 320, 240), kTolerance, KernelQuadrantColours(vfYUY2)));
  }
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(DSLiveObjectCount(), liveBefore);
}

}  // namespace
}  // namespace lumicar::test
