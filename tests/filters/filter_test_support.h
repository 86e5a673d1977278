#pragma once
// The viewer's chain in small (test source -> filter -> recording sink) and
// an independent pixel-by-pixel reference of the mirror.

#include <gtest/gtest.h>

#include <string>

#include "filters/mirror.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {

struct TFilterChain {
  TComponent form;
  TTestFrameSource* source = new TTestFrameSource(&form);
  TTestFrameSink* sink = new TTestFrameSink(&form);

  // Links source -> filter -> sink.
  void Link(TVLCommonFilter* filter) {
    ASSERT_TRUE(source->OutputPin()->Connect(filter->InputPin()));
    ASSERT_TRUE(filter->OutputPin()->Connect(sink->InputPin()));
  }
};

// Compares the picture of out with in flipped about axis (0 rows, 1 columns,
// 2 both), bytesCompared of every pixel; padding is not looked at. Both
// frames are read through their own geometry.
inline ::testing::AssertionResult MirroredOf(TVLImageBuffer& out, TVLImageBuffer& in, int axis, int bytesCompared) {
  if (out.GetWidth() != in.GetWidth() || out.GetHeight() != in.GetHeight())
    return ::testing::AssertionFailure() << "size " << out.GetWidth() << "x" << out.GetHeight() << " vs "
                                         << in.GetWidth() << "x" << in.GetHeight();
  const int w = in.GetWidth(), h = in.GetHeight(), bpp = in.GetBytesPerPixel();
  const uint8_t* src = in.Read();
  const uint8_t* dst = out.Read();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = axis == 0 ? x : w - 1 - x;
      const int sy = axis == 1 ? y : h - 1 - y;
      for (int b = 0; b < bytesCompared; ++b) {
        const uint8_t expected = src[sy * in.GetStep() + sx * bpp + b];
        const uint8_t actual = dst[y * out.GetStep() + x * bpp + b];
        if (expected != actual)
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") byte " << b << ": " << int(actual)
                                               << " instead of " << int(expected);
      }
    }
  return ::testing::AssertionSuccess();
}

}  // namespace lumicar::test
