#pragma once
// The arithmetic of a display, free of any window: where and how large the
// picture is drawn in the client area, the aspect-corrected size of a frame,
// the background bands around the picture, and mouse positions in frame pixels.

#include <array>
#include <cstdint>

#include "display/control/display_ratio_mode.h"

namespace lumicar {

struct TFrameLayoutInput {
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  bool hasFrameSize = false;
  int32_t frameWidth = 0;  // used when hasFrameSize
  int32_t frameHeight = 0;
  int32_t displayWidth = 0;  // the frame's display size (aspect-corrected), when hasFrameSize
  int32_t displayHeight = 0;
  bool stretch = false;
  bool proportional = true;
  bool center = true;
  bool designing = false;
};

struct TFrameLayout {
  int32_t imageLeft = 0;  // may be negative: a picture larger than the client is centred
  int32_t imageTop = 0;
  int32_t designBorder = 0;
  int32_t sourceWidth = 0;  // frame size when known, else the client size
  int32_t sourceHeight = 0;
  int32_t imageWidth = 0;  // 0 when nothing can be shown
  int32_t imageHeight = 0;
  int32_t borderInsetX = 0;
  int32_t borderInsetY = 0;

  friend bool operator==(const TFrameLayout&, const TFrameLayout&) = default;
};

// Round to nearest, ties to even (2.5 gives 2, 3.5 gives 4), independent of the
// floating-point rounding mode. Values beyond the 32-bit range saturate and NaN
// gives 0, so nonsense sizes never reach an undefined conversion.
int32_t RoundHalfEven(double value);

// Stretched pictures fill the client area, proportionally or not; unstretched
// ones keep their natural size. Any zero among the client and display sizes
// gives an empty stretched picture rather than a division by zero.
TFrameLayout CalcFrameLayout(const TFrameLayoutInput& in);

struct TDisplaySize {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const TDisplaySize&, const TDisplaySize&) = default;
};

// The size a frame is shown at before stretching: the longer side keeps its
// length, the other follows the reference proportions (refWidth : refHeight);
// a zero reference side gives a zero display side. arNone keeps the frame size.
// Computed in 64 bits and saturated, so large references cannot overflow.
TDisplaySize AspectCorrectedSize(TVLAspectRatioMode mode, int32_t frameWidth, int32_t frameHeight, int64_t refWidth,
                                 int64_t refHeight);

// One background band, (left, top)-(right, bottom), right and bottom exclusive.
// Empty or inverted bands paint nothing.
struct TBand {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const TBand&, const TBand&) = default;
};

// Top, left, bottom and right band around the picture in a control of that size.
std::array<TBand, 4> BackgroundBands(const TFrameLayout& layout, int32_t controlWidth, int32_t controlHeight);

// A control coordinate in frame pixels: (position - offset) * frameSize / extent,
// truncating toward zero; positions outside the picture give coordinates outside
// the frame. An extent of 0 gives 0 instead of a division by zero.
int32_t ImageCoordinate(int32_t position, int32_t offset, int32_t frameSize, int32_t extent);

}  // namespace lumicar
