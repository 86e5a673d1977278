#pragma once
// The library's own in-memory bitmap: 24-bit (blue, green, red) or 32-bit
// (blue, green, red, alpha) pixels in top-down rows, with buffer import and
// export at any row pitch and the standard uncompressed bitmap file format.

#include <QString>
#include <cstdint>
#include <vector>

namespace lumicar {

enum class TVLBitmapFormat : uint8_t { bf24bpp, bf32bpp };

class TVLBitmap {
 public:
  TVLBitmap() = default;
  TVLBitmap(int width, int height, TVLBitmapFormat format) { SetSize(width, height, format); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  TVLBitmapFormat Format() const { return format_; }
  int BitsPerPixel() const { return format_ == TVLBitmapFormat::bf32bpp ? 32 : 24; }
  int BytesPerPixel() const { return BitsPerPixel() / 8; }
  // Bytes of one stored row: width x bytes per pixel rounded up to 4.
  int Stride() const { return stride_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // New size and format; every pixel becomes 0. Raises ESLRangeError for a
  // negative size or one above 1 GiB.
  void SetSize(int width, int height, TVLBitmapFormat format);

  // Row y (0 = top).
  uint8_t* ScanLine(int y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  const uint8_t* ScanLine(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }

  // Takes size and format from the arguments and copies `height` rows of
  // width x bytes-per-pixel bytes from `data`, rows `pitch` bytes apart,
  // top row first.
  void ImportBuffer(const uint8_t* data, int pitch, int width, int height, TVLBitmapFormat format);
  // Copies every row (width x bytes-per-pixel bytes) to `data`, rows `pitch`
  // bytes apart, top row first.
  void ExportBuffer(uint8_t* data, int pitch) const;

  // Writes a standard bitmap file (file and info header, bottom-up rows,
  // no compression). Raises ESLStreamError when the file cannot be written.
  void SaveToFile(const QString& fileName) const;
  // Reads an uncompressed 24- or 32-bit bitmap file, bottom-up or top-down.
  // Raises ESLStreamError for a file that cannot be read and ESLException
  // for any other bitmap format or a damaged header.
  void LoadFromFile(const QString& fileName);

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  TVLBitmapFormat format_ = TVLBitmapFormat::bf24bpp;
  std::vector<uint8_t> pixels_;
};

}  // namespace lumicar
