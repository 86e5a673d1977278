// The view arithmetic of the video window: zooming about a point keeps that
// point, zoom and pan stay within the picture, every quarter turn maps the
// corners where a clockwise turn puts them, a reset keeps turn and freeze,
// and a turned image has its corner pixels where the turn puts them.

#include "dsbase/render/video_view.h"

#include <gtest/gtest.h>

#include <QColor>
#include <array>
#include <cmath>
#include <limits>
#include <random>

namespace lumicar {
namespace {

constexpr double kEps = 1e-9;

// The picture point (normalised, shown picture) under a window point.
QPointF PictureUnder(const TDSVideoView& view, QPointF windowPoint) {
  const QRectF area = DSShownArea(view);
  return QPointF(area.left() + windowPoint.x() * area.width(), area.top() + windowPoint.y() * area.height());
}

bool Inside(const QRectF& area) {
  return area.left() >= -kEps && area.top() >= -kEps && area.right() <= 1 + kEps && area.bottom() <= 1 + kEps;
}

TEST(VideoView, ZoomingAboutAPointKeepsThatPicturePointUnderIt) {
  TDSVideoView view;
  const QPointF pointer(0.3, 0.6);
  for (int notch = 0; notch < 6; ++notch) {
    const QPointF before = PictureUnder(view, pointer);
    view = DSZoomedAbout(view, pointer, 1.25);
    const QPointF after = PictureUnder(view, pointer);
    EXPECT_NEAR(after.x(), before.x(), kEps) << "notch " << notch;
    EXPECT_NEAR(after.y(), before.y(), kEps) << "notch " << notch;
  }
  EXPECT_NEAR(view.zoom, std::pow(1.25, 6), 1e-9);
  // And back out: the same point stays under the pointer on the way down.
  const QPointF before = PictureUnder(view, pointer);
  view = DSZoomedAbout(view, pointer, 1 / 1.25);
  EXPECT_NEAR(PictureUnder(view, pointer).x(), before.x(), kEps);
  EXPECT_NEAR(PictureUnder(view, pointer).y(), before.y(), kEps);
}

TEST(VideoView, ZoomIsClampedToOneAndEight) {
  TDSVideoView view;
  view = DSZoomedAbout(view, QPointF(0.5, 0.5), 100);
  EXPECT_EQ(view.zoom, TDSVideoView::kMaxZoom);
  view = DSZoomedAbout(view, QPointF(0.5, 0.5), 1e-6);
  EXPECT_EQ(view.zoom, TDSVideoView::kMinZoom);
  EXPECT_EQ(DSShownArea(view), QRectF(0, 0, 1, 1));
  // Nonsense factors and zooms never give an invalid view.
  for (double factor : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_EQ(DSZoomedAbout(view, QPointF(0.5, 0.5), factor).zoom, TDSVideoView::kMinZoom) << factor;
  TDSVideoView odd;
  odd.zoom = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(DSClampedView(odd).zoom, TDSVideoView::kMinZoom);
  odd.zoom = 0.2;
  EXPECT_EQ(DSClampedView(odd).zoom, TDSVideoView::kMinZoom);
  odd.zoom = 50;
  EXPECT_EQ(DSClampedView(odd).zoom, TDSVideoView::kMaxZoom);
}

TEST(VideoView, PanNeverShowsOutsideThePicture) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> delta(-1.5, 1.5), zoomFactor(0.5, 2.0), unit(0, 1);
  TDSVideoView view;
  for (int step = 0; step < 500; ++step) {
    if (step % 3 == 0)
      view = DSZoomedAbout(view, QPointF(unit(random), unit(random)), zoomFactor(random));
    else
      view = DSPannedBy(view, QPointF(delta(random), delta(random)));
    ASSERT_TRUE(Inside(DSShownArea(view))) << "step " << step;
  }
  EXPECT_EQ(DSPannedBy(TDSVideoView{}, QPointF(0.2, 0.1)), TDSVideoView{}) << "nothing to move at zoom 1";
  // Zooming about a corner shows that corner.
  view = DSZoomedAbout(TDSVideoView{}, QPointF(1, 1), 4);
  EXPECT_NEAR(DSShownArea(view).right(), 1, kEps);
  EXPECT_NEAR(DSShownArea(view).bottom(), 1, kEps);
}

TEST(VideoView, QuarterTurnsAreTakenModuloFour) {
  for (int turns = -9; turns <= 9; ++turns) {
    const int t = DSQuarterTurns(turns);
    EXPECT_GE(t, 0);
    EXPECT_LT(t, 4);
    EXPECT_EQ((turns - t) % 4, 0) << turns;
  }
  EXPECT_EQ(DSQuarterTurns(std::numeric_limits<int>::min()), 0);
  EXPECT_EQ(DSTurnedSize(QSize(640, 480), 1), QSize(480, 640));
  EXPECT_EQ(DSTurnedSize(QSize(640, 480), -2), QSize(640, 480));
}

TEST(VideoView, EachTurnMapsTheCornersClockwise) {
  // The frame's corners: top left, top right, bottom right, bottom left, in
  // clockwise order. A clockwise quarter turn puts each corner where the
  // next one was: the shown top-left corner shows the corner before it.
  const QPointF corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int turns = 0; turns < 4; ++turns)
    for (int shown = 0; shown < 4; ++shown)
      EXPECT_EQ(DSFramePoint(corners[shown], turns), corners[(shown - turns + 4) % 4])
          << turns << " turns, shown corner " << shown;
  EXPECT_EQ(DSFramePoint(QPointF(0.2, 0.7), 4), QPointF(0.2, 0.7)) << "four turns are none";
}

TEST(VideoView, ResetKeepsTurnAndFreeze) {
  TDSVideoView view;
  view.quarterTurns = 3;
  view.frozen = true;
  view = DSPannedBy(DSZoomedAbout(view, QPointF(0.1, 0.9), 3), QPointF(0.3, 0.3));
  const TDSVideoView reset = DSResetView(view);
  EXPECT_EQ(reset.zoom, 1);
  EXPECT_EQ(reset.centre, QPointF(0.5, 0.5));
  EXPECT_EQ(reset.quarterTurns, 3);
  EXPECT_TRUE(reset.frozen);
}

TEST(VideoView, DrawingReadsTheShownPartOfTheFrame) {
  // A 400x200 frame turned once, the shown top-left quarter at zoom 2: the
  // turned picture's top-left quarter is the frame's bottom-left quarter.
  TDSVideoView view;
  view.quarterTurns = 1;
  view.zoom = 2;
  view.centre = QPointF(0.25, 0.25);
  const TDSViewDrawing drawing = DSViewDrawing(view, QSize(400, 200), QSizeF(100, 200));
  EXPECT_EQ(drawing.source, QRectF(0, 100, 200, 100));
  EXPECT_EQ(drawing.degrees, 90);
  // The target lies on the turned axes, centred: the window's sides swapped.
  EXPECT_EQ(drawing.target, QRectF(-100, -50, 200, 100));
  const TDSViewDrawing plain = DSViewDrawing(TDSVideoView{}, QSize(400, 200), QSizeF(80, 40));
  EXPECT_EQ(plain.source, QRectF(0, 0, 400, 200));
  EXPECT_EQ(plain.target, QRectF(-40, -20, 80, 40));
}

TEST(VideoView, TurnedImageMovesEachCornerPixelClockwise) {
  QImage picture(5, 3, QImage::Format_RGB32);
  picture.fill(Qt::black);
  const QColor marks[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};  // clockwise from top left
  auto cornersOf = [](QSize size) {
    return std::array<QPoint, 4>{QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(size.width() - 1, size.height() - 1),
                                 QPoint(0, size.height() - 1)};
  };
  const auto frameCorners = cornersOf(picture.size());
  for (int i = 0; i < 4; ++i) picture.setPixelColor(frameCorners[i], marks[i]);
  for (int turns = -1; turns < 5; ++turns) {
    const QImage turned = DSTurnedImage(picture, turns);
    const int t = DSQuarterTurns(turns);
    ASSERT_EQ(turned.size(), DSTurnedSize(picture.size(), turns));
    const auto shownCorners = cornersOf(turned.size());
    for (int shown = 0; shown < 4; ++shown)
      EXPECT_EQ(turned.pixelColor(shownCorners[shown]), marks[(shown - t + 4) % 4])
          << turns << " turns, corner " << shown;
  }
}

}  // namespace
}  // namespace lumicar
