// Whole-frame conversions: every format into every other and back, checked
// byte for byte against the reference model, plus the conversion rules that
// concern the frame rather than the pixels.

#include <gtest/gtest.h>

#include "buffers/aligned_alloc.h"
#include "buffers/sl_exception.h"
#include "image_test_support.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "kernels/memory_ops.h"
#include "kernels/rgb_yuv422.h"
#include "kernels/yuv422_rgb.h"

namespace lumicar::test {
namespace {

constexpr TVLVideoFormat kAllFormats[] = {vfRGB24, vfYUY2, vfUYVY, vfRGBA32, vfRGB565, vfRGB555, vfGrayScale, vfRGB};

class ConversionTest : public ImageTest, public ::testing::WithParamInterface<int> {};

// Every format into every other and back, byte for byte against the model.
void CheckAllPairs(int width) {
  const int height = 3;
  const Picture picture = TestPicture(width, height);
  for (TVLVideoFormat a : kAllFormats) {
    for (TVLVideoFormat b : kAllFormats) {
      SCOPED_TRACE(testing::Message() << "format " << int(a) << " -> " << int(b) << " -> " << int(a));
      auto frame = RgbFrame(picture, width, height);
      frame->SetFormat(a);
      ASSERT_EQ(frame->GetFormat(), a);
      const std::vector<uint8_t> bytesA = model::Encode(a, picture, width, height);
      ASSERT_EQ(RowBytes(frame.get()), bytesA);
      EXPECT_EQ(PictureOf(frame.get()), model::Decode(a, bytesA, width, height))
          << "GetPixel disagrees with the layout";

      frame->SetFormat(b);
      ASSERT_EQ(frame->GetFormat(), b);
      const std::vector<uint8_t> bytesB = model::Convert(a, b, bytesA, width, height);
      ASSERT_EQ(RowBytes(frame.get()), bytesB);

      frame->SetFormat(a);
      ASSERT_EQ(RowBytes(frame.get()), model::Convert(b, a, bytesB, width, height));

      // Between the 8-bit colour layouts nothing is lost at all.
      const auto colour8 = [](TVLVideoFormat f) { return VLLayoutOf(f) == vfRGB24 || f == vfRGBA32; };
      if (colour8(a) && colour8(b)) {
        EXPECT_EQ(PictureOf(frame.get()), picture);
      }
    }
  }
}

// Width 8 has no row padding anywhere; width 7 pads RGB24 rows and ends
// every YUV row with a lone pixel.
TEST_P(ConversionTest, EveryFormatToEveryOtherAndBackFollowsTheKernelRules) {
  CheckAllPairs(GetParam());
  EXPECT_EQ(_SLCountStores.load(), 0);
}

// While an entry of a chain is bound to something other than its built-in
// kernel (as with the acceleration library), the conversions run the chain
// entry by entry instead of the fused kernel, with the same bytes.
TEST_P(ConversionTest, ChainsOfTableEntriesGiveTheSameBytesAsTheFusedKernels) {
  const auto yuvToRgb = ippiYUV422ToRGB_8u_C2C3R;
  const auto rgbToYuv = ippiRGBToYUV422_8u_C3C2R;
  const auto swapBytes = ippsSwapBytes_16u;
  ippiYUV422ToRGB_8u_C2C3R = [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r) {
    return builtin::ippiYUV422ToRGB_8u_C2C3R(s, ss, d, ds, r);
  };
  ippiRGBToYUV422_8u_C3C2R = [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r) {
    return builtin::ippiRGBToYUV422_8u_C3C2R(s, ss, d, ds, r);
  };
  ippsSwapBytes_16u = [](const Ipp16u* s, Ipp16u* d, int n) { return builtin::ippsSwapBytes_16u(s, d, n); };
  CheckAllPairs(GetParam());
  ippiYUV422ToRGB_8u_C2C3R = yuvToRgb;
  ippiRGBToYUV422_8u_C3C2R = rgbToYuv;
  ippsSwapBytes_16u = swapBytes;
}

INSTANTIATE_TEST_SUITE_P(Widths, ConversionTest, ::testing::Values(8, 7));

TEST_F(ImageTest, SixteenBitRoundTripClearsOnlyTheLowBits) {
  const Picture picture = TestPicture(8, 2);
  for (TVLVideoFormat packed : {vfRGB565, vfRGB555}) {
    auto frame = RgbFrame(picture, 8, 2);
    frame->SetFormat(packed);
    frame->SetFormat(vfRGB24);
    const Picture back = PictureOf(frame.get());
    const uint8_t greenMask = packed == vfRGB565 ? 0xFC : 0xF8;
    for (std::size_t i = 0; i < picture.size(); ++i)
      EXPECT_EQ(back[i],
                (Bgr{uint8_t(picture[i].b & 0xF8), uint8_t(picture[i].g & greenMask), uint8_t(picture[i].r & 0xF8)}));
  }
}

TEST_F(ImageTest, KnownYuvValuesDecodeAsPublished) {
  const uint8_t yuy2[8] = {16, 128, 235, 128, 81, 90, 81, 240};
  auto frame = MakeIntf<TVLImageBuffer>(yuy2, 4, 1, vfYUY2);
  EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(16, 16, 16));
  EXPECT_EQ(frame->GetPixel(1, 0), VLRGB(235, 235, 235));
  EXPECT_EQ(frame->GetPixel(2, 0), VLRGB(208, 30, 3));
  EXPECT_EQ(frame->GetPixel(3, 0), VLRGB(208, 30, 3));
  frame->SetFormat(vfRGB24);
  const uint8_t* p = frame->Read();
  EXPECT_EQ(p[3 * 2 + 0], 3);  // stored blue, green, red
  EXPECT_EQ(p[3 * 2 + 1], 30);
  EXPECT_EQ(p[3 * 2 + 2], 208);

  // A pair of pure red pixels encodes to (76, 90, 76, 255).
  auto red = NewFrame(2, 1, vfRGB24);
  red->SetValue(VLRGB(255, 0, 0));
  red->SetFormat(vfYUY2);
  const uint8_t* q = red->Read();
  EXPECT_EQ((std::vector<uint8_t>{q, q + 4}), (std::vector<uint8_t>{76, 90, 76, 255}));
  red->SetFormat(vfUYVY);
  q = red->Read();
  EXPECT_EQ((std::vector<uint8_t>{q, q + 4}), (std::vector<uint8_t>{90, 76, 255, 76}));
}

TEST_F(ImageTest, SixteenBitToRgba32IsOpaque) {
  for (TVLVideoFormat packed : {vfRGB565, vfRGB555}) {
    auto frame = NewFrame(3, 2, packed);
    frame->SetValue(VLRGB(200, 100, 50));
    frame->SetFormat(vfRGBA32);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(frame->GetAlpha(x, y), 255) << "format " << int(packed);
  }
}

TEST_F(ImageTest, YuvToGrayWeighsRedAndBlueCorrectly) {
  // Pure blue and pure red have very different luminance; a conversion that
  // applied the blue weight to red would swap them.
  auto frame = NewFrame(4, 1, vfRGB24);
  frame->SetPixel(0, 0, VLRGB(0, 0, 255));
  frame->SetPixel(1, 0, VLRGB(0, 0, 255));
  frame->SetPixel(2, 0, VLRGB(255, 0, 0));
  frame->SetPixel(3, 0, VLRGB(255, 0, 0));
  frame->SetFormat(vfYUY2);
  const Picture decoded = PictureOf(frame.get());
  frame->SetFormat(vfGrayScale);
  EXPECT_EQ(frame->GetGrayScale(0, 0), model::Gray(decoded[0]));
  EXPECT_EQ(frame->GetGrayScale(2, 0), model::Gray(decoded[2]));
  EXPECT_LT(frame->GetGrayScale(0, 0), 40);
  EXPECT_GT(frame->GetGrayScale(2, 0), 60);
}

TEST_F(ImageTest, GrayWeightsKeepWhiteAndFollowTheCoefficients) {
  auto frame = NewFrame(4, 1, vfRGB24);
  frame->SetPixel(0, 0, VLRGB(255, 255, 255));
  frame->SetPixel(1, 0, VLRGB(255, 0, 0));
  frame->SetPixel(2, 0, VLRGB(0, 255, 0));
  frame->SetPixel(3, 0, VLRGB(0, 0, 255));
  EXPECT_EQ(frame->GetGrayScale(1, 0), 76);  // the single-pixel kernel path
  frame->SetFormat(vfGrayScale);
  const uint8_t* g = frame->Read();
  EXPECT_EQ((std::vector<uint8_t>{g, g + 4}), (std::vector<uint8_t>{255, 76, 149, 29}));
}

TEST_F(ImageTest, SetFormatToTheCurrentFormatChangesNothing) {
  auto frame = NewFrame(16, 4, vfYUY2);
  TSLSmartBuffer* before = frame->DataContainer();
  const auto pool = SLMemoryPoolState();
  frame->SetFormat(vfYUY2);
  EXPECT_EQ(frame->DataContainer(), before);
  EXPECT_EQ(_SLCountStores.load(), 1);
  EXPECT_EQ(SLMemoryPoolState().size(), pool.size());
}

TEST_F(ImageTest, SetFormatRgbRelabelsByCopying) {
  const Picture picture = TestPicture(5, 3);
  auto frame = RgbFrame(picture, 5, 3);
  TSLSmartBuffer* before = frame->DataContainer();
  frame->GetTimeStamp()->SetAvailable(true);
  frame->GetTimeStamp()->SetBegin(10);
  frame->SetFormat(vfRGB);
  EXPECT_EQ(frame->GetFormat(), vfRGB);
  EXPECT_NE(frame->DataContainer(), before);
  EXPECT_EQ(PictureOf(frame.get()), picture);
  EXPECT_EQ(frame->GetStep(), 3 * 8);
  // Same container class: the time stamps come along.
  EXPECT_TRUE(frame->GetTimeStamp()->Available());
  EXPECT_EQ(frame->GetTimeStamp()->Begin(), 10);
  // vfRGB is treated as RGB24 everywhere.
  frame->SetFormatRGB();
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
}

TEST_F(ImageTest, ConvertedFramesStartWithoutTimeStamps) {
  auto frame = NewFrame(4, 2, vfYUY2);
  frame->GetTimeStamp()->SetAvailable(true);
  frame->GetTimeStamp()->SetBegin(100);
  frame->GetTimeStamp()->SetEnd(200);
  frame->GetSequenceStamp()->SetAvailable(true);
  frame->SetFormat(vfRGB24);
  EXPECT_FALSE(frame->GetTimeStamp()->Available());
  EXPECT_EQ(frame->GetTimeStamp()->Begin(), 0);
  EXPECT_EQ(frame->GetTimeStamp()->End(), 0);
  EXPECT_FALSE(frame->GetSequenceStamp()->Available());
}

TEST_F(ImageTest, ConversionOfASharedFrameLeavesTheOtherHandleAlone) {
  const Picture picture = TestPicture(6, 2);
  auto frame = RgbFrame(picture, 6, 2);
  TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
  const std::vector<uint8_t> bytes = RowBytes(other.get());
  frame->SetFormat(vfUYVY);
  EXPECT_EQ(other->GetFormat(), vfRGB24);
  EXPECT_EQ(RowBytes(other.get()), bytes);
  EXPECT_NE(frame->DataContainer(), other->DataContainer());
}

// The heap refusing a block leaves the frame as it was.
TEST_F(ImageTest, OutOfMemoryKeepsTheOldContainer) {
  auto frame = NewFrame(32, 8, vfYUY2);
  TSLSmartBuffer* before = frame->DataContainer();
  SLMemoryCleanUp();
  const SLHeapFunctions old = SLSetHeapFunctions({[](std::size_t) -> void* { return nullptr; }, [](void*) {}});
  EXPECT_THROW(frame->SetFormat(vfRGB24), ESLOutOfMemory);
  EXPECT_THROW(frame->SetImageSizeFormat(64, 8, vfRGBA32), ESLOutOfMemory);
  SLSetHeapFunctions(old);
  EXPECT_EQ(frame->GetFormat(), vfYUY2);
  EXPECT_EQ(frame->DataContainer(), before);
  EXPECT_EQ(frame->GetWidth(), 32);
  EXPECT_EQ(_SLCountStores.load(), 1);
}

}  // namespace
}  // namespace lumicar::test
