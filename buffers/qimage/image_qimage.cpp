#include "buffers/qimage/image_qimage.h"

#include <bit>
#include <cstring>

#include "buffers/image_buffer.h"
#include "buffers/sl_exception.h"

namespace lumicar {

// ARGB32 is one 0xAARRGGBB word per pixel: in memory blue, green, red,
// alpha on a little-endian machine, exactly the RGBA32 frame layout.
static_assert(std::endian::native == std::endian::little, "QImage::Format_ARGB32 is read as blue, green, red, alpha");

namespace {

// 32-bit images keep their alpha; every other depth is read as 24-bit colour.
bool IsThirtyTwoBit(const QImage& bitmap) { return bitmap.depth() == 32; }

void CopyRows(const uint8_t* src, qsizetype srcStep, uint8_t* dst, qsizetype dstStep, int rows, std::size_t rowBytes) {
  for (int y = 0; y < rows; ++y) std::memcpy(dst + y * dstStep, src + y * srcStep, rowBytes);
}

}  // namespace

TIntf<IVLImageBuffer> VLImageFromBitmap(const QImage& bitmap) {
  TIntf<IVLImageBuffer> frame = MakeIntf<TVLImageBuffer>(0, 0, IsThirtyTwoBit(bitmap) ? vfRGBA32 : vfRGB24);
  FromBitmap(frame.get(), bitmap);
  return frame;
}

void FromBitmap(IVLImageBuffer* frame, const QImage& bitmap) {
  TVLImageBuffer* image = TVLImageBuffer::FromImage(frame);
  if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0) return;
  const bool wide = IsThirtyTwoBit(bitmap);
  const QImage pixels = bitmap.convertToFormat(wide ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  if (pixels.isNull()) throw ESLException(QStringLiteral("The bitmap could not be read"));
  image->SetImageSizeFormat(pixels.width(), pixels.height(), wide ? vfRGBA32 : vfRGB24);
  CopyRows(pixels.constBits(), pixels.bytesPerLine(), image->Write(), image->GetStep(), pixels.height(),
           static_cast<std::size_t>(pixels.width()) * (wide ? 4 : 3));
}

void ToBitmap(IVLImageBuffer* frame, QImage& bitmap) {
  TVLImageBuffer* image = TVLImageBuffer::FromImage(frame);
  if (image->GetFormat() != vfRGBA32) image->SetFormat(vfRGB24);
  const bool wide = image->GetFormat() == vfRGBA32;
  QImage pixels(image->GetWidth(), image->GetHeight(), wide ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  if (image->GetWidth() > 0 && image->GetHeight() > 0) {
    if (pixels.isNull()) throw ESLException(QStringLiteral("No bitmap of that size can be made"));
    CopyRows(image->Read(), image->GetStep(), pixels.bits(), pixels.bytesPerLine(), image->GetHeight(),
             static_cast<std::size_t>(image->GetWidth()) * (wide ? 4 : 3));
  }
  bitmap = std::move(pixels);
}

}  // namespace lumicar
