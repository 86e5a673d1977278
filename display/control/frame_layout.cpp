#include "display/control/frame_layout.h"

#include <cmath>
#include <limits>

namespace lumicar {

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t value) {
  if (value < kMin32) return static_cast<int32_t>(kMin32);
  if (value > kMax32) return static_cast<int32_t>(kMax32);
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(kMin32)) return static_cast<int32_t>(kMin32);
  if (value >= static_cast<double>(kMax32)) return static_cast<int32_t>(kMax32);
  const double down = std::floor(value);
  const double fraction = value - down;
  double result = down;
  if (fraction > 0.5) {
    result = down + 1.0;
  } else if (fraction == 0.5) {
    // A tie: take the even neighbour.
    result = std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
  }
  return static_cast<int32_t>(result);
}

TFrameLayout CalcFrameLayout(const TFrameLayoutInput& in) {
  TFrameLayout out;
  out.designBorder = in.designing ? 1 : 0;
  const int32_t w = in.clientWidth;
  const int32_t h = in.clientHeight;
  int32_t dw = w;
  int32_t dh = h;
  if (in.hasFrameSize) {
    out.sourceWidth = in.frameWidth;
    out.sourceHeight = in.frameHeight;
    dw = in.displayWidth;
    dh = in.displayHeight;
  } else {
    out.sourceWidth = w;
    out.sourceHeight = h;
  }

  if (in.stretch) {
    if (w == 0 || h == 0 || dw == 0 || dh == 0) {
      out.imageWidth = 0;
      out.imageHeight = 0;
    } else if (in.proportional) {
      const double rc = static_cast<double>(w) / static_cast<double>(h);
      const double ri = static_cast<double>(dw) / static_cast<double>(dh);
      if (ri >= rc) {
        out.imageWidth = w;
        out.imageHeight = RoundHalfEven(static_cast<double>(w) / ri);
      } else {
        out.imageWidth = RoundHalfEven(static_cast<double>(h) * ri);
        out.imageHeight = h;
      }
    } else {
      out.imageWidth = w;
      out.imageHeight = h;
    }
  } else {
    out.imageWidth = dw;
    out.imageHeight = dh;
  }

  if ((!in.stretch || in.proportional) && in.center) {
    // Differences of two 32-bit values can leave the 32-bit range; C++ division
    // truncates toward zero as required.
    out.imageLeft = Saturate((static_cast<int64_t>(w) - out.imageWidth) / 2);
    out.imageTop = Saturate((static_cast<int64_t>(h) - out.imageHeight) / 2);
  }
  out.borderInsetX = out.imageLeft > 0 ? 0 : out.designBorder;
  out.borderInsetY = out.imageTop > 0 ? 0 : out.designBorder;
  return out;
}

TDisplaySize AspectCorrectedSize(TVLAspectRatioMode mode, int32_t frameWidth, int32_t frameHeight, int64_t refWidth,
                                 int64_t refHeight) {
  if (mode == arNone) return {frameWidth, frameHeight};
  if (frameHeight < frameWidth) {
    if (refWidth == 0) return {frameWidth, 0};
    return {frameWidth, Saturate(static_cast<int64_t>(frameWidth) * refHeight / refWidth)};
  }
  if (refHeight == 0) return {0, frameHeight};
  return {Saturate(static_cast<int64_t>(frameHeight) * refWidth / refHeight), frameHeight};
}

std::array<TBand, 4> BackgroundBands(const TFrameLayout& layout, int32_t controlWidth, int32_t controlHeight) {
  // Sums of 32-bit values are formed in 64 bits and saturated, so that a huge
  // picture offset cannot wrap round into a band on the wrong side.
  const int64_t b = layout.designBorder;
  const int64_t l = layout.imageLeft;
  const int64_t t = layout.imageTop;
  const int64_t cw = controlWidth;
  const int64_t ch = controlHeight;
  const int64_t pictureRight = l + layout.imageWidth;
  const int64_t pictureBottom = t + layout.imageHeight;
  auto band = [](int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return TBand{Saturate(left), Saturate(top), Saturate(right), Saturate(bottom)};
  };
  return {band(b, b, cw, t),                                  // top
          band(b, t, l, ch),                                  // left
          band(l, pictureBottom, cw - 2 * b, ch - 2 * b),     // bottom
          band(pictureRight, t, cw - 2 * b, pictureBottom)};  // right
}

int32_t ImageCoordinate(int32_t position, int32_t offset, int32_t frameSize, int32_t extent) {
  if (extent == 0) return 0;
  return Saturate((static_cast<int64_t>(position) - offset) * frameSize / extent);
}

}  // namespace lumicar
