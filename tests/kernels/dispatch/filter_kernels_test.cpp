// The built-in neighbourhood filters through their table entries: the row and column filters'
// convolution direction and rounding, the Sobel filters' signs and borders, the Wiener filter's gain.

#include <gtest/gtest.h>

#include <vector>

#include "kernels/dispatch/image_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"

namespace lumicar {
namespace {

TEST(SeparableFilterKernels, RowFilterIsAConvolutionAroundTheAnchor) {
  const Ipp8u src[5] = {0, 10, 20, 30, 40};
  Ipp8u dst[4] = {};
  const Ipp32f kernel[2] = {1, 2};
  // dst(x) = 1 · src(x) + 2 · src(x − 1) for anchor 0.
  ASSERT_EQ(ippiFilterRow32f_8u_C1R(src + 1, 5, dst, 4, {4, 1}, kernel, 2, 0), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(dst, dst + 4), (std::vector<Ipp8u>{10, 40, 70, 100}));
  // Anchor 1 moves the kernel one pixel to the right: dst(x) = src(x + 1) + 2 · src(x).
  ASSERT_EQ(ippiFilterRow32f_8u_C1R(src, 5, dst, 4, {4, 1}, kernel, 2, 1), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(dst, dst + 4), (std::vector<Ipp8u>{10, 40, 70, 100}));
  ASSERT_EQ(ippiFilterRow32f_8u_C1R(src + 1, 5, dst, 4, {3, 1}, kernel, 2, 1), ippStsNoErr);
  EXPECT_EQ(dst[0], 40);
}

TEST(SeparableFilterKernels, RoundsHalfToEvenSaturatesAndFiltersEveryChannel) {
  const Ipp8u src[4] = {10, 30, 200, 7};  // one C4 pixel
  Ipp8u dst[4] = {};
  const Ipp32f quarter[1] = {0.25f};
  ASSERT_EQ(ippiFilterRow32f_8u_C4R(src, 4, dst, 4, {1, 1}, quarter, 1, 0), ippStsNoErr);
  EXPECT_EQ(dst[0], 2);  // 2.5
  EXPECT_EQ(dst[1], 8);  // 7.5
  EXPECT_EQ(dst[2], 50);
  EXPECT_EQ(dst[3], 2);  // 1.75
  const Ipp32f gain[1] = {2};
  ASSERT_EQ(ippiFilterColumn32f_8u_C3R(src, 4, dst, 4, {1, 1}, gain, 1, 0), ippStsNoErr);
  EXPECT_EQ(dst[2], 255);
  const Ipp32f negative[1] = {-1};
  ASSERT_EQ(ippiFilterColumn32f_8u_C1R(src, 4, dst, 4, {1, 1}, negative, 1, 0), ippStsNoErr);
  EXPECT_EQ(dst[0], 0);
}

TEST(SeparableFilterKernels, ColumnFilterRunsDownTheRows) {
  // Three rows of one pixel each, 2 bytes apart.
  const Ipp8u src[6] = {10, 0, 20, 0, 40, 0};
  Ipp8u dst[1] = {};
  const Ipp32f kernel[3] = {1, 0, -0.5f};
  // dst(y) = src(y + 1) − 0.5 · src(y − 1) with anchor 1, at the middle row: 40 − 5.
  ASSERT_EQ(ippiFilterColumn32f_8u_C1R(src + 2, 2, dst, 1, {1, 1}, kernel, 3, 1), ippStsNoErr);
  EXPECT_EQ(dst[0], 35);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(src, 2, dst, 1, {1, 1}, kernel, 3, 3), ippStsAnchorErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(src, 2, dst, 1, {1, 1}, kernel, 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippiFilterRow32f_8u_C3R(src, 2, dst, 1, {1, 1}, nullptr, 3, 0), ippStsNullPtrErr);
}

class SobelKernels : public ::testing::Test {
 protected:
  // 6 × 6, columns 0–2 dark, 3–5 bright: a vertical edge.
  SobelKernels() : image_(36) {
    for (int y = 0; y < 6; ++y) {
      for (int x = 3; x < 6; ++x) image_[y * 6 + x] = 100;
    }
  }
  std::vector<Ipp16s> Run(bool horizontal, IppiMaskSize mask, IppiBorderType border, Ipp8u value = 0) {
    int size = 0;
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({6, 6}, mask, &size), ippStsNoErr);
    std::vector<Ipp8u> buffer(size);
    std::vector<Ipp16s> out(36, 12345);
    auto filter = horizontal ? ippiFilterSobelHorizBorder_8u16s_C1R : ippiFilterSobelVertBorder_8u16s_C1R;
    EXPECT_EQ(filter(image_.data(), 6, out.data(), 12, {6, 6}, mask, border, value, buffer.data()), ippStsNoErr);
    return out;
  }
  std::vector<Ipp8u> image_;
};

TEST_F(SobelKernels, VerticalMaskGivesLeftMinusRight) {
  const auto out = Run(false, ippMskSize3x3, ippBorderRepl);
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(out[y * 6 + 1], 0);
    EXPECT_EQ(out[y * 6 + 2], -400) << y;  // (0 − 100) · (1 + 2 + 1)
    EXPECT_EQ(out[y * 6 + 3], -400);
    EXPECT_EQ(out[y * 6 + 5], 0);  // replicated border
  }
  const auto wide = Run(false, ippMskSize5x5, ippBorderRepl);
  EXPECT_EQ(wide[2 * 6 + 2], -4800);  // (0 + 0 + 0 − 2·100 − 100) · 16
}

TEST_F(SobelKernels, HorizontalMaskGivesBelowMinusAboveWithTheBorderRule) {
  const auto flat = Run(true, ippMskSize3x3, ippBorderRepl);
  for (Ipp16s v : flat) EXPECT_EQ(v, 0);
  const auto constant = Run(true, ippMskSize3x3, ippBorderConst, 50);
  // Top-left pixel: the row above is all border (50 · 4 = 200); the row below is 50, 0, 0 → 50.
  EXPECT_EQ(constant[0], 50 - 200);
  // Bottom-right pixel: above 100, 100, 50 → 350; below all border → 200.
  EXPECT_EQ(constant[35], 200 - 350);
  const auto mirror = Run(true, ippMskSize3x3, ippBorderMirror);
  for (Ipp16s v : mirror) EXPECT_EQ(v, 0);
}

TEST_F(SobelKernels, RejectsBadMasksBordersAndBuffers) {
  std::vector<Ipp8u> buffer(64);
  Ipp16s out[36];
  EXPECT_EQ(ippiFilterSobelHorizBorder_8u16s_C1R(image_.data(), 6, out, 12, {6, 6}, ippMskSize1x3, ippBorderRepl, 0,
                                                 buffer.data()),
            ippStsMaskSizeErr);
  EXPECT_EQ(ippiFilterSobelHorizBorder_8u16s_C1R(image_.data(), 6, out, 12, {6, 6}, ippMskSize3x3,
                                                 static_cast<IppiBorderType>(5), 0, buffer.data()),
            ippStsBorderErr);
  EXPECT_EQ(
      ippiFilterSobelVertBorder_8u16s_C1R(image_.data(), 6, out, 12, {6, 6}, ippMskSize3x3, ippBorderRepl, 0, nullptr),
      ippStsNullPtrErr);
  int size = 0;
  EXPECT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({4, 4}, ippMskSize3x3, &size), ippStsNoErr);
  EXPECT_EQ(size, 18);
  EXPECT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({4, 0}, ippMskSize3x3, &size), ippStsSizeErr);
}

class WienerKernels : public ::testing::Test {
 protected:
  // 5 × 5 zeros with a spike of 90 in the middle; the 3 × 3 region starting at (1, 1) is filtered.
  WienerKernels() : image_(25, 0) { image_[12] = 90; }
  std::vector<Ipp8u> Run(Ipp32f noise_level, IppStatus expected = ippStsNoErr) {
    int size = 0;
    EXPECT_EQ(ippiFilterWienerGetBufferSize({3, 3}, {3, 3}, 1, &size), ippStsNoErr);
    std::vector<Ipp8u> buffer(size);
    std::vector<Ipp8u> out(9, 0xEE);
    Ipp32f noise[1] = {noise_level};
    EXPECT_EQ(
        ippiFilterWiener_8u_C1R(image_.data() + 6, 5, out.data(), 3, {3, 3}, {3, 3}, {1, 1}, noise, buffer.data()),
        expected);
    return out;
  }
  std::vector<Ipp8u> image_;
};

TEST_F(WienerKernels, GainFollowsVarianceAboveTheNoise) {
  // Every window holds the spike: mean 10, variance 900 − 100 = 800.
  for (Ipp8u v : Run(1.0f)) EXPECT_EQ(v, 10);  // noise above the variance: the mean
  for (Ipp8u v : Run(0.0f)) EXPECT_EQ(v, 10);  // estimated noise 800 equals the variance
  // ν² = 65.025: gain (800 − 65.025) / 800; spike 10 + gain · 80 = 83.5 → 83, others 10 − gain · 10 → 1.
  const auto out = Run(0.001f);
  EXPECT_EQ(out[4], 83);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[8], 1);
}

TEST_F(WienerKernels, RejectsBadArguments) {
  EXPECT_EQ(Run(1.5f, ippStsNoiseValErr), std::vector<Ipp8u>(9, 0xEE));
  std::vector<Ipp8u> buffer(1024);
  Ipp8u out[9];
  Ipp32f noise[3] = {0, 0, 0};
  EXPECT_EQ(ippiFilterWiener_8u_C3R(image_.data(), 5, out, 3, {1, 1}, {3, 3}, {3, 0}, noise, buffer.data()),
            ippStsAnchorErr);
  EXPECT_EQ(ippiFilterWiener_8u_C3R(image_.data(), 5, out, 3, {1, 1}, {0, 3}, {0, 0}, noise, buffer.data()),
            ippStsMaskSizeErr);
  EXPECT_EQ(ippiFilterWiener_8u_C1R(image_.data(), 5, out, 3, {1, 1}, {3, 3}, {1, 1}, noise, nullptr),
            ippStsNullPtrErr);
  int size = 0;
  EXPECT_EQ(ippiFilterWienerGetBufferSize({3, 3}, {3, 3}, 2, &size), ippStsNumChannelsErr);
}

TEST_F(WienerKernels, AC4KeepsTheFourthByte) {
  std::vector<Ipp8u> rgba(4 * 9);
  for (int i = 0; i < 9; ++i) {
    rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = 60;
    rgba[4 * i + 3] = static_cast<Ipp8u>(i);
  }
  int size = 0;
  ASSERT_EQ(ippiFilterWienerGetBufferSize({1, 1}, {3, 3}, 4, &size), ippStsNoErr);
  std::vector<Ipp8u> buffer(size);
  Ipp8u out[4] = {0, 0, 0, 77};
  Ipp32f noise[3] = {0.1f, 0.1f, 0.1f};
  ASSERT_EQ(ippiFilterWiener_8u_AC4R(rgba.data() + 16, 12, out, 4, {1, 1}, {3, 3}, {1, 1}, noise, buffer.data()),
            ippStsNoErr);
  EXPECT_EQ(out[0], 60);
  EXPECT_EQ(out[2], 60);
  EXPECT_EQ(out[3], 77);
}

}  // namespace
}  // namespace lumicar
