// The frame handle: sharing and copy-on-write, pixel and channel access,
// construction from other handles.

#include <gtest/gtest.h>

#include <functional>

#include "buffers/block_buffer.h"
#include "buffers/sl_exception.h"
#include "image_test_support.h"

namespace lumicar::test {
namespace {

TEST_F(ImageTest, SharedFrameWrittenThroughOneHandleLeavesTheOtherUntouched) {
  const Picture picture = TestPicture(6, 4);
  // Each writer: the operation and the format the other handle must keep.
  const std::function<void(TVLImageBuffer&)> writers[] = {
      [](TVLImageBuffer& f) { f.Modify()[0] ^= 0xFF; },
      [](TVLImageBuffer& f) { f.Write()[0] = 1; },
      [](TVLImageBuffer& f) { f.SetPixel(1, 1, VLRGB(9, 9, 9)); },
      [](TVLImageBuffer& f) { f.SetRedChannel(7); },
      [](TVLImageBuffer& f) { f.SetAlphaChannel(7); },
      [](TVLImageBuffer& f) { f.SetValue(VLRGB(1, 2, 3)); },
      [](TVLImageBuffer& f) { f.SetValue(uint8_t(4)); },
      [](TVLImageBuffer& f) { f.AddValue(VLRGB(10, 20, 30)); },
      [](TVLImageBuffer& f) { f.LNot(); },
      [](TVLImageBuffer& f) { f.Add(&f); },
      [](TVLImageBuffer& f) { f.SetGrayScale(2, 2, 100); },
  };
  for (TVLVideoFormat format : {vfRGB24, vfRGBA32, vfYUY2, vfGrayScale}) {
    for (std::size_t i = 0; i < std::size(writers); ++i) {
      SCOPED_TRACE(testing::Message() << "format " << int(format) << ", writer " << i);
      auto frame = RgbFrame(picture, 6, 4);
      frame->SetFormat(format);
      TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
      EXPECT_EQ(other->Read(), frame->Read()) << "a copy shares the pixels";
      const std::vector<uint8_t> before = RowBytes(other.get());
      writers[i](*frame);
      EXPECT_EQ(other->GetFormat(), format);
      EXPECT_EQ(RowBytes(other.get()), before);
      EXPECT_NE(other->Read(), frame->Read());
    }
  }
}

TEST_F(ImageTest, AnUnsharedFrameIsWrittenInPlace) {
  auto frame = NewFrame(4, 4, vfRGB24);
  const uint8_t* before = frame->Read();
  EXPECT_EQ(frame->Modify(), before);
  frame->SetPixel(0, 0, VLRGB(1, 2, 3));
  EXPECT_EQ(frame->Read(), before);
  // A handle that gave up ownership does not force a copy on the owner.
  TIntf<TVLImageBuffer> transport = MakeIntf<TVLImageBuffer>(*frame);
  transport->RemoveOwnerShip();
  EXPECT_EQ(frame->Modify(), before);
}

TEST_F(ImageTest, HandlesShareThroughEveryInterface) {
  auto frame = NewFrame(4, 2, vfUYVY);
  frame->SetIsKeyFrame(true);
  TIntf<IVLImageBuffer> image =
      QueryIntf<IVLImageBuffer>(static_cast<IVLImageBuffer*>(frame.get()), IID_IVLImageBuffer);
  ASSERT_TRUE(image);
  EXPECT_TRUE(QueryIntf<IMLMediaBuffer>(image.get(), IID_IMLMediaBuffer));
  EXPECT_TRUE(QueryIntf<ISLData>(image.get(), IID_ISLData));

  auto fromInterface = MakeIntf<TVLImageBuffer>(image.get());
  EXPECT_EQ(fromInterface->GetFormat(), vfUYVY);
  EXPECT_TRUE(fromInterface->GetIsKeyFrame());
  EXPECT_EQ(fromInterface->Read(), frame->Read());

  TIntf<ISLData> copy = frame->MakeCopy();
  auto* copied = dynamic_cast<TVLImageBuffer*>(copy->GetInstance());
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->GetFormat(), vfUYVY);
  EXPECT_TRUE(copied->GetIsKeyFrame());
  EXPECT_EQ(copied->Read(), frame->Read());

  // Assign takes the other frame's container and format, not its key flag.
  auto target = NewFrame(2, 2, vfGrayScale);
  target->Assign(frame.get());
  EXPECT_EQ(target->GetFormat(), vfUYVY);
  EXPECT_EQ(target->GetWidth(), 4);
  EXPECT_EQ(target->GetSize(), 16u);
  EXPECT_FALSE(target->GetIsKeyFrame());
  EXPECT_EQ(target->Read(), frame->Read());
  EXPECT_EQ(_SLCountStores.load(), 1);
}

TEST_F(ImageTest, ConstructionFromBytesCopiesTheBufferSize) {
  std::vector<uint8_t> bytes(24);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
  auto frame = MakeIntf<TVLImageBuffer>(bytes.data(), 3, 2, vfRGBA32);
  EXPECT_EQ(std::vector<uint8_t>(frame->Read(), frame->Read() + 24), bytes);
  EXPECT_EQ(frame->GetPixel(1, 0), VLRGB(6, 5, 4));
  EXPECT_EQ(frame->GetAlpha(1, 0), 7);
  EXPECT_THROW(MakeIntf<TVLImageBuffer>(nullptr, 3, 2, vfRGBA32), ESLException);
}

TEST_F(ImageTest, ANonImageHandleCannotBecomeAFrame) {
  EXPECT_THROW(MakeIntf<TVLImageBuffer>(static_cast<ISLData*>(nullptr)), ESLException);
  auto bytes = MakeIntf<TSLBlockBuffer>(uint32_t(12));
  EXPECT_THROW(MakeIntf<TVLImageBuffer>(static_cast<ISLData*>(bytes.get())), ESLException);
  auto frame = NewFrame(2, 2, vfRGB24);
  EXPECT_THROW(frame->Assign(bytes.get()), ESLException);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  EXPECT_EQ(frame->GetSize(), 24u);
  bytes.reset();
  frame.reset();
  EXPECT_EQ(_SLCountStores.load(), 0);
}

TEST_F(ImageTest, YuvPixelsAreReadFromTheirGroup) {
  // Groups at x = 0 and x = 4 differ; x = 5 must use the group at 4.
  const uint8_t row[12] = {50, 128, 60, 128, 70, 128, 80, 128, 16, 128, 235, 128};
  auto yuy2 = MakeIntf<TVLImageBuffer>(row, 6, 1, vfYUY2);
  EXPECT_EQ(yuy2->GetPixel(5, 0), VLRGB(235, 235, 235));
  EXPECT_EQ(yuy2->GetPixel(4, 0), VLRGB(16, 16, 16));
  EXPECT_EQ(yuy2->GetRed(5, 0), 235);
  EXPECT_EQ(yuy2->GetAlpha(5, 0), 255);
  EXPECT_EQ(yuy2->GetGrayScale(5, 0), 235);
  yuy2->SetFormat(vfUYVY);
  EXPECT_EQ(yuy2->GetPixel(5, 0), VLRGB(235, 235, 235));
  EXPECT_EQ(yuy2->GetPixel(2, 0), VLRGB(70, 70, 70));
}

TEST_F(ImageTest, LastPixelOfAnOddYuvRowStaysInsideTheRow) {
  // A 3 x 2 frame: the last pixel of the last row sits at the very end of
  // the buffer; reading it must not touch anything beyond.
  const Picture picture = TestPicture(3, 2);
  auto frame = RgbFrame(picture, 3, 2);
  frame->SetFormat(vfYUY2);
  ASSERT_EQ(frame->GetSize(), 12u);
  const Picture expected = model::Decode(vfYUY2, RowBytes(frame.get()), 3, 2);
  EXPECT_EQ(PictureOf(frame.get()), expected);
  // One pixel per row: its only chroma byte serves as U and V.
  auto narrow = RgbFrame(TestPicture(1, 2), 1, 2);
  narrow->SetFormat(vfUYVY);
  ASSERT_EQ(narrow->GetSize(), 4u);
  EXPECT_EQ(PictureOf(narrow.get()), model::Decode(vfUYVY, RowBytes(narrow.get()), 1, 2));
}

TEST_F(ImageTest, PixelWritersConvertToAWritableFormat) {
  auto frame = NewFrame(4, 2, vfYUY2);
  frame->SetPixel(1, 1, VLRGB(10, 20, 30));
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  EXPECT_EQ(frame->GetPixel(1, 1), VLRGB(10, 20, 30));
  const uint8_t* p = frame->Read() + frame->GetStep() + 3;
  EXPECT_EQ((std::vector<uint8_t>{p, p + 3}), (std::vector<uint8_t>{30, 20, 10}));

  frame->SetRed(0, 0, 1);
  frame->SetGreen(0, 0, 2);
  frame->SetBlue(0, 0, 3);
  EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(1, 2, 3));

  frame->SetAlpha(0, 0, 77);
  EXPECT_EQ(frame->GetFormat(), vfRGBA32);
  EXPECT_EQ(frame->GetAlpha(0, 0), 77);
  EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(1, 2, 3));
  frame->SetPixelAlpha(3, 1, VLRGB(4, 5, 6), 8);
  EXPECT_EQ(frame->GetPixel(3, 1), VLRGB(4, 5, 6));
  EXPECT_EQ(frame->GetAlpha(3, 1), 8);

  auto packed = NewFrame(2, 2, vfRGB565);
  packed->SetGreen(0, 0, 100);
  EXPECT_EQ(packed->GetFormat(), vfRGB24);
}

TEST_F(ImageTest, GrayScaleWriterKeepsRgbFormats) {
  auto rgba = NewFrame(2, 1, vfRGBA32);
  rgba->SetGrayScale(1, 0, 90);
  EXPECT_EQ(rgba->GetFormat(), vfRGBA32);
  EXPECT_EQ(rgba->GetPixel(1, 0), VLRGB(90, 90, 90));
  auto yuv = NewFrame(2, 1, vfYUY2);
  yuv->SetGrayScale(0, 0, 90);
  EXPECT_EQ(yuv->GetFormat(), vfGrayScale);
  EXPECT_EQ(yuv->GetGrayScale(0, 0), 90);
  EXPECT_EQ(yuv->GetPixel(0, 0), VLRGB(90, 90, 90));
}

TEST_F(ImageTest, GrayScaleOfColourFramesRoundsHalfToEven) {
  // 0.114 x 250 = 28.5 exactly: ties go to the even 28.
  auto rgba = NewFrame(1, 1, vfRGBA32);
  rgba->SetPixel(0, 0, VLRGB(0, 0, 250));
  EXPECT_EQ(rgba->GetGrayScale(0, 0), 28);
  EXPECT_EQ(VLLuminance(0, 0, 250), 28);
  EXPECT_EQ(VLLuminance(255, 255, 255), 255);
  EXPECT_EQ(VLLuminance(10, 0, 0), 3);  // 2.99
}

TEST_F(ImageTest, SixteenBitAccessorsUseTheFormatTableLayout) {
  for (TVLVideoFormat packed : {vfRGB565, vfRGB555}) {
    SCOPED_TRACE(int(packed));
    auto frame = NewFrame(2, 1, packed);
    frame->SetPixelInt(0, 0, VLRGB(0xFF, 0, 0));  // red: the high bits
    const uint16_t word = uint16_t(frame->Read()[0] | frame->Read()[1] << 8);
    EXPECT_EQ(word, packed == vfRGB565 ? 0xF800 : 0x7C00);
    frame->SetPixelInt(1, 0, VLRGB(201, 102, 53));
    const uint8_t greenMask = packed == vfRGB565 ? 0xFC : 0xF8;
    EXPECT_EQ(frame->GetPixel(1, 0), VLRGB(201 & 0xF8, 102 & greenMask, 53 & 0xF8));
    frame->SetRedInt(1, 0, 255);
    EXPECT_EQ(frame->GetRed(1, 0), 248);
    EXPECT_EQ(frame->GetBlue(1, 0), 53 & 0xF8);
    // The writers agree with the whole-frame conversion.
    const Picture seen = PictureOf(frame.get());
    frame->SetFormat(vfRGB24);
    EXPECT_EQ(PictureOf(frame.get()), seen);
  }
}

TEST_F(ImageTest, IntWritersNeitherConvertNorCopy) {
  auto frame = NewFrame(2, 2, vfRGBA32);
  TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
  frame->SetPixelInt(0, 0, VLRGB(1, 2, 3));
  frame->SetAlphaInt(0, 0, 4);
  EXPECT_EQ(other->GetPixel(0, 0), VLRGB(1, 2, 3)) << "no copy-on-write";
  EXPECT_EQ(other->GetAlpha(0, 0), 4);
  auto yuv = NewFrame(2, 2, vfYUY2);
  const std::vector<uint8_t> zeros(8, 0);
  std::memset(yuv->Write(), 0, yuv->GetSize());
  yuv->SetPixelInt(0, 0, VLRGB(1, 2, 3));  // no writable component
  yuv->SetGrayScaleInt(1, 1, 200);
  EXPECT_EQ(yuv->GetFormat(), vfYUY2);
  EXPECT_EQ(std::vector<uint8_t>(yuv->Read(), yuv->Read() + 8), zeros);
  auto gray = NewFrame(2, 1, vfGrayScale);
  gray->SetGrayScaleInt(1, 0, 200);
  EXPECT_EQ(gray->GetGrayScale(1, 0), 200);
}

TEST_F(ImageTest, PixelAccessOutsideThePictureIsRefused) {
  auto frame = NewFrame(4, 3, vfRGB24);
  EXPECT_THROW(frame->GetPixel(4, 0), ESLRangeError);
  EXPECT_THROW(frame->GetPixel(0, 3), ESLRangeError);
  EXPECT_THROW(frame->GetRed(-1, 0), ESLRangeError);
  EXPECT_THROW(frame->SetPixel(0, -1, VLRGB(0, 0, 0)), ESLRangeError);
  EXPECT_THROW(frame->SetAlpha(4, 2, 0), ESLRangeError);
  EXPECT_THROW(frame->SetPixelInt(100, 100, VLRGB(0, 0, 0)), ESLRangeError);
  EXPECT_EQ(frame->GetFormat(), vfRGB24) << "a refused write changes nothing";
  EXPECT_THROW(MakeIntf<TVLImageBuffer>()->GetPixel(0, 0), ESLRangeError);
}

TEST_F(ImageTest, ChannelsAreSetAndReadWhole) {
  const Picture picture = TestPicture(5, 3);
  auto frame = RgbFrame(picture, 5, 3);
  frame->SetFormat(vfYUY2);
  const Picture seen = PictureOf(frame.get());

  TIntf<IVLImageBuffer> green = frame->GetGreenChannel();
  EXPECT_EQ(frame->GetFormat(), vfYUY2) << "reading a channel leaves the frame alone";
  EXPECT_EQ(green->GetFormat(), vfGrayScale);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(green->GetGrayScale(x, y), seen[y * 5 + x].g);
  TIntf<IVLImageBuffer> alpha = frame->GetAlphaChannel();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(alpha->GetGrayScale(x, y), 255);

  frame->SetRedChannel(11);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(frame->GetRed(x, 2), 11);
    EXPECT_EQ(frame->GetGreen(x, 2), seen[10 + x].g);
  }
  frame->SetAlphaChannel(33);
  EXPECT_EQ(frame->GetFormat(), vfRGBA32);
  frame->SetBlueChannel(44);
  EXPECT_EQ(frame->GetFormat(), vfRGBA32);
  TIntf<IVLImageBuffer> a = frame->GetAlphaChannel();
  TIntf<IVLImageBuffer> b = frame->GetBlueChannel();
  TIntf<IVLImageBuffer> r = frame->GetRedChannel();
  EXPECT_EQ(a->GetGrayScale(4, 2), 33);
  EXPECT_EQ(b->GetGrayScale(4, 2), 44);
  EXPECT_EQ(r->GetGrayScale(4, 2), 11);
  EXPECT_EQ(frame->GetGreen(4, 2), seen[14].g);
}

TEST_F(ImageTest, TimeCodeAndDateViewsFollowTheContainer) {
  auto frame = NewFrame(2, 2, vfRGB24);
  frame->GetTimeCode()->SetAvailable(true);
  frame->GetTimeCode()->SetHour(12);
  frame->GetDateTime()->SetYear(2024);
  EXPECT_TRUE(frame->GetTimeCode()->Available());
  EXPECT_EQ(frame->GetTimeCode()->Hour(), 12);
  EXPECT_EQ(frame->GetDateTime()->Year(), 2024);
  TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
  EXPECT_EQ(other->GetTimeCode()->Hour(), 12) << "shared container, shared fields";
  // A new container (copy-on-write) does not take the recording fields.
  frame->Modify();
  EXPECT_FALSE(frame->GetTimeCode()->Available());
  EXPECT_TRUE(other->GetTimeCode()->Available());
}

}  // namespace
}  // namespace lumicar::test
