// The YUV 4:2:2 kernels and their fused chains: the fixed-point rule on known pixels, equality with the
// reference loops on every instruction set, and the argument contract.

#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "kernels/channel_copy.h"
#include "kernels/fused_bgr24_to_yuv422.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/memory_ops.h"
#include "kernels/rgb_yuv422.h"
#include "kernels/swap_channels.h"
#include "kernels/yuv422_rgb.h"
#include "testing/kernels/reference_kernels.h"
#include "tests/kernels/kernel_test_support.h"

namespace lumicar {
namespace {

using test::Frame;

std::vector<uint8_t> YuvToRgb(std::vector<uint8_t> yuy2, int width) {
  std::vector<uint8_t> rgb(3 * static_cast<size_t>(width));
  EXPECT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(yuy2.data(), 2 * width, rgb.data(), 3 * width, {width, 1}), 0);
  return rgb;
}

std::vector<uint8_t> RgbToYuv(std::vector<uint8_t> rgb, int width) {
  std::vector<uint8_t> yuy2(2 * static_cast<size_t>(width));
  EXPECT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(rgb.data(), 3 * width, yuy2.data(), 2 * width, {width, 1}), 0);
  return yuy2;
}

// The checks below run once per compiled instruction set; on x86-64 that must include vector code, not only
// the plain fallback, or they would prove nothing about it.
TEST(KernelTargets, VectorCodeIsUnderTest) {
  std::string names;
  for (int64_t target : hwy::SupportedAndGeneratedTargets()) names += std::string(hwy::TargetName(target)) + " ";
  std::cout << "instruction sets under test: " << names << "\n";
#if HWY_ARCH_X86_64
  EXPECT_GE(hwy::SupportedAndGeneratedTargets().size(), 2u) << names;
#endif
}

TEST(Yuv422Kernels, KnownPixelsOnEveryTarget) {
  test::ForEachTarget([] {
    // A 32-pixel row so that the vector code, not only the tail, sees the pixels.
    auto repeat = [](std::vector<uint8_t> unit, int times) {
      std::vector<uint8_t> out;
      for (int i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
      return out;
    };
    EXPECT_EQ(YuvToRgb(repeat({16, 128, 235, 128}, 16), 32), repeat({16, 16, 16, 235, 235, 235}, 16));
    EXPECT_EQ(YuvToRgb(repeat({81, 90, 81, 240}, 16), 32), repeat({208, 30, 3, 208, 30, 3}, 16));
    // Out-of-range results saturate instead of wrapping: Y 255 with V 255 (R > 255) and Y 0 with V 0 (R < 0).
    EXPECT_EQ(YuvToRgb(repeat({255, 128, 0, 255}, 16), 32)[0], 255);
    EXPECT_EQ(YuvToRgb(repeat({255, 128, 0, 255}, 16), 32)[3], 144);
    EXPECT_EQ(YuvToRgb(repeat({0, 0, 0, 0}, 16), 32)[1], 124);  // G from u = v = -128
    EXPECT_EQ(YuvToRgb(repeat({0, 0, 0, 0}, 16), 32)[0], 0);
    EXPECT_EQ(YuvToRgb(repeat({255, 255, 255, 255}, 16), 32)[2], 255);

    EXPECT_EQ(RgbToYuv(repeat({255, 255, 255}, 32), 32), repeat({255, 128, 255, 128}, 16));
    EXPECT_EQ(RgbToYuv(repeat({0, 0, 0}, 32), 32), repeat({0, 128, 0, 128}, 16));
    EXPECT_EQ(RgbToYuv(repeat({255, 0, 0}, 32), 32), repeat({76, 90, 76, 255}, 16));
    EXPECT_EQ(RgbToYuv(repeat({0, 0, 255}, 32), 32), repeat({29, 239, 29, 102}, 16));
  });
}

TEST(Yuv422Kernels, OddWidthLastPixelUsesItsOwnUAndThePreviousV) {
  // Three pixels: a pair (Y 100, 110, U 60, V 200), then Y 120 followed by U 30.
  const std::vector<uint8_t> yuy2 = {100, 60, 110, 200, 120, 30};
  const auto rgb = YuvToRgb(yuy2, 3);
  uint8_t expected[9];
  reference::Yuy2ToRgb(yuy2.data(), 6, expected, 9, 3, 1);
  EXPECT_EQ(rgb, std::vector<uint8_t>(expected, expected + 9));
  // u = -98, v = 72 for the last pixel: R = 120 + floor(74711*72/65536) = 202, B = 120 + floor(-199.1) = 0.
  EXPECT_EQ(rgb[6], 202);
  EXPECT_EQ(rgb[8], 0);
  // One pixel wide: its one chroma byte serves as U and V.
  const auto one = YuvToRgb({100, 200}, 1);
  const auto pair = YuvToRgb({100, 200, 100, 200}, 2);
  EXPECT_EQ(one, std::vector<uint8_t>(pair.begin(), pair.begin() + 3));

  // RGB to YUY2 with an odd width writes Y and U for the last pixel and nothing past the row.
  std::vector<uint8_t> out(2 * 3 + 4, 0xEE);
  const uint8_t rgb3[9] = {255, 0, 0, 255, 0, 0, 0, 0, 255};
  ASSERT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(rgb3, 9, out.data(), 6, {3, 1}), 0);
  EXPECT_EQ(out[4], 29);  // luma of pure blue
  EXPECT_EQ(out[5], ((((255 * 65536 - 7471 * 255 + 32767) >> 16) * 32244) >> 16) + 128);
  EXPECT_EQ(out[6], 0xEE);
}

// Every luma with every chroma pair: pair p holds Y 2(p mod 128) and 2(p mod 128) + 1 with U = (p >> 7) mod
// 256 and V = p >> 15, so 2^23 pairs cover all 2^24 (Y, U, V) combinations.
TEST(Yuv422Kernels, EveryYuvCombinationMatchesTheReference) {
  constexpr int kWidth = 2048, kHeight = 4096;
  std::vector<uint8_t> yuy2(size_t{2} * kWidth * kHeight);
  for (uint32_t p = 0; p < yuy2.size() / 4; ++p) {
    yuy2[4 * p] = static_cast<uint8_t>(2 * (p & 127));
    yuy2[4 * p + 1] = static_cast<uint8_t>(p >> 7);
    yuy2[4 * p + 2] = static_cast<uint8_t>(2 * (p & 127) + 1);
    yuy2[4 * p + 3] = static_cast<uint8_t>(p >> 15);
  }
  std::vector<uint8_t> expected(size_t{3} * kWidth * kHeight);
  reference::Yuy2ToRgb(yuy2.data(), 2 * kWidth, expected.data(), 3 * kWidth, kWidth, kHeight);
  test::ForEachTarget([&] {
    std::vector<uint8_t> rgb(expected.size());
    ASSERT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(yuy2.data(), 2 * kWidth, rgb.data(), 3 * kWidth, {kWidth, kHeight}), 0);
    EXPECT_TRUE(rgb == expected);
    // The fused form gives the same bytes with red and blue exchanged.
    ASSERT_EQ(builtin::fused_yuy2_to_bgr24(yuy2.data(), 2 * kWidth, rgb.data(), 3 * kWidth, {kWidth, kHeight}), 0);
    bool swapped_equal = true;
    for (size_t i = 0; i < rgb.size() && swapped_equal; i += 3) {
      swapped_equal = rgb[i] == expected[i + 2] && rgb[i + 1] == expected[i + 1] && rgb[i + 2] == expected[i];
    }
    EXPECT_TRUE(swapped_equal);
  });
}

TEST(Yuv422Kernels, RandomFramesMatchTheReferenceAndLeavePaddingAlone) {
  for (int width : test::kTestWidths) {
    SCOPED_TRACE(width);
    Frame yuy2(width, 5, 2, 2);
    test::FillRandom(yuy2, 7 + width);
    Frame expected_rgb(width, 5, 3, 5);
    reference::Yuy2ToRgb(yuy2.data(), yuy2.step, expected_rgb.data(), expected_rgb.step, width, 5);
    Frame rgb_in(width, 5, 3, 5);
    test::FillRandom(rgb_in, 11 + width);
    Frame expected_yuy2(width, 5, 2, 2);
    reference::RgbToYuy2(rgb_in.data(), rgb_in.step, expected_yuy2.data(), expected_yuy2.step, width, 5);
    test::ForEachTarget([&] {
      Frame rgb(width, 5, 3, 5);
      ASSERT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(yuy2.data(), yuy2.step, rgb.data(), rgb.step, {width, 5}), 0);
      EXPECT_EQ(rgb.bytes, expected_rgb.bytes);  // padding stays 0xA5 in both
      Frame out(width, 5, 2, 2);
      ASSERT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(rgb_in.data(), rgb_in.step, out.data(), out.step, {width, 5}), 0);
      EXPECT_EQ(out.bytes, expected_yuy2.bytes);
    });
  }
}

// The fused kernels against the chains they replace, all four directions, every target.
TEST(Yuv422Kernels, FusedKernelsEqualTheirChains) {
  const int order[3] = {2, 1, 0};
  for (int width : test::kTestWidths) {
    SCOPED_TRACE(width);
    constexpr int kHeight = 3;
    const int yuv_step = 2 * width;
    const int rgb_step = 3 * (((width - 1) & ~3) + 4);  // RGB24 frame rows, padded to 4 pixels
    Frame yuy2(width, kHeight, 2);
    test::FillRandom(yuy2, 100 + width);
    Frame bgr(width, kHeight, 3, rgb_step - 3 * width);
    test::FillRandom(bgr, 200 + width);
    test::ForEachTarget([&] {
      // YUY2 -> BGR24: convert, then swap red and blue in place.
      Frame chain(width, kHeight, 3, rgb_step - 3 * width), fused(width, kHeight, 3, rgb_step - 3 * width);
      ASSERT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(yuy2.data(), yuv_step, chain.data(), rgb_step, {width, kHeight}), 0);
      ASSERT_EQ(builtin::ippiSwapChannels_8u_C3IR(chain.data(), rgb_step, {width, kHeight}, order), 0);
      ASSERT_EQ(builtin::fused_yuy2_to_bgr24(yuy2.data(), yuv_step, fused.data(), rgb_step, {width, kHeight}), 0);
      EXPECT_EQ(fused.bytes, chain.bytes);

      // UYVY -> BGR24: byte swap into a temporary first.
      Frame uyvy(width, kHeight, 2);
      ASSERT_EQ(builtin::ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(yuy2.data()),
                                           reinterpret_cast<Ipp16u*>(uyvy.data()), width * kHeight),
                0);
      Frame from_uyvy(width, kHeight, 3, rgb_step - 3 * width);
      ASSERT_EQ(builtin::fused_uyvy_to_bgr24(uyvy.data(), yuv_step, from_uyvy.data(), rgb_step, {width, kHeight}), 0);
      EXPECT_EQ(from_uyvy.bytes, chain.bytes);

      // YUY2 and UYVY -> BGRA32: the BGR24 result widened with 255; row padding left as it was.
      const int rgba_step = 4 * width + 8;
      Frame widened(width, kHeight, 4, 8);
      test::FillRandom(widened, 7);
      Frame to_bgra = widened, uyvy_to_bgra = widened;
      ASSERT_EQ(builtin::CopyC3ToOpaqueC4(chain.data(), rgb_step, widened.data(), rgba_step, {width, kHeight}), 0);
      ASSERT_EQ(builtin::fused_yuy2_to_bgra32(yuy2.data(), yuv_step, to_bgra.data(), rgba_step, {width, kHeight}), 0);
      EXPECT_EQ(to_bgra.bytes, widened.bytes);
      ASSERT_EQ(builtin::fused_uyvy_to_bgra32(uyvy.data(), yuv_step, uyvy_to_bgra.data(), rgba_step, {width, kHeight}),
                0);
      EXPECT_EQ(uyvy_to_bgra.bytes, widened.bytes);

      // BGR24 -> YUY2: swap into a temporary, then convert.
      Frame temp(width, kHeight, 3, rgb_step - 3 * width), chain_yuy2(width, kHeight, 2), fused_yuy2(width, kHeight, 2);
      ASSERT_EQ(builtin::ippiSwapChannels_8u_C3R(bgr.data(), rgb_step, temp.data(), rgb_step, {width, kHeight}, order),
                0);
      ASSERT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(temp.data(), rgb_step, chain_yuy2.data(), yuv_step, {width, kHeight}),
                0);
      ASSERT_EQ(builtin::fused_bgr24_to_yuy2(bgr.data(), rgb_step, fused_yuy2.data(), yuv_step, {width, kHeight}), 0);
      EXPECT_EQ(fused_yuy2.bytes, chain_yuy2.bytes);

      // BGR24 -> UYVY: as YUY2, then swap the bytes of every word in place.
      ASSERT_EQ(builtin::ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(chain_yuy2.data()), width * kHeight), 0);
      Frame fused_uyvy(width, kHeight, 2);
      ASSERT_EQ(builtin::fused_bgr24_to_uyvy(bgr.data(), rgb_step, fused_uyvy.data(), yuv_step, {width, kHeight}), 0);
      EXPECT_EQ(fused_uyvy.bytes, chain_yuy2.bytes);
    });
  }
}

TEST(Yuv422Kernels, BadArgumentsWriteNothing) {
  std::vector<uint8_t> src(64, 1), dst(96, 0x5A);
  using Kernel = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);
  const std::array<Kernel, 8> kernels = {builtin::ippiYUV422ToRGB_8u_C2C3R, builtin::ippiRGBToYUV422_8u_C3C2R,
                                         builtin::fused_yuy2_to_bgr24,      builtin::fused_uyvy_to_bgr24,
                                         builtin::fused_bgr24_to_yuy2,      builtin::fused_bgr24_to_uyvy,
                                         builtin::fused_yuy2_to_bgra32,     builtin::fused_uyvy_to_bgra32};
  for (Kernel kernel : kernels) {
    EXPECT_EQ(kernel(nullptr, 32, dst.data(), 48, {16, 1}), ippStsNullPtrErr);
    EXPECT_EQ(kernel(src.data(), 32, nullptr, 48, {16, 1}), ippStsNullPtrErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {0, 1}), ippStsSizeErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), 48, {16, -2}), ippStsSizeErr);
    EXPECT_EQ(kernel(src.data(), 0, dst.data(), 48, {16, 1}), ippStsStepErr);
    EXPECT_EQ(kernel(src.data(), 32, dst.data(), -48, {16, 1}), ippStsStepErr);
  }
  EXPECT_EQ(dst, std::vector<uint8_t>(96, 0x5A));
}

}  // namespace
}  // namespace lumicar
