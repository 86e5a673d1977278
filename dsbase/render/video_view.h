#pragma once
// How the video window looks at its picture: magnified about a point of it,
// moved, turned by quarter turns, or held still. Pure arithmetic, free of any
// window, shared by both surfaces and the display that steers them.
//
// Two coordinate systems are used, both normalised to 0..1 with y down:
// - the shown picture: the frame after the quarter turns, as wide and high
//   as it is drawn (its width and height swapped for an odd number of turns);
// - the frame: the frame as it arrives (its top row at y = 0).

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

namespace lumicar {

struct TDSVideoView {
  static constexpr double kMinZoom = 1.0;
  static constexpr double kMaxZoom = 8.0;

  double zoom = kMinZoom;    // 1 shows the whole picture
  QPointF centre{0.5, 0.5};  // of the shown area, in the shown picture
  int quarterTurns = 0;      // clockwise, 0..3
  bool frozen = false;       // the picture shown stays while frames arrive

  friend bool operator==(const TDSVideoView&, const TDSVideoView&) = default;
};

// `turns` taken modulo 4, negative ones too (-1 is 3).
int DSQuarterTurns(int turns);

// The view made valid: zoom within [kMinZoom, kMaxZoom] (NaN gives 1), the
// shown area inside the picture, the turns modulo 4.
TDSVideoView DSClampedView(TDSVideoView view);

// The part of the shown picture that fills the window: a square of side
// 1/zoom in normalised coordinates (the window's aspect is the picture's).
QRectF DSShownArea(const TDSVideoView& view);

// The zoom multiplied by `factor` (clamped), keeping the picture point under
// `windowPoint` (0..1 across the window) where it is, as far as the clamping
// of the shown area allows.
TDSVideoView DSZoomedAbout(const TDSVideoView& view, QPointF windowPoint, double factor);

// The picture moved with the pointer by `windowDelta` (fractions of the
// window), kept inside the picture; nothing at zoom 1.
TDSVideoView DSPannedBy(const TDSVideoView& view, QPointF windowDelta);

// Zoom 1 and no pan; the turns and the freeze stay.
TDSVideoView DSResetView(const TDSVideoView& view);

// The frame point (normalised) shown at `shown`, a normalised point of the
// picture turned clockwise by `turns` quarter turns.
QPointF DSFramePoint(QPointF shown, int turns);

// The size of the picture after `turns` quarter turns.
QSize DSTurnedSize(QSize frame, int turns);

// What a surface draws for one paint: the part of the frame to read, in frame
// pixels, into `target`, which is given in a painter's coordinates after it
// was moved to the window's centre and rotated clockwise by 90 * turns
// degrees. One scaled draw, no copy of the frame.
struct TDSViewDrawing {
  QRectF source;
  QRectF target;
  int degrees = 0;
};
TDSViewDrawing DSViewDrawing(const TDSVideoView& view, QSize frame, QSizeF window);

// The picture turned clockwise by `turns` quarter turns (pixel exact).
QImage DSTurnedImage(const QImage& picture, int turns);

}  // namespace lumicar
