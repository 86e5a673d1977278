// Frame geometry per format, the subtype mapping, and size changes.

#include <gtest/gtest.h>

#include <QMetaEnum>

#include "buffers/media_subtypes.h"
#include "buffers/sl_exception.h"
#include "image_test_support.h"

namespace lumicar::test {
namespace {

TEST_F(ImageTest, Rgb24RowsArePaddedToFourPixels) {
  auto frame = NewFrame(641, 480, vfRGB24);
  EXPECT_EQ(frame->GetExtWidth(), 644);
  EXPECT_EQ(frame->GetStep(), 1932);
  EXPECT_EQ(frame->GetSize(), 927360u);
  EXPECT_EQ(frame->GetByteSize(), 927360u);
  EXPECT_EQ(frame->GetBytesPerPixel(), 3);
  EXPECT_EQ(frame->GetDimSize(), QSize(641, 480));
  frame->SetImageSizeFormat(641, 480, vfYUY2);
  EXPECT_EQ(frame->GetSize(), 615360u);
  EXPECT_EQ(frame->GetExtWidth(), 644);
  // Packed rows: the step is the row that the pixels really occupy, so that
  // step x height never reaches past the buffer.
  EXPECT_EQ(frame->GetStep(), 1282);
  EXPECT_LE(uint64_t(frame->GetStep()) * frame->GetHeight(), frame->GetSize());
}

TEST_F(ImageTest, EveryFormatHasTheGeometryOfItsLayout) {
  struct Row {
    TVLVideoFormat format;
    int bytesPerPixel, extWidth, step;
    uint32_t size;
  };
  // Width 6, height 5.
  const Row rows[] = {
      {vfRGB24, 3, 8, 24, 120}, {vfYUY2, 2, 8, 12, 60},   {vfUYVY, 2, 8, 12, 60},     {vfRGBA32, 4, 6, 24, 120},
      {vfRGB565, 2, 6, 12, 60}, {vfRGB555, 2, 6, 12, 60}, {vfGrayScale, 1, 6, 6, 30}, {vfRGB, 3, 8, 24, 120},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(int(r.format));
    auto frame = NewFrame(6, 5, r.format);
    EXPECT_EQ(frame->GetFormat(), r.format);
    EXPECT_EQ(frame->GetBytesPerPixel(), r.bytesPerPixel);
    EXPECT_EQ(frame->GetExtWidth(), r.extWidth);
    EXPECT_EQ(frame->GetStep(), r.step);
    EXPECT_EQ(frame->GetSize(), r.size);
  }
  // Width 8: the YUV step is 2 x padded width.
  EXPECT_EQ(NewFrame(8, 2, vfYUY2)->GetStep(), 16);
  // Width 0 stays 0.
  auto empty = MakeIntf<TVLImageBuffer>();
  EXPECT_EQ(empty->GetFormat(), vfRGB24);
  EXPECT_EQ(empty->GetWidth(), 0);
  EXPECT_EQ(empty->GetExtWidth(), 0);
  EXPECT_EQ(empty->GetSize(), 0u);
}

TEST_F(ImageTest, Rgb24PaddingBytesAreZero) {
  auto frame = NewFrame(5, 3, vfRGB24);
  const uint8_t* d = frame->Read();
  for (int y = 0; y < 3; ++y)
    for (int i = 15; i < 24; ++i) EXPECT_EQ(d[y * 24 + i], 0);
}

TEST_F(ImageTest, ImpossibleSizesAreRefused) {
  EXPECT_THROW(NewFrame(-1, 10, vfRGB24), ESLRangeError);
  EXPECT_THROW(NewFrame(10, -1, vfGrayScale), ESLRangeError);
  EXPECT_THROW(NewFrame(40000, 40000, vfRGBA32), ESLRangeError);
  EXPECT_THROW(NewFrame(4, 4, TVLVideoFormat(8)), ESLException);
  auto frame = NewFrame(4, 4, vfRGB24);
  EXPECT_THROW(frame->SetImageSize(-4, 4), ESLRangeError);
  EXPECT_THROW(frame->SetFormat(TVLVideoFormat(9)), ESLException);
  EXPECT_EQ(frame->GetWidth(), 4);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
}

TEST_F(ImageTest, SetImageSizeFormatKeepsTimeStampsButNotPixels) {
  auto frame = NewFrame(8, 4, vfRGB24);
  frame->SetValue(VLRGB(1, 2, 3));
  frame->GetTimeStamp()->SetAvailable(true);
  frame->GetTimeStamp()->SetBegin(5);
  frame->GetTimeStamp()->SetEnd(9);
  TSLSmartBuffer* before = frame->DataContainer();

  frame->SetImageSizeFormat(8, 4, vfRGB24);
  EXPECT_EQ(frame->DataContainer(), before);
  EXPECT_EQ(frame->GetPixel(7, 3), VLRGB(1, 2, 3));

  frame->SetImageSize(10, 4);
  EXPECT_NE(frame->DataContainer(), before);
  EXPECT_EQ(frame->GetWidth(), 10);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  EXPECT_TRUE(frame->GetTimeStamp()->Available());
  EXPECT_EQ(frame->GetTimeStamp()->Begin(), 5);
  EXPECT_EQ(frame->GetTimeStamp()->End(), 9);

  frame->SetImageSizeFormat(10, 4, vfGrayScale);
  EXPECT_EQ(frame->GetFormat(), vfGrayScale);
  EXPECT_EQ(frame->GetSize(), 40u);
  EXPECT_EQ(frame->GetTimeStamp()->End(), 9);
  EXPECT_EQ(_SLCountStores.load(), 1);
}

TEST_F(ImageTest, FormatNamesAreKnownToTheMetaObjectSystem) {
  const QMetaEnum names = QMetaEnum::fromType<TVLVideoFormat>();
  ASSERT_TRUE(names.isValid());
  EXPECT_EQ(names.keyCount(), kVLVideoFormatCount);
  EXPECT_STREQ(names.valueToKey(vfYUY2), "vfYUY2");
  EXPECT_STREQ(names.valueToKey(vfGrayScale), "vfGrayScale");
  EXPECT_EQ(names.keyToValue("vfRGB"), 7);
}

TEST_F(ImageTest, FormatsMapToMediaSubtypesAndBack) {
  EXPECT_EQ(VLGetGUIDFromFormat(vfRGB24), MEDIASUBTYPE_RGB24);
  EXPECT_EQ(VLGetGUIDFromFormat(vfRGB), MEDIASUBTYPE_RGB24);
  EXPECT_EQ(VLGetGUIDFromFormat(vfYUY2), MEDIASUBTYPE_YUY2);
  EXPECT_EQ(VLGetGUIDFromFormat(vfUYVY), MEDIASUBTYPE_UYVY);
  EXPECT_EQ(VLGetGUIDFromFormat(vfRGBA32), MEDIASUBTYPE_RGB32);
  EXPECT_EQ(VLGetGUIDFromFormat(vfRGB565), MEDIASUBTYPE_RGB565);
  EXPECT_EQ(VLGetGUIDFromFormat(vfRGB555), MEDIASUBTYPE_RGB555);
  EXPECT_EQ(VLGetGUIDFromFormat(vfGrayScale), MEDIASUBTYPE_RGB8);

  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_YUY2), vfYUY2);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_UYVY), vfUYVY);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_RGB565), vfRGB565);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_RGB555), vfRGB555);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_RGB8), vfGrayScale);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_RGB32), vfRGBA32);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_ARGB32), vfRGBA32);
  EXPECT_EQ(VLGetFormatFromGUID(MEDIASUBTYPE_RGB24), vfRGB24);
  EXPECT_EQ(VLGetFormatFromGUID(GUID_NULL), vfRGB24);

  // The FOURCC subtypes carry the four characters in their first field.
  EXPECT_EQ(MEDIASUBTYPE_YUY2.D1, uint32_t('Y') | uint32_t('U') << 8 | uint32_t('Y') << 16 | uint32_t('2') << 24);
  EXPECT_EQ(MEDIASUBTYPE_UYVY.D1, uint32_t('U') | uint32_t('Y') << 8 | uint32_t('V') << 16 | uint32_t('Y') << 24);
}

}  // namespace
}  // namespace lumicar::test
