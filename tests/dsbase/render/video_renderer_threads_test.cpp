// Samples streamed from another thread while the user-interface thread moves
// and resizes the video window and switches full screen on and off: the
// sender never waits for the painter, the painter shows the newest frame,
// and nothing is lost or painted twice. Synchronised with a latch.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <atomic>
#include <latch>
#include <thread>

#include "dsbase/render/render_classes.h"
#include "testing/event_pump.h"
#include "tests/dsbase/render/video_renderer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::rendertest {
namespace {

// Four samples: the renderer keeps them (the painter lets go of the one it
// replaces on its own thread); one: the renderer copies each frame.
class VideoRendererThreads : public ::testing::TestWithParam<int> {};

TEST_P(VideoRendererThreads, StreamsWhileTheWindowResizesAndSwitchesFullScreen) {
  DSRegisterRenderClasses();
  QWidget owner;
  owner.resize(400, 300);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner, static_cast<int>(testtools::kHangGuard.count())));
  const TDSMediaType type = FrameType(vfYUY2, 64, 48);
  const TDSFrameFormat format = FormatOf(type);
  TRendererRig rig(type, true, GetParam());
  ASSERT_NE(rig.renderer, nullptr);
  EXPECT_EQ(rig.renderer->KeepsSamples(), GetParam() > 1);
  ASSERT_EQ(rig.window->put_Owner(&owner), S_OK);
  ASSERT_EQ(rig.window->put_MessageDrain(&owner), S_OK);
  ASSERT_EQ(rig.window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
  ASSERT_EQ(rig.window->put_Visible(OATRUE), S_OK);

  constexpr int kFrames = 300;
  const std::vector<uint8_t> green = SolidFrame(format, Qt::green);
  const std::vector<uint8_t> red = SolidFrame(format, Qt::red);
  const std::vector<uint8_t> last = SolidFrame(format, Qt::blue);
  // Half way through the sender waits until the window has painted and has
  // been moved into and out of full screen, so that frames, paints and
  // window changes demonstrably overlap however fast either side runs.
  std::latch paintedDuringStream(1);
  std::atomic<bool> done{false};
  // Send never waits for a sample: a refusal means the renderer kept the
  // source waiting.
  std::atomic<int> refused{0};
  std::thread sender([&] {
    for (int i = 0; i < kFrames; ++i) {
      if (i == kFrames / 2) paintedDuringStream.wait();
      if (rig.source->Send(i % 2 ? green : red) != S_OK) ++refused;
    }
    if (rig.source->Send(last) != S_OK) ++refused;
    done = true;
  });
  bool counted = false;
  int round = 0;
  while (!done) {
    ++round;
    rig.window->SetWindowPosition(round % 40, round % 30, 80 + round * 7 % 200, 60 + round * 5 % 150);
    if (round % 20 == 0) rig.window->put_FullScreenMode(round % 40 == 0 ? OAFALSE : OATRUE);
    QCoreApplication::processEvents();
    rig.renderer->Window()->repaint();
    if (!counted && round >= 60 && rig.renderer->FrameCounts().presented > 0) {
      paintedDuringStream.count_down();
      counted = true;
    }
  }
  sender.join();
  EXPECT_TRUE(counted);
  EXPECT_GE(round, 60);
  EXPECT_EQ(refused, 0);
  ASSERT_EQ(rig.window->put_FullScreenMode(OAFALSE), S_OK);
  const uint64_t sent = kFrames + 1;
  ASSERT_TRUE(WaitUntil([&] { return rig.renderer->FrameCounts().lastPresented == sent; }));
  const TDSVideoFrameCounts c = rig.renderer->FrameCounts();
  EXPECT_EQ(c.received, sent);
  EXPECT_GE(c.presented, 2u);
  // Each frame was either overtaken or taken for painting, never both.
  EXPECT_LE(c.presented + c.dropped, c.received);
  EXPECT_LE(c.frameBuffers, 3);
  EXPECT_EQ(c.copied, GetParam() > 1 ? 0u : sent);
  const QImage picture = rig.renderer->Window()->GrabPicture();
  const QColor blue = KernelPicture(last, format).pixelColor(0, 0);
  EXPECT_TRUE(Near(picture.pixelColor(picture.width() / 2, picture.height() / 2), blue, 2));
}

INSTANTIATE_TEST_SUITE_P(SourceSamples, VideoRendererThreads, ::testing::Values(4, 1),
                         [](const ::testing::TestParamInfo<int>& buffers) {
                           return buffers.param > 1 ? std::string("Kept") : std::string("Copied");
                         });

}  // namespace
}  // namespace lumicar::rendertest
