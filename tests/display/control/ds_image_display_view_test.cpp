// The image display's view tools on the renderer path this program is built
// for: a quarter turn stands the picture's rectangle on its side and survives
// a new graph, the wheel over the picture zooms about the pointer, a left
// drag pans while a click does not, a snapshot is the whole frame turned,
// and the frozen mark and the note sit in the picture's top corners.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <vector>

#include "display/control/display_classes.h"
#include "display/control/status_overlay.h"
#include "dsbase/com/live_objects.h"
#include "tests/display/control/display_test_support.h"
#include "tests/display/control/ds_display_rig.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test::viewtools {
namespace {

constexpr int kTolerance = 24;

class DSImageDisplayView : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDisplayClasses();
    before_ = DSLiveObjectCount();
  }
  void TearDown() override {
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(DSLiveObjectCount(), before_) << "media objects left behind";
  }

 private:
  int64_t before_ = 0;
};

// Input as the window system gives it to the renderer's window, which hands
// it on to the control.
void SendMouse(QWidget* window, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), window->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &event);
}

void SendWheel(QWidget* window, QPoint at, int eighths) {
  QWheelEvent event(QPointF(at), window->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, eighths), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(window, &event);
}

// The picture's inside, away from its edges.
QRect Inside(const QRect& picture) { return picture.adjusted(8, 8, -8, -8); }

TEST_F(DSImageDisplayView, QuarterTurnStandsThePictureOnItsSideAndOutlivesTheGraph) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  const QRect landscape = rig.Picture();
  ASSERT_GT(landscape.width(), landscape.height());
  d->SetQuarterTurns(1);
  EXPECT_EQ(d->QuarterTurns(), 1);
  const QRect portrait = rig.Picture();
  // 60 x 80 in a 400 x 200 client: the full height, three quarters as wide.
  EXPECT_EQ(portrait.height(), 200);
  EXPECT_EQ(portrait.width(), 150);
  EXPECT_EQ(rig.RendererWindow()->geometry(), portrait) << "the renderer's window follows";
  d->SetQuarterTurns(-2);
  EXPECT_EQ(d->QuarterTurns(), 2);
  EXPECT_EQ(rig.Picture(), landscape);
  d->SetQuarterTurns(7);
  EXPECT_EQ(rig.Picture(), portrait);

  // A new stream builds a new graph, renderer and window: the turn goes on.
  rig.source->Stop();
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_NE(rig.RendererWindow(), nullptr);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  EXPECT_EQ(rig.Picture(), portrait);
  // Three quarter turns: the frame's top right quadrant is the top left.
  const std::array<QColor, 4> c = KernelQuadrantColours(vfRGB24);
  const std::array<QColor, 4> turned = {c[1], c[3], c[0], c[2]};
  EXPECT_TRUE(ShowsQuadrants(ScreenShot(&rig.host), rig.Picture(), kTolerance, turned));
}

TEST_F(DSImageDisplayView, WheelZoomsAboutThePointerOnlyOverAPicture) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  TDSVideoWindow* window = rig.RendererWindow();
  const QRect picture = rig.Picture();
  // The middle of the top-left quadrant, in the window's coordinates.
  const QPoint pointer(picture.width() / 4, picture.height() / 4);
  SendWheel(window, pointer, 120);
  EXPECT_EQ(d->Zoom(), 1) << "no frame on the screen yet";

  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  SendWheel(window, pointer, 60);
  EXPECT_EQ(d->Zoom(), 1) << "half a notch";
  SendWheel(window, pointer, 60);
  EXPECT_DOUBLE_EQ(d->Zoom(), 1.25);
  SendWheel(window, pointer, -120);
  EXPECT_DOUBLE_EQ(d->Zoom(), 1);
  for (int notch = 0; notch < 8; ++notch) SendWheel(window, pointer, 120);
  EXPECT_NEAR(d->Zoom(), std::pow(1.25, 8), 1e-9);
  // About the pointer, six times as large: the top-left quadrant alone
  // fills the picture (zoomed about its centre, the four would meet there).
  const std::array<QColor, 4> c = KernelQuadrantColours(vfRGB24);
  ASSERT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), Inside(picture), c[0], kTolerance); }));
  // Turned, what was in view stays in view, in the picture's new place.
  d->SetQuarterTurns(1);
  EXPECT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), Inside(rig.Picture()), c[0], kTolerance); }));
  d->SetQuarterTurns(0);
  for (int notch = 0; notch < 20; ++notch) SendWheel(window, pointer, 120);
  EXPECT_EQ(d->Zoom(), 8);
  d->ResetView();
  EXPECT_EQ(d->Zoom(), 1);
}

TEST_F(DSImageDisplayView, LeftDragPansAndAClickDoesNot) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  int doubleClicks = 0, downs = 0;
  d->SetOnDblClick(TNotifyEvent([&](TObject*) { ++doubleClicks; }));
  d->SetOnMouseDown(TMouseEvent([&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; }));
  rig.source->Start(80, 60, vfRGB24);
  TDSVideoWindow* window = rig.RendererWindow();
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  const QRect picture = rig.Picture();
  const std::array<QColor, 4> c = KernelQuadrantColours(vfRGB24);
  d->SetZoom(2);
  // Zoomed about the middle: the four quadrants meet in the middle still.
  ASSERT_TRUE(WaitFor([&] { return ShowsQuadrants(ScreenShot(&rig.host), picture, kTolerance, c); }));

  // A click and a double-click in place move nothing and keep their events.
  const QPoint at = window->rect().center();
  SendMouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  SendMouse(window, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_GE(downs, 1);
  ASSERT_TRUE(WaitFor([&] { return ShowsQuadrants(ScreenShot(&rig.host), picture, kTolerance, c); }));

  // Half the picture right and down: at zoom 2 that brings its top-left
  // quarter into view, which is all of the top-left quadrant.
  const QPoint by(picture.width() / 2, picture.height() / 2);
  SendMouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseMove, at + by / 2, Qt::NoButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseMove, at + by, Qt::NoButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, at + by, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(d->Zoom(), 2) << "a drag does not zoom";
  EXPECT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), Inside(picture), c[0], kTolerance); }));
}

TEST_F(DSImageDisplayView, SnapshotIsTheWholeFrameTurnedAndFreezeHoldsIt) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  EXPECT_TRUE(d->Snapshot().isNull()) << "no stream";
  EXPECT_EQ(d->FrameCounts().received, 0u);
  rig.source->Start(80, 60, vfRGB24);
  EXPECT_TRUE(d->Snapshot().isNull()) << "no frame yet";
  d->SetQuarterTurns(1);
  d->SetZoom(4);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  const std::array<QColor, 4> c = KernelQuadrantColours(vfRGB24);
  const QImage snapshot = d->Snapshot();
  ASSERT_EQ(snapshot.size(), QSize(60, 80)) << "full size, turned, not cropped";
  EXPECT_EQ(snapshot.format(), QImage::Format_RGB32);
  // One turn clockwise: the frame's bottom-left quadrant is the top left.
  const std::array<QColor, 4> turned = {c[2], c[0], c[3], c[1]};
  const QPoint middles[4] = {{15, 20}, {45, 20}, {15, 60}, {45, 60}};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Near(snapshot.pixelColor(middles[i]), turned[i], 2)) << "quadrant " << i;

  d->SetFrozen(true);
  EXPECT_TRUE(d->Frozen());
  const TDSVideoFrameCounts before = d->FrameCounts();
  TIntf<IVLImageBuffer> solid = SolidFrame(80, 60, Qt::black);
  for (int i = 0; i < 5; ++i) {
    rig.source->Send(solid.get());
    QCoreApplication::sendPostedEvents();
  }
  EXPECT_EQ(d->FrameCounts().received - before.received, 5u);
  EXPECT_EQ(d->FrameCounts().presented, before.presented);
  EXPECT_EQ(d->Snapshot(), snapshot) << "the frozen frame";
  d->SetFrozen(false);
  ASSERT_TRUE(WaitFor([&] { return d->FrameCounts().lastPresented == before.received + 5; }));
  EXPECT_TRUE(Near(d->Snapshot().pixelColor(15, 20), Qt::black, 2));
}

// The boxes among the control's children (a class without its own meta
// object: found by its type).
std::vector<TVLStatusOverlay*> Boxes(QWidget* control) {
  std::vector<TVLStatusOverlay*> boxes;
  for (QObject* child : control->children())
    if (auto* box = dynamic_cast<TVLStatusOverlay*>(child)) boxes.push_back(box);
  return boxes;
}

// The shown box whose text is `text`, or nullptr.
TVLStatusOverlay* Box(QWidget* control, const QString& text) {
  for (TVLStatusOverlay* box : Boxes(control))
    if (box->Text() == text && box->isVisible()) return box;
  return nullptr;
}

TEST_F(DSImageDisplayView, FrozenMarkAndNoteSitInThePicturesTopCorners) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  const QRect picture = rig.Picture();
  d->SetFrozen(true);
  const QString mark = TVLDisplayViewTools::FrozenMark();
  TVLStatusOverlay* frozen = Box(d->Widget(), mark);
  ASSERT_NE(frozen, nullptr);
  EXPECT_TRUE(picture.contains(frozen->geometry()));
  EXPECT_GT(frozen->geometry().center().x(), picture.center().x()) << "on the right";
  EXPECT_LT(frozen->geometry().center().y(), picture.center().y()) << "at the top";

  d->SetInfoText(QStringLiteral("1920 x 1080\n30 fps"));
  TVLStatusOverlay* note = Box(d->Widget(), QStringLiteral("1920 x 1080\n30 fps"));
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(picture.contains(note->geometry()));
  EXPECT_LT(note->geometry().center().x(), picture.center().x()) << "on the left";
  EXPECT_LT(note->geometry().center().y(), picture.center().y()) << "at the top";
  EXPECT_FALSE(note->geometry().intersects(frozen->geometry()));

  // Both follow the picture when it turns.
  d->SetQuarterTurns(1);
  ASSERT_NE(Box(d->Widget(), mark), nullptr);
  EXPECT_TRUE(rig.Picture().contains(Box(d->Widget(), mark)->geometry()));
  d->SetFrozen(false);
  d->SetInfoText({});
  EXPECT_EQ(Box(d->Widget(), mark), nullptr);
  EXPECT_EQ(Boxes(d->Widget()).size(), 2u);
  for (TVLStatusOverlay* box : Boxes(d->Widget())) EXPECT_FALSE(box->isVisible());
}

}  // namespace
}  // namespace lumicar::test::viewtools
