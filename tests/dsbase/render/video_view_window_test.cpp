// The video window's view on the path this program is built for: a marked
// block of the frame lands where each quarter turn and the zoom put it, and
// a frozen window keeps its picture while frames keep arriving and being
// dropped, showing the newest once thawed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "dsbase/render/render_classes.h"
#include "dsbase/render/video_view.h"
#include "testing/dsbase/ds_test_filters.h"
#include "testing/event_pump.h"
#include "tests/dsbase/render/video_renderer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::rendertest::viewtest {
namespace {

class VideoViewWindowTest : public dstest::DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterRenderClasses();
    dstest::DSLeakCheck::SetUp();
    owner_ = std::make_unique<QWidget>();
    owner_->resize(320, 240);
    owner_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner_.get(), static_cast<int>(testtools::kHangGuard.count())));
  }
  void TearDown() override {
    KeepOpenGLDriverLoaded();
    rig_.reset();
    owner_.reset();
    QCoreApplication::sendPostedEvents();
    dstest::DSLeakCheck::TearDown();
  }

  void Attach(const TDSMediaType& type, const QRect& place) {
    rig_ = std::make_unique<TRendererRig>(type);
    ASSERT_NE(rig_->renderer, nullptr);
    IVideoWindow* w = rig_->window.get();
    EXPECT_EQ(w->put_Owner(owner_.get()), S_OK);
    EXPECT_EQ(w->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
    EXPECT_EQ(w->SetWindowPosition(place.x(), place.y(), place.width(), place.height()), S_OK);
    EXPECT_EQ(w->put_Visible(OATRUE), S_OK);
  }
  TDSVideoWindow* Window() { return rig_->renderer->Window(); }
  TDSVideoFrameCounts Counts() { return rig_->renderer->FrameCounts(); }
  bool SendAndShow(const std::vector<uint8_t>& frame) {
    if (rig_->source->Send(frame) != S_OK) return false;
    const uint64_t sent = Counts().received;
    return WaitUntil([&] { return Counts().lastPresented >= sent; });
  }
  // The picture as drawn now, in a form whose pixels read directly.
  QImage Picture() { return Window()->GrabPicture().convertToFormat(QImage::Format_RGB32); }

  std::unique_ptr<QWidget> owner_;
  std::unique_ptr<TRendererRig> rig_;
};

// ---- where the picture lands ----

constexpr QSize kFrame(64, 48);
constexpr QRect kBlock(8, 4, 8, 8);  // the marked block, in frame pixels

// The normalised point of the turned picture at which the frame point `f`
// appears: a clockwise quarter turn moves the frame's left column to the
// top row, and so on round.
QPointF ShownPointOf(QPointF f, int turns) {
  switch (turns) {
    case 1:
      return QPointF(1 - f.y(), f.x());
    case 2:
      return QPointF(1 - f.x(), 1 - f.y());
    case 3:
      return QPointF(f.y(), 1 - f.x());
    default:
      return f;
  }
}

class VideoViewTurns : public VideoViewWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(VideoViewTurns, MarkedBlockLandsWhereTurnAndZoomPutIt) {
  const int turns = GetParam();
  const TDSMediaType type = FrameType(vfRGB24, kFrame.width(), kFrame.height(), false);
  const TDSFrameFormat format = FormatOf(type);
  // The window as large as the turned picture, so one frame pixel is one
  // window pixel at zoom 1.
  const QSize window = turns % 2 ? kFrame.transposed() : kFrame;
  Attach(type, QRect(QPoint(0, 0), window));
  std::vector<uint8_t> frame = SolidFrame(format, Qt::black);
  const int stride = format.stride;
  for (int y = kBlock.top(); y <= kBlock.bottom(); ++y)
    for (int x = kBlock.left(); x <= kBlock.right(); ++x)
      for (int c = 0; c < 3; ++c) frame[size_t(y * stride + x * 3 + c)] = 255;

  const QPointF blockCentre((kBlock.left() + kBlock.width() / 2.0) / kFrame.width(),
                            (kBlock.top() + kBlock.height() / 2.0) / kFrame.height());
  const QPointF shown = ShownPointOf(blockCentre, turns);
  // Zoom 2 over the quarter of the turned picture that holds the block: the
  // shown area's corner is where the block's quarter starts.
  const QPointF corner(shown.x() < 0.5 ? 0 : 0.5, shown.y() < 0.5 ? 0 : 0.5);
  TDSVideoView view;
  view.quarterTurns = turns;
  view.zoom = 2;
  view.centre = corner + QPointF(0.25, 0.25);
  Window()->SetView(view);
  ASSERT_TRUE(SendAndShow(frame));
  // Twice as far from the shown area's corner in the window.
  const QPoint at(int((shown.x() - corner.x()) * 2 * window.width()),
                  int((shown.y() - corner.y()) * 2 * window.height()));
  const QImage picture = Picture();
  ASSERT_EQ(picture.size(), window);
  // The block is 16 window pixels wide at zoom 2: its centre is white, a
  // point 12 pixels away along either axis black.
  EXPECT_TRUE(Near(picture.pixelColor(at), Qt::white, 8)) << "turns " << turns << " at (" << at.x() << ", " << at.y()
                                                          << "): " << picture.pixelColor(at).name().toStdString();
  for (const QPoint off : {QPoint(12, 0), QPoint(0, 12)}) {
    const QPoint beside = at + off;
    if (!picture.rect().contains(beside)) continue;
    EXPECT_TRUE(Near(picture.pixelColor(beside), Qt::black, 8)) << "turns " << turns << " beside the block";
  }
}

INSTANTIATE_TEST_SUITE_P(QuarterTurns, VideoViewTurns, ::testing::Values(0, 1, 2, 3));

// ---- freeze ----

TEST_F(VideoViewWindowTest, FrozenWindowKeepsItsFrameWhileFramesArriveAndAreDropped) {
  const TDSMediaType type = FrameType(vfYUY2, 32, 16);
  const TDSFrameFormat format = FormatOf(type);
  Attach(type, QRect(0, 0, 64, 32));
  const std::vector<uint8_t> red = SolidFrame(format, Qt::red);
  const std::vector<uint8_t> blue = SolidFrame(format, Qt::blue);
  const QColor redShown = KernelPicture(red, format).pixelColor(0, 0);
  const QColor blueShown = KernelPicture(blue, format).pixelColor(0, 0);
  ASSERT_TRUE(SendAndShow(red));
  TDSVideoView view;
  view.frozen = true;
  Window()->SetView(view);
  const TDSVideoFrameCounts before = Counts();

  // More frames than the renderer keeps samples of: had the frozen window
  // held on to them, the source would run out (a send never waits here).
  constexpr int kFrames = 12;
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(rig_->source->Send(blue), S_OK) << "frame " << i;
    // The paint requests arrive and are answered as usual.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  const QImage frozen = Picture();
  const TDSVideoFrameCounts during = Counts();
  EXPECT_EQ(during.received - before.received, uint64_t(kFrames));
  EXPECT_EQ(during.presented, before.presented);
  EXPECT_EQ(during.lastPresented, before.lastPresented);
  EXPECT_EQ(during.dropped - before.dropped, uint64_t(kFrames - 1)) << "all but the newest dropped as overtaken";
  EXPECT_LE(during.frameBuffers, 3);
  EXPECT_TRUE(Near(frozen.pixelColor(frozen.width() / 2, frozen.height() / 2), redShown, 2));
  EXPECT_TRUE(Near(Window()->CurrentFrame().pixelColor(3, 3), redShown, 0)) << "the frozen frame is the current one";

  view.frozen = false;
  Window()->SetView(view);
  ASSERT_TRUE(WaitUntil([&] { return Counts().lastPresented == during.received; }))
      << "the newest frame is shown at the next paint";
  const QImage thawed = Picture();
  EXPECT_TRUE(Near(thawed.pixelColor(thawed.width() / 2, thawed.height() / 2), blueShown, 2));
}

}  // namespace
}  // namespace lumicar::rendertest::viewtest
