// Frames and QImage: both directions, and the bitmap files the frame writes
// as a common image reader sees them.

#include "buffers/qimage/image_qimage.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "tests/buffers/image_test_support.h"

namespace lumicar::test {
namespace {

TEST_F(ImageTest, FramesBecomeImagesAndBack) {
  const Picture picture = TestPicture(7, 5);
  auto frame = RgbFrame(picture, 7, 5);
  frame->SetFormat(vfYUY2);
  const Picture seen = PictureOf(frame.get());
  QImage image;
  ToBitmap(frame.get(), image);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  ASSERT_EQ(image.size(), QSize(7, 5));
  EXPECT_EQ(image.depth(), 24);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const QColor c = image.pixelColor(x, y);
      const Bgr& p = seen[y * 7 + x];
      ASSERT_EQ(c.red(), p.r);
      ASSERT_EQ(c.green(), p.g);
      ASSERT_EQ(c.blue(), p.b);
    }
  TIntf<IVLImageBuffer> back = VLImageFromBitmap(image);
  EXPECT_EQ(back->GetFormat(), vfRGB24);
  EXPECT_EQ(PictureOf(back.get()), seen);
}

TEST_F(ImageTest, ThirtyTwoBitImagesKeepTheirAlpha) {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(QColor(10, 20, 30, 40));
  image.setPixelColor(2, 1, QColor(50, 60, 70, 80));
  TIntf<IVLImageBuffer> frame = VLImageFromBitmap(image);
  EXPECT_EQ(frame->GetFormat(), vfRGBA32);
  EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(10, 20, 30));
  EXPECT_EQ(frame->GetAlpha(0, 0), 40);
  EXPECT_EQ(frame->GetPixel(2, 1), VLRGB(50, 60, 70));
  EXPECT_EQ(frame->GetAlpha(2, 1), 80);

  QImage out;
  ToBitmap(frame.get(), out);
  EXPECT_EQ(out.format(), QImage::Format_ARGB32);
  EXPECT_EQ(out.pixelColor(2, 1), QColor(50, 60, 70, 80));

  // Other depths arrive as RGB24; an empty image changes nothing.
  QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
  FromBitmap(frame.get(), indexed);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  FromBitmap(frame.get(), QImage());
  EXPECT_EQ(frame->GetDimSize(), QSize(3, 2));
}

TEST_F(ImageTest, SavedBitmapFilesOpenInACommonReader) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const Picture picture = TestPicture(9, 4);
  auto frame = RgbFrame(picture, 9, 4);
  const QString path = dir.filePath("picture.bmp");
  frame->SaveToBitmapFile(path);
  QImage read(path, "BMP");
  ASSERT_FALSE(read.isNull());
  ASSERT_EQ(read.size(), QSize(9, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) {
      const Bgr& p = picture[y * 9 + x];
      ASSERT_EQ(read.pixelColor(x, y), QColor(p.r, p.g, p.b)) << x << "," << y;
    }
}

}  // namespace
}  // namespace lumicar::test
