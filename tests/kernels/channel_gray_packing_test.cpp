// Colour-to-gray, channel-count copies, the 16-bit packing kernels and the planar 4:2:0 kernels.

#include <array>
#include <vector>

#include "kernels/channel_copy.h"
#include "kernels/color_to_gray.h"
#include "kernels/packing16.h"
#include "kernels/yuv420_rgb.h"
#include "testing/kernels/reference_kernels.h"
#include "tests/kernels/kernel_test_support.h"

namespace lumicar {
namespace {

using test::Frame;

const Ipp32f kStoredOrderWeights[3] = {0.114f, 0.587f, 0.299f};  // blue, green, red

uint8_t GrayOf(uint8_t b, uint8_t g, uint8_t r, const Ipp32f* weights) {
  const uint8_t px[3] = {b, g, r};
  uint8_t gray = 0;
  EXPECT_EQ(builtin::ippiColorToGray_8u_C3C1R(px, 3, &gray, 1, {1, 1}, weights), 0);
  return gray;
}

TEST(ColorToGrayKernels, WeightsOfTheImageConversions) {
  EXPECT_EQ(GrayOf(0, 0, 255, kStoredOrderWeights), 76);  // (1225 * 255) >> 12
  EXPECT_EQ(GrayOf(0, 255, 0, kStoredOrderWeights), 149);
  EXPECT_EQ(GrayOf(255, 0, 0, kStoredOrderWeights), 29);
  EXPECT_EQ(GrayOf(255, 255, 255, kStoredOrderWeights), 255);
  // No weights: coefficients 1225, 2404, 467 for channels 0, 1, 2.
  EXPECT_EQ(GrayOf(255, 0, 0, nullptr), 76);
  EXPECT_EQ(GrayOf(0, 0, 255, nullptr), 29);
  // Saturation both ways, and a NaN weight counts as 0.
  const Ipp32f loud[3] = {2.0f, 0.0f, 0.0f}, negative[3] = {-1.0f, 0.0f, 0.0f};
  const Ipp32f not_a_number[3] = {std::numeric_limits<float>::quiet_NaN(), 0.0f, 1.0f};
  EXPECT_EQ(GrayOf(200, 0, 0, loud), 255);
  EXPECT_EQ(GrayOf(200, 0, 0, negative), 0);
  EXPECT_EQ(GrayOf(200, 0, 100, not_a_number), 100);
  uint8_t gray = 7;
  EXPECT_EQ(builtin::ippiColorToGray_8u_AC4C1R(nullptr, 4, &gray, 1, {1, 1}, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiColorToGray_8u_C3C1R(&gray, 3, &gray, 1, {1, 0}, nullptr), ippStsSizeErr);
  EXPECT_EQ(gray, 7);
}

TEST(ColorToGrayKernels, MatchReferenceOnEveryTarget) {
  const std::array<std::array<Ipp32f, 3>, 3> weight_sets = {
      {{0.114f, 0.587f, 0.299f}, {0.9f, 0.5f, 0.6f}, {1.5f, -0.25f, 0.3f}}};
  for (int width : test::kTestWidths) {
    for (int bpp : {3, 4}) {
      SCOPED_TRACE(testing::Message() << width << " bpp " << bpp);
      Frame src(width, 3, bpp, 2);
      test::FillRandom(src, width * bpp);
      for (const auto& w : weight_sets) {
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = static_cast<int>(0.5 + 4096.0 * w[k]);
        Frame expected(width, 3, 1, 3);
        reference::ColorToGray(src.data(), src.step, expected.data(), expected.step, width, 3, bpp, c);
        test::ForEachTarget([&] {
          Frame gray(width, 3, 1, 3);
          auto kernel = bpp == 3 ? builtin::ippiColorToGray_8u_C3C1R : builtin::ippiColorToGray_8u_AC4C1R;
          ASSERT_EQ(kernel(src.data(), src.step, gray.data(), gray.step, {width, 3}, w.data()), 0);
          EXPECT_EQ(gray.bytes, expected.bytes);
        });
      }
    }
  }
}

// RGB24 <-> RGBA32 and gray expansion as the image conversions run them, checked pixel by pixel; padding
// bytes of every destination must survive.
TEST(ChannelCopyKernels, ConversionStepsOnEveryTarget) {
  for (int width : test::kTestWidths) {
    SCOPED_TRACE(width);
    constexpr int kHeight = 3;
    Frame rgb(width, kHeight, 3, 3), gray(width, kHeight, 1, 1);
    test::FillRandom(rgb, width);
    test::FillRandom(gray, width + 1);
    test::ForEachTarget([&] {
      // RGB24 -> RGBA32: copy three bytes, then alpha 255 into byte 3.
      Frame rgba(width, kHeight, 4, 4);
      test::FillRandom(rgba, 99);
      const Frame rgba_before = rgba;
      ASSERT_EQ(builtin::ippiCopy_8u_C3AC4R(rgb.data(), rgb.step, rgba.data(), rgba.step, {width, kHeight}), 0);
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < width; ++x) {
          for (int k = 0; k < 3; ++k) ASSERT_EQ(rgba.pixel(x, y)[k], rgb.pixel(x, y)[k]);
          ASSERT_EQ(rgba.pixel(x, y)[3], const_cast<Frame&>(rgba_before).pixel(x, y)[3]);
        }
      }
      ASSERT_EQ(builtin::ippiSet_8u_C4CR(255, rgba.data() + 3, rgba.step, {width, kHeight}), 0);
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < width; ++x) ASSERT_EQ(rgba.pixel(x, y)[3], 255);
        for (int i = 4 * width; i < rgba.step; ++i)
          ASSERT_EQ(rgba.bytes[y * rgba.step + i], rgba_before.bytes[y * rgba.step + i]);
      }
      // The one-pass widening gives the same pixels as the two steps above and keeps the padding.
      Frame opaque(width, kHeight, 4, 4);
      test::FillRandom(opaque, 99);
      ASSERT_EQ(builtin::CopyC3ToOpaqueC4(rgb.data(), rgb.step, opaque.data(), opaque.step, {width, kHeight}), 0);
      EXPECT_EQ(opaque.bytes, rgba.bytes);

      // RGBA32 -> RGB24 gives back the original bytes.
      Frame back(width, kHeight, 3, 3);
      ASSERT_EQ(builtin::ippiCopy_8u_AC4C3R(rgba.data(), rgba.step, back.data(), back.step, {width, kHeight}), 0);
      EXPECT_EQ(back.bytes, [&] {
        Frame e = rgb;
        for (int y = 0; y < kHeight; ++y) std::fill_n(e.bytes.begin() + y * e.step + 3 * width, 3, 0xA5);
        return e.bytes;
      }());

      // Gray -> RGB24 two ways: three planes at once, and one channel at a time.
      const Ipp8u* planes[3] = {gray.data(), gray.data(), gray.data()};
      Frame expanded(width, kHeight, 3, 3), by_channel(width, kHeight, 3, 3);
      ASSERT_EQ(builtin::ippiCopy_8u_P3C3R(planes, gray.step, expanded.data(), expanded.step, {width, kHeight}), 0);
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(builtin::ippiCopy_8u_C1C3R(gray.data(), gray.step, by_channel.data() + k, by_channel.step,
                                             {width, kHeight}),
                  0);
      }
      EXPECT_EQ(by_channel.bytes, expanded.bytes);
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < width; ++x) {
          const uint8_t g = gray.pixel(x, y)[0];
          ASSERT_TRUE(expanded.pixel(x, y)[0] == g && expanded.pixel(x, y)[1] == g && expanded.pixel(x, y)[2] == g);
        }
        for (int i = 3 * width; i < expanded.step; ++i) ASSERT_EQ(expanded.bytes[y * expanded.step + i], 0xA5);
      }
      // Gray -> RGBA32: three single-channel copies leave byte 3 and the padding alone.
      Frame gray4(width, kHeight, 4, 4);
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(builtin::ippiCopy_8u_C1C4R(gray.data(), gray.step, gray4.data() + k, gray4.step, {width, kHeight}),
                  0);
      }
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < width; ++x) {
          const uint8_t g = gray.pixel(x, y)[0];
          const uint8_t* p = gray4.pixel(x, y);
          ASSERT_TRUE(p[0] == g && p[1] == g && p[2] == g && p[3] == 0xA5);
        }
      }
    });
  }
  uint8_t byte = 1;
  const Ipp8u* no_planes[3] = {&byte, nullptr, &byte};
  EXPECT_EQ(builtin::ippiCopy_8u_P3C3R(no_planes, 1, &byte, 3, {1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiCopy_8u_P3C3R(nullptr, 1, &byte, 3, {1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiSet_8u_C4CR(9, &byte, 0, {1, 1}), ippStsStepErr);
  EXPECT_EQ(builtin::ippiCopy_8u_C1C4R(&byte, 1, &byte, 4, {-1, 1}), ippStsSizeErr);
  EXPECT_EQ(byte, 1);
}

TEST(Packing16Kernels, EveryWordUnpacksAndRepacks) {
  std::vector<uint8_t> words(2 * 65536);
  for (int w = 0; w < 65536; ++w) {
    words[2 * w] = static_cast<uint8_t>(w);
    words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
  }
  std::vector<uint8_t> rgb(3 * 65536), rgba(4 * 65536, 0), packed(2 * 65536);
  const IppiSize size{256, 256};
  ASSERT_EQ(builtin::ippiRGB565ToRGB_8u_C3R(words.data(), 512, rgb.data(), 768, size), 0);
  ASSERT_EQ(builtin::ippiRGB565ToRGBA_8u_AC4R(words.data(), 512, rgba.data(), 1024, size), 0);
  for (int w = 0; w < 65536; ++w) {
    ASSERT_EQ(rgb[3 * w], (w & 0x1F) << 3);
    ASSERT_EQ(rgb[3 * w + 1], ((w >> 5) & 0x3F) << 2);
    ASSERT_EQ(rgb[3 * w + 2], ((w >> 11) & 0x1F) << 3);
    ASSERT_EQ(rgba[4 * w + 3], 255);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(rgba[4 * w + k], rgb[3 * w + k]);
  }
  ASSERT_EQ(builtin::ippiRGB_8u_C3RToRGB565(rgb.data(), 768, packed.data(), 512, size), 0);
  EXPECT_EQ(packed, words);  // every 565 word survives the round trip
  ASSERT_EQ(builtin::ippiRGBA_8u_AC4RToRGB565(rgba.data(), 1024, packed.data(), 512, size), 0);
  EXPECT_EQ(packed, words);

  ASSERT_EQ(builtin::ippiRGB555ToRGB_8u_C3R(words.data(), 512, rgb.data(), 768, size), 0);
  ASSERT_EQ(builtin::ippiRGB555ToRGBA_8u_AC4R(words.data(), 512, rgba.data(), 1024, size), 0);
  for (int w = 0; w < 65536; ++w) {
    ASSERT_EQ(rgb[3 * w], (w & 0x1F) << 3);
    ASSERT_EQ(rgb[3 * w + 1], ((w >> 5) & 0x1F) << 3);
    ASSERT_EQ(rgb[3 * w + 2], ((w >> 10) & 0x1F) << 3);
    ASSERT_EQ(rgba[4 * w + 3], 127);  // not 255
  }
  ASSERT_EQ(builtin::ippiRGB_8u_C3RToRGB555(rgb.data(), 768, packed.data(), 512, size), 0);
  ASSERT_EQ(builtin::ippiRGBA_8u_AC4RToRGB555(rgba.data(), 1024, words.data(), 512, size), 0);  // reuse
  for (int w = 0; w < 65536; ++w) {
    ASSERT_EQ(packed[2 * w] | (packed[2 * w + 1] << 8), w & 0x7FFF);  // bit 15 is zero
    ASSERT_EQ(words[2 * w] | (words[2 * w + 1] << 8), w & 0x7FFF);
  }

  // Repacking between the layouts: 565 -> 555 drops the lowest green bit, 555 -> 565 adds a zero one.
  for (int w = 0; w < 65536; ++w) {
    words[2 * w] = static_cast<uint8_t>(w);
    words[2 * w + 1] = static_cast<uint8_t>(w >> 8);
  }
  ASSERT_EQ(builtin::ippiRGB565ToRGB555(words.data(), 512, packed.data(), 512, size), 0);
  for (int w = 0; w < 65536; ++w) ASSERT_EQ(packed[2 * w] | (packed[2 * w + 1] << 8), (w & 0x1F) | ((w >> 6) << 5));
  ASSERT_EQ(builtin::ippiRGB555ToRGB565(words.data(), 512, packed.data(), 512, size), 0);
  for (int w = 0; w < 65536; ++w) {
    ASSERT_EQ(packed[2 * w] | (packed[2 * w + 1] << 8), ((w & 0x1F) | ((w >> 5) << 6)) & 0xFFFF);
  }
}

TEST(Packing16Kernels, TruncationAndExactDestinationBytes) {
  // RGB24 -> RGB565 -> RGB24 clears the low 3, 2 and 3 bits.
  const uint8_t px[3] = {0xFF, 0xFF, 0xFF};
  uint8_t word[4] = {0, 0, 0xEE, 0xEE};
  ASSERT_EQ(builtin::ippiRGB_8u_C3RToRGB565(px, 3, word, 2, {1, 1}), 0);
  EXPECT_EQ(word[2], 0xEE);
  uint8_t back[4] = {0, 0, 0, 0xEE};
  const uint8_t odd[3] = {0x17, 0x2B, 0x3C};
  ASSERT_EQ(builtin::ippiRGB_8u_C3RToRGB565(odd, 3, word, 2, {1, 1}), 0);
  ASSERT_EQ(builtin::ippiRGB565ToRGB_8u_C3R(word, 2, back, 3, {1, 1}), 0);
  EXPECT_EQ(back[0], 0x10);
  EXPECT_EQ(back[1], 0x28);
  EXPECT_EQ(back[2], 0x38);
  EXPECT_EQ(back[3], 0xEE);
  EXPECT_EQ(builtin::ippiRGB565ToRGB555(nullptr, 2, word, 2, {1, 1}), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiRGB555ToRGBA_8u_AC4R(word, 2, back, 4, {0, 1}), ippStsSizeErr);
  EXPECT_EQ(back[3], 0xEE);
}

TEST(Yuv420Kernels, ChromaPerTwoByTwoBlockIncludingOddEdges) {
  // 3 x 3 pixels: chroma planes of 2 x 2.
  const uint8_t luma[9] = {16, 50, 100, 150, 200, 235, 0, 255, 128};
  const uint8_t u[4] = {128, 90, 200, 16};
  const uint8_t v[4] = {128, 240, 30, 128};
  const Ipp8u* planes[3] = {luma, u, v};
  int steps[3] = {3, 2, 2};
  uint8_t rgb[27];
  ASSERT_EQ(builtin::ippiYUV420ToRGB_8u_P3C3R(planes, steps, rgb, 9, {3, 3}), 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      const int c = (y / 2) * 2 + x / 2;
      uint8_t expected[6];
      const uint8_t pair[4] = {luma[3 * y + x], u[c], luma[3 * y + x], v[c]};
      reference::Yuy2ToRgb(pair, 4, expected, 6, 2, 1);
      for (int k = 0; k < 3; ++k) ASSERT_EQ(rgb[3 * (3 * y + x) + k], expected[k]) << x << "," << y;
    }
  }
  // Studio range: Y 16 is black and Y 235 white when chroma is neutral.
  ASSERT_EQ(builtin::ippiYCbCr420ToRGB_8u_P3C3R(planes, steps, rgb, 9, {3, 3}), 0);
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[1], 0);
  EXPECT_EQ(rgb[2], 0);
  int bad_steps[3] = {3, 0, 2};
  EXPECT_EQ(builtin::ippiYCbCr420ToRGB_8u_P3C3R(planes, bad_steps, rgb, 9, {3, 3}), ippStsStepErr);
  EXPECT_EQ(builtin::ippiYUV420ToRGB_8u_P3C3R(nullptr, steps, rgb, 9, {3, 3}), ippStsNullPtrErr);
  const uint8_t white[1] = {235}, neutral[1] = {128};
  const Ipp8u* white_planes[3] = {white, neutral, neutral};
  int one[3] = {1, 1, 1};
  ASSERT_EQ(builtin::ippiYCbCr420ToRGB_8u_P3C3R(white_planes, one, rgb, 3, {1, 1}), 0);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[2], 255);
}

}  // namespace
}  // namespace lumicar
