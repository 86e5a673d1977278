#include "dsbase/render/video_view.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

namespace lumicar {

namespace {

double ClampedZoom(double zoom) {
  if (!std::isfinite(zoom)) return zoom > 0 ? TDSVideoView::kMaxZoom : TDSVideoView::kMinZoom;
  return std::clamp(zoom, TDSVideoView::kMinZoom, TDSVideoView::kMaxZoom);
}

// A centre coordinate that keeps an area of side `side` inside 0..1.
double ClampedCentre(double centre, double side) {
  const double half = side / 2;
  if (!std::isfinite(centre)) return 0.5;
  return std::clamp(centre, half, 1 - half);
}

double Unit(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.5; }

}  // namespace

int DSQuarterTurns(int turns) { return ((turns % 4) + 4) % 4; }

TDSVideoView DSClampedView(TDSVideoView view) {
  view.zoom = ClampedZoom(view.zoom);
  const double side = 1 / view.zoom;
  view.centre = QPointF(ClampedCentre(view.centre.x(), side), ClampedCentre(view.centre.y(), side));
  view.quarterTurns = DSQuarterTurns(view.quarterTurns);
  return view;
}

QRectF DSShownArea(const TDSVideoView& view) {
  const TDSVideoView v = DSClampedView(view);
  const double side = 1 / v.zoom;
  return QRectF(v.centre.x() - side / 2, v.centre.y() - side / 2, side, side);
}

TDSVideoView DSZoomedAbout(const TDSVideoView& view, QPointF windowPoint, double factor) {
  TDSVideoView v = DSClampedView(view);
  if (!std::isfinite(factor) || factor <= 0) return v;
  const QRectF area = DSShownArea(v);
  const QPointF at(Unit(windowPoint.x()), Unit(windowPoint.y()));
  const QPointF picturePoint(area.left() + at.x() * area.width(), area.top() + at.y() * area.height());
  v.zoom = ClampedZoom(v.zoom * factor);
  const double side = 1 / v.zoom;
  v.centre = QPointF(picturePoint.x() + (0.5 - at.x()) * side, picturePoint.y() + (0.5 - at.y()) * side);
  return DSClampedView(v);
}

TDSVideoView DSPannedBy(const TDSVideoView& view, QPointF windowDelta) {
  TDSVideoView v = DSClampedView(view);
  if (!std::isfinite(windowDelta.x()) || !std::isfinite(windowDelta.y())) return v;
  // The picture follows the pointer: the area shown moves the other way.
  v.centre -= windowDelta / v.zoom;
  return DSClampedView(v);
}

TDSVideoView DSResetView(const TDSVideoView& view) {
  TDSVideoView v = DSClampedView(view);
  v.zoom = TDSVideoView::kMinZoom;
  v.centre = QPointF(0.5, 0.5);
  return v;
}

QPointF DSFramePoint(QPointF shown, int turns) {
  const double u = shown.x();
  const double v = shown.y();
  switch (DSQuarterTurns(turns)) {
    case 1:  // the frame's left column is the top row, read from the bottom up
      return QPointF(v, 1 - u);
    case 2:
      return QPointF(1 - u, 1 - v);
    case 3:  // the frame's right column is the top row, read downwards
      return QPointF(1 - v, u);
    default:
      return shown;
  }
}

QSize DSTurnedSize(QSize frame, int turns) { return DSQuarterTurns(turns) % 2 ? frame.transposed() : frame; }

TDSViewDrawing DSViewDrawing(const TDSVideoView& view, QSize frame, QSizeF window) {
  const TDSVideoView v = DSClampedView(view);
  const QRectF area = DSShownArea(v);
  const QRectF inFrame =
      QRectF(DSFramePoint(area.topLeft(), v.quarterTurns), DSFramePoint(area.bottomRight(), v.quarterTurns))
          .normalized();
  TDSViewDrawing drawing;
  drawing.source = QRectF(inFrame.left() * frame.width(), inFrame.top() * frame.height(),
                          inFrame.width() * frame.width(), inFrame.height() * frame.height());
  const QSizeF turned = v.quarterTurns % 2 ? window.transposed() : window;
  drawing.target = QRectF(QPointF(-turned.width() / 2, -turned.height() / 2), turned);
  drawing.degrees = 90 * v.quarterTurns;
  return drawing;
}

QImage DSTurnedImage(const QImage& picture, int turns) {
  const int t = DSQuarterTurns(turns);
  if (t == 0 || picture.isNull()) return picture;
  // Whole quarter turns are taken by Qt's pixel-exact rotations, not resampled.
  return picture.transformed(QTransform().rotate(90.0 * t));
}

}  // namespace lumicar
