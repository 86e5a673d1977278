#include "buffers/vl_bitmap.h"

#include <QDir>
#include <QFile>
#include <cstring>

#include "buffers/sl_exception.h"

namespace lumicar {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int64_t kMaxBitmapBytes = int64_t{1} << 30;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

QString NativeName(const QString& fileName) { return QDir::toNativeSeparators(fileName); }

}  // namespace

void TVLBitmap::SetSize(int width, int height, TVLBitmapFormat format) {
  const int bytesPerPixel = format == TVLBitmapFormat::bf32bpp ? 4 : 3;
  const int64_t stride = (int64_t{width} * bytesPerPixel + 3) & ~int64_t{3};
  if (width < 0 || height < 0 || stride * height > kMaxBitmapBytes)
    throw ESLRangeError(QStringLiteral("A bitmap of %1 x %2 pixels cannot be held").arg(width).arg(height));
  pixels_.assign(static_cast<std::size_t>(stride * height), 0);
  width_ = width;
  height_ = height;
  stride_ = static_cast<int>(stride);
  format_ = format;
}

void TVLBitmap::ImportBuffer(const uint8_t* data, int pitch, int width, int height, TVLBitmapFormat format) {
  SetSize(width, height, format);
  if (Empty()) return;
  if (!data) throw ESLException(QStringLiteral("No pixel data was given"));
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * BytesPerPixel();
  for (int y = 0; y < height_; ++y) std::memcpy(ScanLine(y), data + static_cast<std::ptrdiff_t>(y) * pitch, rowBytes);
}

void TVLBitmap::ExportBuffer(uint8_t* data, int pitch) const {
  if (Empty()) return;
  if (!data) throw ESLException(QStringLiteral("No pixel buffer was given"));
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * BytesPerPixel();
  for (int y = 0; y < height_; ++y) std::memcpy(data + static_cast<std::ptrdiff_t>(y) * pitch, ScanLine(y), rowBytes);
}

void TVLBitmap::SaveToFile(const QString& fileName) const {
  const uint32_t imageBytes = static_cast<uint32_t>(pixels_.size());
  uint8_t header[kFileHeaderSize + kInfoHeaderSize] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutU32(header + 2, kFileHeaderSize + kInfoHeaderSize + imageBytes);
  PutU32(header + 10, kFileHeaderSize + kInfoHeaderSize);
  uint8_t* info = header + kFileHeaderSize;
  PutU32(info + 0, kInfoHeaderSize);
  PutU32(info + 4, static_cast<uint32_t>(width_));
  PutU32(info + 8, static_cast<uint32_t>(height_));  // positive: rows stored bottom-up
  PutU16(info + 12, 1);                              // planes
  PutU16(info + 14, static_cast<uint16_t>(BitsPerPixel()));
  PutU32(info + 16, 0);  // no compression
  PutU32(info + 20, imageBytes);
  PutU32(info + 24, kPixelsPerMetre);
  PutU32(info + 28, kPixelsPerMetre);

  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw ESLStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(NativeName(fileName), file.errorString()));
  bool ok = file.write(reinterpret_cast<const char*>(header), sizeof header) == qint64(sizeof header);
  for (int y = height_ - 1; ok && y >= 0; --y)
    ok = file.write(reinterpret_cast<const char*>(ScanLine(y)), stride_) == stride_;
  if (!ok || !file.flush())
    throw ESLStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(NativeName(fileName), file.errorString()));
}

void TVLBitmap::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw ESLStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(NativeName(fileName), file.errorString()));
  uint8_t header[kFileHeaderSize + kInfoHeaderSize];
  if (file.read(reinterpret_cast<char*>(header), sizeof header) != qint64(sizeof header))
    throw ESLStreamError(QStringLiteral("File \"%1\" is too short for a bitmap").arg(NativeName(fileName)));
  const uint8_t* info = header + kFileHeaderSize;
  const uint32_t offset = GetU32(header + 10);
  const int32_t width = static_cast<int32_t>(GetU32(info + 4));
  const int32_t rawHeight = static_cast<int32_t>(GetU32(info + 8));
  const uint16_t bits = GetU16(info + 14);
  const uint32_t compression = GetU32(info + 16);
  // BI_BITFIELDS (3) with the standard masks is how many writers store 32-bit
  // pixels; its masks are not checked, the bytes are taken as blue, green,
  // red, alpha.
  const bool supported = header[0] == 'B' && header[1] == 'M' && GetU32(info) >= kInfoHeaderSize &&
                         GetU16(info + 12) == 1 && (bits == 24 || bits == 32) &&
                         (compression == 0 || (compression == 3 && bits == 32)) && width >= 0 && rawHeight != INT32_MIN;
  if (!supported)
    throw ESLException(
        QStringLiteral("File \"%1\" is not an uncompressed 24- or 32-bit bitmap").arg(NativeName(fileName)));
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  TVLBitmap loaded;
  loaded.SetSize(width, height, bits == 32 ? TVLBitmapFormat::bf32bpp : TVLBitmapFormat::bf24bpp);
  if (!file.seek(offset))
    throw ESLStreamError(QStringLiteral("File \"%1\" ends before its pixels").arg(NativeName(fileName)));
  for (int32_t row = 0; row < height; ++row) {
    uint8_t* line = loaded.ScanLine(bottomUp ? height - 1 - row : row);
    if (file.read(reinterpret_cast<char*>(line), loaded.stride_) != loaded.stride_)
      throw ESLStreamError(QStringLiteral("File \"%1\" ends before its last row").arg(NativeName(fileName)));
  }
  *this = std::move(loaded);
}

}  // namespace lumicar
