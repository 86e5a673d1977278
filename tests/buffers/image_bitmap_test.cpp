// The library bitmap, bitmap files, and the DV time code reader.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "buffers/sl_exception.h"
#include "buffers/vl_bitmap.h"
#include "buffers/vl_dv_time_code.h"
#include "image_test_support.h"

namespace lumicar::test {
namespace {

TEST_F(ImageTest, BitmapBufferImportAndExportUseTheGivenPitch) {
  // Rows 10 bytes apart, 2 pixels of 3 bytes each.
  std::vector<uint8_t> source(30);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i);
  TVLBitmap bitmap;
  bitmap.ImportBuffer(source.data(), 10, 2, 3, TVLBitmapFormat::bf24bpp);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.Stride(), 8);
  EXPECT_EQ(bitmap.ScanLine(2)[0], 20);
  EXPECT_EQ(bitmap.ScanLine(2)[5], 25);
  std::vector<uint8_t> out(3 * 7, 0xEE);
  bitmap.ExportBuffer(out.data(), 7);
  EXPECT_EQ(out[7 + 5], 15);
  EXPECT_EQ(out[7 + 6], 0xEE) << "nothing beyond each row's pixels";
}

TEST_F(ImageTest, FramesGoThroughTheLibraryBitmap) {
  const Picture picture = TestPicture(5, 3);
  auto frame = RgbFrame(picture, 5, 3);
  frame->SetFormat(vfUYVY);
  const Picture seen = PictureOf(frame.get());
  TVLBitmap bitmap;
  frame->ToBitmap(bitmap);
  EXPECT_EQ(frame->GetFormat(), vfRGB24) << "the frame itself turns RGB24";
  EXPECT_EQ(bitmap.Format(), TVLBitmapFormat::bf24bpp);
  EXPECT_EQ(bitmap.ScanLine(1)[3 * 4 + 2], seen[5 + 4].r);

  auto back = MakeIntf<TVLImageBuffer>(bitmap);
  EXPECT_EQ(back->GetFormat(), vfRGB24);
  EXPECT_EQ(PictureOf(back.get()), seen);

  auto rgba = NewFrame(2, 2, vfRGBA32);
  rgba->SetValue(VLRGB(1, 2, 3), 4);
  rgba->ToBitmap(bitmap);
  EXPECT_EQ(bitmap.Format(), TVLBitmapFormat::bf32bpp);
  auto target = NewFrame(9, 9, vfYUY2);
  target->GetTimeStamp()->SetAvailable(true);
  target->FromBitmap(bitmap);
  EXPECT_EQ(target->GetFormat(), vfRGBA32);
  EXPECT_EQ(target->GetDimSize(), QSize(2, 2));
  EXPECT_EQ(target->GetAlpha(1, 1), 4);
  EXPECT_TRUE(target->GetTimeStamp()->Available());

  target->FromBitmap(TVLBitmap());
  EXPECT_EQ(target->GetDimSize(), QSize(2, 2)) << "an empty bitmap changes nothing";
}

TEST_F(ImageTest, BitmapFilesAreStandardAndReadBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("frame.bmp");
  const Picture picture = TestPicture(5, 3);
  auto frame = RgbFrame(picture, 5, 3);
  frame->SaveToBitmapFile(path);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  ASSERT_EQ(data.size(), 54 + 16 * 3);  // rows of 15 bytes padded to 16
  auto u32 = [&](int at) {
    return uint32_t(uint8_t(data[at])) | uint32_t(uint8_t(data[at + 1])) << 8 | uint32_t(uint8_t(data[at + 2])) << 16 |
           uint32_t(uint8_t(data[at + 3])) << 24;
  };
  EXPECT_EQ(data[0], 'B');
  EXPECT_EQ(data[1], 'M');
  EXPECT_EQ(u32(2), uint32_t(data.size()));
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(18), 5u);
  EXPECT_EQ(u32(22), 3u);
  EXPECT_EQ(uint8_t(data[28]), 24);
  // Bottom-up: the first stored row is the bottom row of the picture.
  EXPECT_EQ(uint8_t(data[54 + 0]), picture[10].b);
  EXPECT_EQ(uint8_t(data[54 + 2]), picture[10].r);

  TVLBitmap loaded;
  loaded.LoadFromFile(path);
  auto back = MakeIntf<TVLImageBuffer>(loaded);
  EXPECT_EQ(PictureOf(back.get()), picture);

  auto rgba = NewFrame(3, 2, vfRGBA32);
  rgba->SetValue(VLRGB(10, 20, 30), 40);
  rgba->SaveToBitmapFile(path);
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Format(), TVLBitmapFormat::bf32bpp);
  back = MakeIntf<TVLImageBuffer>(loaded);
  EXPECT_EQ(back->GetFormat(), vfRGBA32);
  EXPECT_EQ(back->GetPixel(2, 1), VLRGB(10, 20, 30));
  EXPECT_EQ(back->GetAlpha(2, 1), 40);
}

TEST_F(ImageTest, BadBitmapFilesAreRefused) {
  QTemporaryDir dir;
  const QString path = dir.filePath("bad.bmp");
  TVLBitmap bitmap(2, 2, TVLBitmapFormat::bf24bpp);
  EXPECT_THROW(bitmap.LoadFromFile(dir.filePath("missing.bmp")), ESLStreamError);
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM not a bitmap");
  }
  EXPECT_THROW(bitmap.LoadFromFile(path), ESLStreamError);
  // A valid header whose pixels are cut short.
  TVLBitmap(4, 4, TVLBitmapFormat::bf24bpp).SaveToFile(path);
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(54 + 12);
  }
  EXPECT_THROW(bitmap.LoadFromFile(path), ESLStreamError);
  EXPECT_EQ(bitmap.Width(), 2) << "a failed load keeps the bitmap";
  EXPECT_THROW(TVLBitmap().SaveToFile(dir.filePath("no/such/dir/x.bmp")), ESLStreamError);
}

// Puts a five-byte pack at sequence i, block j, pack k.
void PutPack(std::vector<uint8_t>& dv, int i, int j, int k, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), dv.begin() + 86 + 12000 * i + 80 * j + 8 * k);
}

TEST_F(ImageTest, DvTimeCodeAndRecordingDateAreRead) {
  std::vector<uint8_t> dv(12000 * 12, 0xFF);
  PutPack(dv, 0, 1, 2, {0x13, 0x24, 0x59, 0x45, 0x23});  // frame 24, 59 s, 45 min, 23 h
  PutPack(dv, 3, 0, 0, {0x62, 0xFF, 0x31, 0x12, 0x99});  // 31.12.1999
  PutPack(dv, 3, 0, 1, {0x63, 0xFF, 0x07, 0x08, 0x09});  // 09:08:07
  auto frame = NewFrame(2, 2, vfRGB24);
  VLDSExtractTimeCode(dv.data(), uint32_t(dv.size()), frame.get());
  const TVLTimeCodeFields tc = frame->GetTimeCode()->Fields();
  EXPECT_TRUE(tc.Available);
  EXPECT_EQ(tc.Frame, 24);
  EXPECT_EQ(tc.Sec, 59);
  EXPECT_EQ(tc.Min, 45);
  EXPECT_EQ(tc.Hour, 23);
  const TVLDateTimeFields dt = frame->GetDateTime()->Fields();
  EXPECT_TRUE(dt.Available);
  EXPECT_EQ(dt.Day, 31);
  EXPECT_EQ(dt.Month, 12);
  EXPECT_EQ(dt.Year, 1999);
  EXPECT_EQ(dt.Hour, 9);
  EXPECT_EQ(dt.Min, 8);
  EXPECT_EQ(dt.Sec, 7);

  // Years up to 24 are this century; the tens of the month are one bit.
  PutPack(dv, 3, 0, 0, {0x62, 0xFF, 0x01, 0x11, 0x24});
  VLDSExtractTimeCode(dv.data(), uint32_t(dv.size()), frame.get());
  EXPECT_EQ(frame->GetDateTime()->Year(), 2024);
  EXPECT_EQ(frame->GetDateTime()->Month(), 11);
}

TEST_F(ImageTest, DvSearchStopsAtTheEndOfTheData) {
  std::vector<uint8_t> dv(12000 * 12, 0xFF);
  PutPack(dv, 1, 0, 0, {0x13, 0x01, 0x02, 0x03, 0x04});
  auto frame = NewFrame(1, 1, vfRGB24);
  frame->GetTimeCode()->SetAvailable(true);
  frame->GetDateTime()->SetAvailable(true);
  // The pack at 12086 ends at byte 12091, beyond a 12090-byte frame.
  VLDSExtractTimeCode(dv.data(), 12090, frame.get());
  EXPECT_FALSE(frame->GetTimeCode()->Available()) << "both flags are cleared first";
  EXPECT_FALSE(frame->GetDateTime()->Available());
  VLDSExtractTimeCode(dv.data(), 12091, frame.get());
  EXPECT_TRUE(frame->GetTimeCode()->Available());
  EXPECT_EQ(frame->GetTimeCode()->Frame(), 1);
  EXPECT_FALSE(frame->GetDateTime()->Available()) << "no date pack";
  // Short and missing data: no pack, nothing read beyond the end.
  const uint8_t tiny[4] = {0x13, 1, 2, 3};
  VLDSExtractTimeCode(tiny, 4, frame.get());
  EXPECT_FALSE(frame->GetTimeCode()->Available());
  VLDSExtractTimeCode(nullptr, 0, frame.get());
  EXPECT_FALSE(frame->GetTimeCode()->Available());
}

}  // namespace
}  // namespace lumicar::test
