// The display's layout arithmetic without a window: the documented cases, a
// table over client sizes x frame sizes x aspect modes x Stretch/Proportional/
// Center checked against the formulas written out independently here, the
// background bands, and mouse positions in frame pixels.

#include "display/control/frame_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumicar::test {
namespace {

TFrameLayout Lay(int w, int h, int fw, int fh, TDisplaySize display, bool stretch, bool proportional, bool center,
                 bool designing = false) {
  TFrameLayoutInput in;
  in.clientWidth = w;
  in.clientHeight = h;
  in.hasFrameSize = true;
  in.frameWidth = fw;
  in.frameHeight = fh;
  in.displayWidth = display.width;
  in.displayHeight = display.height;
  in.stretch = stretch;
  in.proportional = proportional;
  in.center = center;
  in.designing = designing;
  return CalcFrameLayout(in);
}

void ExpectPicture(const TFrameLayout& l, int left, int top, int width, int height) {
  EXPECT_EQ(l.imageLeft, left);
  EXPECT_EQ(l.imageTop, top);
  EXPECT_EQ(l.imageWidth, width);
  EXPECT_EQ(l.imageHeight, height);
}

TEST(FrameLayout, DocumentedCases) {
  const TDisplaySize uxga = AspectCorrectedSize(arAuto, 1600, 1200, 1600, 1200);
  EXPECT_EQ(uxga, (TDisplaySize{1600, 1200}));
  ExpectPicture(Lay(640, 480, 1600, 1200, uxga, true, true, true), 0, 0, 640, 480);
  ExpectPicture(Lay(800, 480, 1600, 1200, uxga, true, true, true), 80, 0, 640, 480);
  ExpectPicture(Lay(640, 600, 1600, 1200, uxga, true, true, true), 0, 60, 640, 480);
  // Stretched without proportions: the client area, never offset.
  ExpectPicture(Lay(800, 480, 1600, 1200, uxga, true, false, true), 0, 0, 800, 480);
  ExpectPicture(Lay(800, 480, 1600, 1200, uxga, true, false, false), 0, 0, 800, 480);
  // Natural size larger than the client, centred: negative offsets.
  ExpectPicture(Lay(320, 240, 640, 480, {640, 480}, false, true, true), -160, -120, 640, 480);
  ExpectPicture(Lay(320, 240, 640, 480, {640, 480}, false, true, false), 0, 0, 640, 480);
  EXPECT_EQ(AspectCorrectedSize(arCustom, 720, 576, 4, 3), (TDisplaySize{720, 540}));
  EXPECT_EQ(AspectCorrectedSize(arCustom, 480, 640, 4, 3), (TDisplaySize{853, 640}));
  EXPECT_EQ(AspectCorrectedSize(arNone, 480, 640, 4, 3), (TDisplaySize{480, 640}));
}

TEST(FrameLayout, RoundingTiesGoToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  // Width 5 (and 7) over a 2:1 picture gives heights of 2.5 (and 3.5) pixels.
  EXPECT_EQ(Lay(5, 5, 2, 1, {2, 1}, true, true, false).imageHeight, 2);
  EXPECT_EQ(Lay(7, 7, 2, 1, {2, 1}, true, true, false).imageHeight, 4);
  // Out of range and NaN never reach an undefined conversion.
  EXPECT_EQ(RoundHalfEven(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(FrameLayout, ZeroSizesGiveAnEmptyPictureWithoutDividing) {
  for (bool proportional : {false, true}) {
    // Proportional pictures are centred (an empty one in the middle); the others never move.
    const int half = proportional ? 1 : 0;
    ExpectPicture(Lay(0, 0, 640, 480, {640, 480}, true, proportional, true), 0, 0, 0, 0);
    ExpectPicture(Lay(640, 480, 0, 0, {0, 0}, true, proportional, true), 320 * half, 240 * half, 0, 0);
    ExpectPicture(Lay(640, 0, 640, 480, {640, 480}, true, proportional, true), 320 * half, 0, 0, 0);
  }
  // A zero reference gives a zero display side, and so an empty stretched picture.
  EXPECT_EQ(AspectCorrectedSize(arCustom, 640, 480, 0, 3), (TDisplaySize{640, 0}));
  EXPECT_EQ(AspectCorrectedSize(arCustom, 480, 640, 4, 0), (TDisplaySize{0, 640}));
  ExpectPicture(Lay(320, 240, 640, 480, {640, 0}, true, true, true), 160, 120, 0, 0);
  // Without a frame size the client area is the picture.
  TFrameLayoutInput none;
  none.clientWidth = 300;
  none.clientHeight = 200;
  none.stretch = true;
  const TFrameLayout l = CalcFrameLayout(none);
  ExpectPicture(l, 0, 0, 300, 200);
  EXPECT_EQ(l.sourceWidth, 300);
  EXPECT_EQ(l.sourceHeight, 200);
}

TEST(FrameLayout, HugeValuesSaturateInsteadOfOverflowing) {
  // A reference of 4e9 : 1 does not wrap round to a negative display size.
  EXPECT_EQ(AspectCorrectedSize(arCustom, 480, 640, 4000000000LL, 1).width, std::numeric_limits<int32_t>::max());
  // 100 - (-2^31) leaves the 32-bit range before it is halved.
  const TFrameLayout l = Lay(100, 100, 1, 1, {std::numeric_limits<int32_t>::min(), 1}, false, true, true);
  EXPECT_EQ(l.imageLeft, 1073741874);
  EXPECT_EQ(ImageCoordinate(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 1 << 30, 1),
            std::numeric_limits<int32_t>::max());
}

// ---- The table ----

struct TOracle {
  int left, top, width, height;
};

// The layout written out again from the formulas: aspect correction with 64-bit
// products truncated toward zero, rounding by the current (nearest-even) mode.
TOracle Expected(int w, int h, int fw, int fh, TVLAspectRatioMode mode, long long rw, long long rh, bool stretch,
                 bool proportional, bool center) {
  long long dw = fw;
  long long dh = fh;
  if (mode != arNone) {
    if (fh < fw) {
      dh = rw == 0 ? 0 : static_cast<long long>(fw) * rh / rw;
    } else {
      dw = rh == 0 ? 0 : static_cast<long long>(fh) * rw / rh;
    }
  }
  TOracle o{0, 0, static_cast<int>(dw), static_cast<int>(dh)};
  if (stretch) {
    if (w == 0 || h == 0 || dw == 0 || dh == 0) {
      o.width = o.height = 0;
    } else if (proportional) {
      const double clientRatio = double(w) / double(h);
      const double pictureRatio = double(dw) / double(dh);
      if (pictureRatio >= clientRatio) {
        o.width = w;
        o.height = static_cast<int>(std::nearbyint(double(w) / pictureRatio));
      } else {
        o.width = static_cast<int>(std::nearbyint(double(h) * pictureRatio));
        o.height = h;
      }
    } else {
      o.width = w;
      o.height = h;
    }
  }
  if ((!stretch || proportional) && center) {
    o.left = (w - o.width) / 2;
    o.top = (h - o.height) / 2;
  }
  return o;
}

struct TAspectCase {
  TVLAspectRatioMode mode;
  long long width;  // 0 with arAuto: the frame's own size
  long long height;
};

TEST(FrameLayout, TableOverClientsFramesModesAndSwitches) {
  const std::vector<std::pair<int, int>> clients = {
      {0, 0},     {0, 480},   {640, 0},   {1, 1},     {3, 2},      {5, 7},       {239, 200},   {240, 200}, {320, 240},
      {640, 480}, {641, 481}, {800, 480}, {640, 600}, {1024, 768}, {1920, 1080}, {1080, 1920}, {333, 999}};
  const std::vector<std::pair<int, int>> frames = {{0, 0},       {0, 480},     {640, 0},   {1, 1},     {2, 1},
                                                   {1, 3},       {160, 120},   {320, 240}, {720, 576}, {480, 640},
                                                   {1600, 1200}, {1920, 1080}, {5, 4},     {7, 5}};
  const std::vector<TAspectCase> aspects = {{arNone, 0, 0},   {arAuto, 0, 0},   {arAuto, 16, 9},
                                            {arCustom, 4, 3}, {arCustom, 0, 3}, {arCustom, 5, 0}};
  int cases = 0;
  for (const auto& [w, h] : clients) {
    for (const auto& [fw, fh] : frames) {
      for (const TAspectCase& a : aspects) {
        const long long rw = a.mode == arAuto && a.width == 0 ? fw : a.width;
        const long long rh = a.mode == arAuto && a.width == 0 ? fh : a.height;
        const TDisplaySize display = AspectCorrectedSize(a.mode, fw, fh, rw, rh);
        for (int bits = 0; bits < 8; ++bits) {
          const bool stretch = bits & 1;
          const bool proportional = bits & 2;
          const bool center = bits & 4;
          const TFrameLayout got = Lay(w, h, fw, fh, display, stretch, proportional, center);
          const TOracle want = Expected(w, h, fw, fh, a.mode, rw, rh, stretch, proportional, center);
          ++cases;
          const bool same = got.imageLeft == want.left && got.imageTop == want.top && got.imageWidth == want.width &&
                            got.imageHeight == want.height && got.sourceWidth == fw && got.sourceHeight == fh;
          ASSERT_TRUE(same) << "client " << w << "x" << h << " frame " << fw << "x" << fh << " mode " << a.mode
                            << " ref " << rw << ":" << rh << " stretch " << stretch << " prop " << proportional
                            << " center " << center << ": got (" << got.imageLeft << "," << got.imageTop << ") "
                            << got.imageWidth << "x" << got.imageHeight << ", want (" << want.left << "," << want.top
                            << ") " << want.width << "x" << want.height;
          // A proportional fit never leaves the client area.
          if (stretch && proportional) {
            EXPECT_LE(got.imageWidth, w);
            EXPECT_LE(got.imageHeight, h);
          }
        }
      }
    }
  }
  EXPECT_EQ(cases, 17 * 14 * 6 * 8);
}

// ---- Bands ----

// Counts, for every pixel of the control, how many of the bands and the picture
// cover it.
std::vector<int> Coverage(const TFrameLayout& l, int cw, int ch) {
  std::vector<int> count(static_cast<size_t>(cw * ch), 0);
  auto add = [&](int left, int top, int right, int bottom) {
    for (int y = std::max(top, 0); y < std::min(bottom, ch); ++y)
      for (int x = std::max(left, 0); x < std::min(right, cw); ++x) ++count[static_cast<size_t>(y * cw + x)];
  };
  for (const TBand& b : BackgroundBands(l, cw, ch))
    if (!b.IsEmpty()) add(b.left, b.top, b.right, b.bottom);
  add(l.imageLeft, l.imageTop, l.imageLeft + l.imageWidth, l.imageTop + l.imageHeight);
  return count;
}

TEST(FrameLayout, BandsAndPictureCoverTheClientExactlyOnce) {
  const std::vector<std::pair<int, int>> clients = {{40, 30}, {41, 17}, {17, 41}, {1, 1}, {0, 0}, {12, 12}};
  const std::vector<std::pair<int, int>> frames = {{16, 9}, {9, 16}, {80, 60}, {3, 3}, {0, 0}};
  for (const auto& [w, h] : clients)
    for (const auto& [fw, fh] : frames)
      for (int bits = 0; bits < 8; ++bits) {
        const TFrameLayout l = Lay(w, h, fw, fh, {fw, fh}, bits & 1, bits & 2, bits & 4);
        const std::vector<int> count = Coverage(l, w, h);
        for (size_t i = 0; i < count.size(); ++i)
          ASSERT_EQ(count[i], 1) << "pixel " << i << " of " << w << "x" << h << ", frame " << fw << "x" << fh
                                 << ", switches " << bits;
      }
}

TEST(FrameLayout, DesignModeLeavesTheOneBorderPixelOut) {
  const TFrameLayout l = Lay(20, 10, 4, 2, {4, 2}, true, true, true, /*designing=*/true);
  EXPECT_EQ(l.designBorder, 1);
  ExpectPicture(l, 0, 0, 20, 10);
  EXPECT_EQ(l.borderInsetX, 1);
  EXPECT_EQ(l.borderInsetY, 1);
  const auto bands = BackgroundBands(l, 20, 10);
  EXPECT_EQ(bands[0], (TBand{1, 1, 20, 0}));
  EXPECT_EQ(bands[2], (TBand{0, 10, 18, 8}));
  const TFrameLayout centred = Lay(20, 10, 2, 2, {2, 2}, true, true, true, true);
  EXPECT_EQ(centred.imageLeft, 5);
  EXPECT_EQ(centred.borderInsetX, 0);
  EXPECT_EQ(centred.borderInsetY, 1);
}

TEST(FrameLayout, MousePositionsInFramePixels) {
  // 640 x 480 frames in a picture of 320 x 240 at (80, 0).
  EXPECT_EQ(ImageCoordinate(80, 80, 640, 320), 0);
  EXPECT_EQ(ImageCoordinate(81, 80, 640, 320), 2);
  EXPECT_EQ(ImageCoordinate(399, 80, 640, 320), 638);
  // Ten pixels left of the picture: outside the frame, truncated toward zero.
  EXPECT_EQ(ImageCoordinate(70, 80, 640, 320), -20);
  EXPECT_EQ(ImageCoordinate(79, 80, 3, 4), 0);
  EXPECT_EQ(ImageCoordinate(77, 80, 3, 4), -2);
  EXPECT_EQ(ImageCoordinate(10, 0, 640, 0), 0);
}

}  // namespace
}  // namespace lumicar::test
