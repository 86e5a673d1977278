// The fused 4:2:2 to RGB24 flips against the chain they replace and against the reference loops, on every
// instruction set: every axis, both layouts, odd widths, padded rows on both sides, and the argument contract.

#include <array>
#include <vector>

#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/fused_yuv422_to_bgr24_mirror.h"
#include "kernels/memory_ops.h"
#include "kernels/mirror.h"
#include "testing/kernels/reference_kernels.h"
#include "tests/kernels/kernel_test_support.h"

namespace lumicar {
namespace {

using test::Frame;

constexpr std::array<IppiAxis, 3> kAxes = {ippAxsHorizontal, ippAxsVertical, ippAxsBoth};

// The reference loops' picture: YUY2 decoded, red and blue exchanged (frames store blue first), then flipped.
Frame ReferenceFlip(const Frame& yuy2, int dst_pad, const Frame& initial, int axis) {
  const int w = yuy2.width, h = yuy2.height;
  Frame rgb(w, h, 3), bgr(w, h, 3);
  reference::Yuy2ToRgb(yuy2.data(), yuy2.step, rgb.data(), rgb.step, w, h);
  const int order[3] = {2, 1, 0};
  reference::SwapChannels(rgb.data(), rgb.step, bgr.data(), bgr.step, w, h, 3, order);
  Frame out = initial;
  EXPECT_EQ(out.step, 3 * w + dst_pad);
  reference::Mirror(bgr.data(), bgr.step, out.data(), out.step, w, h, 3, 3, axis);
  return out;
}

// Source rows longer than their pixels (stride past the row) and destination rows with padding that starts as
// random bytes and must come out unchanged.
TEST(Yuv422MirrorKernels, EqualTheChainAndTheReferenceOnEveryAxisAndTarget) {
  for (int width : {1, 2, 3, 7, 33, 641, 1598}) {
    for (int height : {1, 4, 5}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height);
      constexpr int kSrcPad = 6, kDstPad = 5;
      Frame yuy2(width, height, 2, kSrcPad);
      test::FillRandom(yuy2, static_cast<uint32_t>(width * 7 + height));
      Frame uyvy(width, height, 2, kSrcPad);
      reference::SwapBytes16(yuy2.data(), uyvy.data(), static_cast<int>(yuy2.bytes.size() / 2));
      Frame initial(width, height, 3, kDstPad);
      test::FillRandom(initial, static_cast<uint32_t>(width + 3 * height));
      for (IppiAxis axis : kAxes) {
        SCOPED_TRACE(testing::Message() << "axis " << int(axis));
        const Frame expected = ReferenceFlip(yuy2, kDstPad, initial, axis);
        test::ForEachTarget([&] {
          // The chain the fused kernel replaces: conversion into a temporary, then the flip.
          Frame temp(width, height, 3), chain = initial;
          ASSERT_EQ(builtin::fused_yuy2_to_bgr24(yuy2.data(), yuy2.step, temp.data(), temp.step, {width, height}), 0);
          ASSERT_EQ(builtin::ippiMirror_8u_C3R(temp.data(), temp.step, chain.data(), chain.step, {width, height}, axis),
                    0);
          EXPECT_EQ(chain.bytes, expected.bytes);

          Frame fused = initial;
          ASSERT_EQ(builtin::fused_yuy2_to_bgr24_mirror(yuy2.data(), yuy2.step, fused.data(), fused.step,
                                                        {width, height}, axis),
                    0);
          EXPECT_EQ(fused.bytes, expected.bytes);
          Frame from_uyvy = initial;
          ASSERT_EQ(builtin::fused_uyvy_to_bgr24_mirror(uyvy.data(), uyvy.step, from_uyvy.data(), from_uyvy.step,
                                                        {width, height}, axis),
                    0);
          EXPECT_EQ(from_uyvy.bytes, expected.bytes);
        });
      }
    }
  }
}

TEST(Yuv422MirrorKernels, BadArgumentsWriteNothing) {
  std::vector<uint8_t> src(64, 1), dst(96, 0x5A);
  using Kernel = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis);
  for (Kernel kernel : {builtin::fused_yuy2_to_bgr24_mirror, builtin::fused_uyvy_to_bgr24_mirror}) {
    EXPECT_EQ(kernel(nullptr, 32, dst.data(), 48, {16, 1}, ippAxsBoth), ippStsNullPtrErr);
    EXPECT_EQ(kernel(src.data(), 32, nullptr, 48, {16, 1}, ippAxsBoth), ippStsNullPtrErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {0, 1}, ippAxsBoth), ippStsSizeErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {16, -2}, ippAxsBoth), ippStsSizeErr);
    EXPECT_EQ(kernel(src.data(), 0, dst.data(), 48, {16, 1}, ippAxsBoth), ippStsStepErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), -48, {16, 1}, ippAxsBoth), ippStsStepErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {16, 1}, static_cast<IppiAxis>(3)), ippStsMirrorFlipErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {16, 1}, static_cast<IppiAxis>(-1)), ippStsMirrorFlipErr);
  }
  EXPECT_EQ(dst, std::vector<uint8_t>(96, 0x5A));
}

}  // namespace
}  // namespace lumicar
