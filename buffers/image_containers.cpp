#include "buffers/image_containers.h"

#include <cstring>

#include "buffers/image_conversion.h"
#include "buffers/sl_exception.h"
#include "kernels/dispatch/image_table.h"

namespace lumicar {

namespace {

constexpr Ipp32f kGrayWeights[3] = {0.114f, 0.587f, 0.299f};

}  // namespace

// RGB24

TVLColor TVLSmartRGBBuffer::GetPixel(int x, int y) const {
  const uint8_t* p = PixelAddress(x, y);
  return VLRGB(p[2], p[1], p[0]);
}

void TVLSmartRGBBuffer::SetPixel(int x, int y, TVLColor color) {
  uint8_t* p = PixelAddress(x, y);
  p[0] = VLBlue(color);
  p[1] = VLGreen(color);
  p[2] = VLRed(color);
}

uint8_t TVLSmartRGBBuffer::GetGrayScale(int x, int y) const {
  uint8_t gray = 0;
  ippiColorToGray_8u_C3C1R(PixelAddress(x, y), 3, &gray, 1, IppiSize{1, 1}, kGrayWeights);
  return gray;
}

// RGBA32

TVLColor TVLSmartRGBABuffer::GetPixel(int x, int y) const {
  const uint8_t* p = PixelAddress(x, y);
  return VLRGB(p[2], p[1], p[0]);
}

void TVLSmartRGBABuffer::SetPixel(int x, int y, TVLColor color) {
  uint8_t* p = PixelAddress(x, y);
  p[0] = VLBlue(color);
  p[1] = VLGreen(color);
  p[2] = VLRed(color);
}

// RGB565 and RGB555

uint16_t TVLSmart16BitBuffer::Word(int x, int y) const {
  const uint8_t* p = PixelAddress(x, y);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void TVLSmart16BitBuffer::SetWord(int x, int y, uint16_t word) {
  uint8_t* p = PixelAddress(x, y);
  p[0] = static_cast<uint8_t>(word);
  p[1] = static_cast<uint8_t>(word >> 8);
}

uint16_t TVLSmart16BitBuffer::Pack(TVLColor color) const {
  const unsigned blue = VLBlue(color) >> 3;
  const unsigned red = VLRed(color) >> 3;
  if (Is565()) return static_cast<uint16_t>(blue | ((VLGreen(color) >> 2) << 5) | (red << 11));
  return static_cast<uint16_t>(blue | ((VLGreen(color) >> 3) << 5) | (red << 10));
}

TVLColor TVLSmart16BitBuffer::GetPixel(int x, int y) const {
  const unsigned w = Word(x, y);
  const uint8_t blue = static_cast<uint8_t>((w & 0x1F) << 3);
  if (Is565())
    return VLRGB(static_cast<uint8_t>(((w >> 11) & 0x1F) << 3), static_cast<uint8_t>(((w >> 5) & 0x3F) << 2), blue);
  return VLRGB(static_cast<uint8_t>(((w >> 10) & 0x1F) << 3), static_cast<uint8_t>(((w >> 5) & 0x1F) << 3), blue);
}

void TVLSmart16BitBuffer::SetPixel(int x, int y, TVLColor color) { SetWord(x, y, Pack(color)); }

void TVLSmart16BitBuffer::SetRed(int x, int y, uint8_t value) {
  const TVLColor c = GetPixel(x, y);
  SetPixel(x, y, VLRGB(value, VLGreen(c), VLBlue(c)));
}

void TVLSmart16BitBuffer::SetGreen(int x, int y, uint8_t value) {
  const TVLColor c = GetPixel(x, y);
  SetPixel(x, y, VLRGB(VLRed(c), value, VLBlue(c)));
}

void TVLSmart16BitBuffer::SetBlue(int x, int y, uint8_t value) {
  const TVLColor c = GetPixel(x, y);
  SetPixel(x, y, VLRGB(VLRed(c), VLGreen(c), value));
}

// YUY2 and UYVY

TVLColor TVLSmartYUVBuffer::GetPixel(int x, int y) const {
  uint8_t rgb[3];
  VLDecodeYUV422Pixel(GetData() + static_cast<std::ptrdiff_t>(y) * RowStep(), GetWidth(), x, GetLayout() == vfUYVY,
                      rgb);
  return VLRGB(rgb[0], rgb[1], rgb[2]);
}

// GrayScale

TVLColor TVLSmartGrayScaleBuffer::GetPixel(int x, int y) const {
  const uint8_t g = *PixelAddress(x, y);
  return VLRGB(g, g, g);
}

// Factories

TVLSmartImageBuffer* VLCreateImageContainer(TVLVideoFormat format, int width, int height) {
  switch (format) {
    case vfRGB24:
    case vfRGB:
      return new TVLSmartRGBBuffer(width, height);
    case vfYUY2:
      return new TVLSmartYUY2Buffer(width, height);
    case vfUYVY:
      return new TVLSmartUYVYBuffer(width, height);
    case vfRGBA32:
      return new TVLSmartRGBABuffer(width, height);
    case vfRGB565:
      return new TVLSmartRGB565Buffer(width, height);
    case vfRGB555:
      return new TVLSmartRGB555Buffer(width, height);
    case vfGrayScale:
      return new TVLSmartGrayScaleBuffer(width, height);
  }
  throw ESLException(QStringLiteral("Unknown video format %1").arg(int(format)));
}

TVLSmartImageBuffer* VLCreateConvertedContainer(TVLVideoFormat format, TVLSmartImageBuffer& source) {
  switch (format) {
    case vfRGB24:
    case vfRGB:
      return new TVLSmartRGBBuffer(source, true);
    case vfYUY2:
      return new TVLSmartYUY2Buffer(source, true);
    case vfUYVY:
      return new TVLSmartUYVYBuffer(source, true);
    case vfRGBA32:
      return new TVLSmartRGBABuffer(source, true);
    case vfRGB565:
      return new TVLSmartRGB565Buffer(source, true);
    case vfRGB555:
      return new TVLSmartRGB555Buffer(source, true);
    case vfGrayScale:
      return new TVLSmartGrayScaleBuffer(source, true);
  }
  throw ESLException(QStringLiteral("Unknown video format %1").arg(int(format)));
}

}  // namespace lumicar
