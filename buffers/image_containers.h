#pragma once
// The seven image containers, one per pixel layout, and the factories that
// pick the container class of a format. A YUY2 or UYVY container can only be
// read pixel by pixel; the others also honour the setters their layout has.

#include "buffers/image_container.h"

namespace lumicar {

// RGB24 (and vfRGB): blue, green, red; rows padded to a multiple of 4 pixels.
class TVLSmartRGBBuffer : public TVLSmartImageBuffer {
 public:
  TVLSmartRGBBuffer(int width, int height) : TVLSmartImageBuffer(vfRGB24, width, height) {}
  TVLSmartRGBBuffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmartImageBuffer(vfRGB24, source, copyData) {}

  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartRGBBuffer(*this, copyData); }
  int32_t GetStep() const override { return RowStep(); }
  TVLColor GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, TVLColor color) override;
  uint8_t GetRed(int x, int y) const override { return PixelAddress(x, y)[2]; }
  void SetRed(int x, int y, uint8_t value) override { PixelAddress(x, y)[2] = value; }
  uint8_t GetGreen(int x, int y) const override { return PixelAddress(x, y)[1]; }
  void SetGreen(int x, int y, uint8_t value) override { PixelAddress(x, y)[1] = value; }
  uint8_t GetBlue(int x, int y) const override { return PixelAddress(x, y)[0]; }
  void SetBlue(int x, int y, uint8_t value) override { PixelAddress(x, y)[0] = value; }
  uint8_t GetGrayScale(int x, int y) const override;
};

// RGBA32: blue, green, red, alpha.
class TVLSmartRGBABuffer : public TVLSmartImageBuffer {
 public:
  TVLSmartRGBABuffer(int width, int height) : TVLSmartImageBuffer(vfRGBA32, width, height) {}
  TVLSmartRGBABuffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmartImageBuffer(vfRGBA32, source, copyData) {}

  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartRGBABuffer(*this, copyData); }
  int32_t GetStep() const override { return RowStep(); }
  TVLColor GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, TVLColor color) override;
  uint8_t GetRed(int x, int y) const override { return PixelAddress(x, y)[2]; }
  void SetRed(int x, int y, uint8_t value) override { PixelAddress(x, y)[2] = value; }
  uint8_t GetGreen(int x, int y) const override { return PixelAddress(x, y)[1]; }
  void SetGreen(int x, int y, uint8_t value) override { PixelAddress(x, y)[1] = value; }
  uint8_t GetBlue(int x, int y) const override { return PixelAddress(x, y)[0]; }
  void SetBlue(int x, int y, uint8_t value) override { PixelAddress(x, y)[0] = value; }
  uint8_t GetAlpha(int x, int y) const override { return PixelAddress(x, y)[3]; }
  void SetAlpha(int x, int y, uint8_t value) override { PixelAddress(x, y)[3] = value; }
};

// The two 16-bit layouts share their accessors: one little-endian word per
// pixel with blue in the low five bits. Components are read as field << 3
// (<< 2 for six-bit green) and written as component >> 3 (>> 2), the same
// truncation the whole-frame packing kernels use, so a pixel written and
// read back equals the picture converted to the 16-bit layout and back.
class TVLSmart16BitBuffer : public TVLSmartImageBuffer {
 public:
  TVLColor GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, TVLColor color) override;
  uint8_t GetRed(int x, int y) const override { return VLRed(GetPixel(x, y)); }
  void SetRed(int x, int y, uint8_t value) override;
  uint8_t GetGreen(int x, int y) const override { return VLGreen(GetPixel(x, y)); }
  void SetGreen(int x, int y, uint8_t value) override;
  uint8_t GetBlue(int x, int y) const override { return VLBlue(GetPixel(x, y)); }
  void SetBlue(int x, int y, uint8_t value) override;
  int32_t GetStep() const override { return RowStep(); }

  // The word a colour packs to in this layout (as the 16-bit fill uses it).
  uint16_t Pack(TVLColor color) const;

 protected:
  using TVLSmartImageBuffer::TVLSmartImageBuffer;

 private:
  bool Is565() const { return GetLayout() == vfRGB565; }
  uint16_t Word(int x, int y) const;
  void SetWord(int x, int y, uint16_t word);
};

// RGB565: bits 0-4 blue, 5-10 green, 11-15 red.
class TVLSmartRGB565Buffer : public TVLSmart16BitBuffer {
 public:
  TVLSmartRGB565Buffer(int width, int height) : TVLSmart16BitBuffer(vfRGB565, width, height) {}
  TVLSmartRGB565Buffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmart16BitBuffer(vfRGB565, source, copyData) {}
  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartRGB565Buffer(*this, copyData); }
};

// RGB555: bits 0-4 blue, 5-9 green, 10-14 red, bit 15 zero.
class TVLSmartRGB555Buffer : public TVLSmart16BitBuffer {
 public:
  TVLSmartRGB555Buffer(int width, int height) : TVLSmart16BitBuffer(vfRGB555, width, height) {}
  TVLSmartRGB555Buffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmart16BitBuffer(vfRGB555, source, copyData) {}
  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartRGB555Buffer(*this, copyData); }
};

// The two packed 4:2:2 layouts share their readers: a pixel is decoded from
// its two-pixel group with the YUV 4:2:2 kernel, exactly as a whole-frame
// conversion decodes it (including the last pixel of an odd-width row).
class TVLSmartYUVBuffer : public TVLSmartImageBuffer {
 public:
  int32_t GetStep() const override { return RowStep(); }
  TVLColor GetPixel(int x, int y) const override;
  uint8_t GetRed(int x, int y) const override { return VLRed(GetPixel(x, y)); }
  uint8_t GetGreen(int x, int y) const override { return VLGreen(GetPixel(x, y)); }
  uint8_t GetBlue(int x, int y) const override { return VLBlue(GetPixel(x, y)); }

 protected:
  using TVLSmartImageBuffer::TVLSmartImageBuffer;
};

// YUY2: Y0, U, Y1, V per pair of pixels.
class TVLSmartYUY2Buffer : public TVLSmartYUVBuffer {
 public:
  TVLSmartYUY2Buffer(int width, int height) : TVLSmartYUVBuffer(vfYUY2, width, height) {}
  TVLSmartYUY2Buffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmartYUVBuffer(vfYUY2, source, copyData) {}
  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartYUY2Buffer(*this, copyData); }
};

// UYVY: U, Y0, V, Y1 per pair of pixels.
class TVLSmartUYVYBuffer : public TVLSmartYUVBuffer {
 public:
  TVLSmartUYVYBuffer(int width, int height) : TVLSmartYUVBuffer(vfUYVY, width, height) {}
  TVLSmartUYVYBuffer(TVLSmartImageBuffer& source, bool copyData) : TVLSmartYUVBuffer(vfUYVY, source, copyData) {}
  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartUYVYBuffer(*this, copyData); }
};

// GrayScale: one luminance byte per pixel.
class TVLSmartGrayScaleBuffer : public TVLSmartImageBuffer {
 public:
  TVLSmartGrayScaleBuffer(int width, int height) : TVLSmartImageBuffer(vfGrayScale, width, height) {}
  TVLSmartGrayScaleBuffer(TVLSmartImageBuffer& source, bool copyData)
      : TVLSmartImageBuffer(vfGrayScale, source, copyData) {}

  TSLSmartBuffer* Clone(bool copyData) override { return new TVLSmartGrayScaleBuffer(*this, copyData); }
  int32_t GetStep() const override { return RowStep(); }
  TVLColor GetPixel(int x, int y) const override;
  uint8_t GetRed(int x, int y) const override { return *PixelAddress(x, y); }
  uint8_t GetGreen(int x, int y) const override { return *PixelAddress(x, y); }
  uint8_t GetBlue(int x, int y) const override { return *PixelAddress(x, y); }
  uint8_t GetGrayScale(int x, int y) const override { return *PixelAddress(x, y); }
  void SetGrayScale(int x, int y, uint8_t value) override { *PixelAddress(x, y) = value; }
};

// A new container of the class of `format` for width x height pixels.
TVLSmartImageBuffer* VLCreateImageContainer(TVLVideoFormat format, int width, int height);
// A new container of the class of `format` holding the picture of `source`
// (the conversion constructor with the copy flag set).
TVLSmartImageBuffer* VLCreateConvertedContainer(TVLVideoFormat format, TVLSmartImageBuffer& source);

}  // namespace lumicar
