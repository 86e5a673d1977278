#pragma once
// What every part of the program knows about a pixel format, in one table:
// its media subtype and four-character code, bits per pixel, whether it is
// packed 4:2:2, the row order a bitmap-style sample has by default, and the
// row geometry of a frame buffer and of a sample. Adding a pixel format
// means adding a row here; the conversion engines, the media types and the
// buffers all ask this table.

#include <cstdint>

#include "buffers/media_subtypes.h"
#include "buffers/video_format.h"
#include "runtime/guid.h"

namespace lumicar {

struct TVLPixelFormatInfo {
  TVLVideoFormat layout;  // the layout the format is stored in (vfRGB: vfRGB24)
  const char* name;
  TGUID subtype;
  // The bitmap header's compression code: a four-character code for the
  // YUV layouts, 0 (plain RGB) for the others.
  uint32_t fourCC;
  uint8_t bitsPerPixel;
  // Two pixels share one pair of chroma samples, so widths are even.
  bool packed422;
  // A bitmap-style sample of this format runs bottom-up unless its header's
  // height is negative; packed 4:2:2 runs top-down whatever the sign.
  bool bottomUpByDefault;
  // Frame-buffer rows hold a multiple of 4 pixels (RGB24, so that each row
  // starts on a 4-byte boundary, and the nominal 4:2:2 rows).
  bool rowsPaddedTo4Pixels;
};

namespace pixel_formats_detail {
inline constexpr TVLPixelFormatInfo kTable[kVLVideoFormatCount] = {
    {vfRGB24, "RGB24", MEDIASUBTYPE_RGB24, 0, 24, false, true, true},
    {vfYUY2, "YUY2", MEDIASUBTYPE_YUY2, VLMakeFourCC('Y', 'U', 'Y', '2'), 16, true, false, true},
    {vfUYVY, "UYVY", MEDIASUBTYPE_UYVY, VLMakeFourCC('U', 'Y', 'V', 'Y'), 16, true, false, true},
    {vfRGBA32, "RGBA32", MEDIASUBTYPE_RGB32, 0, 32, false, true, false},
    {vfRGB565, "RGB565", MEDIASUBTYPE_RGB565, 0, 16, false, true, false},
    {vfRGB555, "RGB555", MEDIASUBTYPE_RGB555, 0, 16, false, true, false},
    {vfGrayScale, "GrayScale", MEDIASUBTYPE_RGB8, 0, 8, false, true, false},
    {vfRGB24, "RGB24", MEDIASUBTYPE_RGB24, 0, 24, false, true, true},
};
}  // namespace pixel_formats_detail

// The entry of a format; a value outside the enumeration (a corrupt stored
// byte) reads as RGB24 rather than past the table.
constexpr const TVLPixelFormatInfo& VLPixelFormat(TVLVideoFormat format) {
  return pixel_formats_detail::kTable[VLIsValidFormat(format) ? format : vfRGB24];
}
// The entry whose subtype is `subtype` (ARGB32 reads as RGBA32: the alpha
// byte travels in the same place), or nullptr for a subtype no format has.
const TVLPixelFormatInfo* VLPixelFormatOfSubtype(const TGUID& subtype);
// The entry whose four-character code is `fourCC`, or nullptr; 0 (plain
// RGB) names no single format and gives nullptr.
const TVLPixelFormatInfo* VLPixelFormatOfFourCC(uint32_t fourCC);

constexpr int VLBitsPerPixel(TVLVideoFormat format) { return VLPixelFormat(format).bitsPerPixel; }
constexpr int VLBytesPerPixel(TVLVideoFormat format) { return VLPixelFormat(format).bitsPerPixel / 8; }
constexpr bool VLIsPacked422(TVLVideoFormat format) { return VLPixelFormat(format).packed422; }

// Width rounded up to a multiple of 4: ((width - 1) with the two low bits
// cleared) + 4, so that 0 stays 0.
constexpr int64_t VLRoundUp4(int64_t width) { return width <= 0 ? 0 : ((width - 1) & ~int64_t{3}) + 4; }

// Pixels per frame-buffer row including padding.
constexpr int64_t VLPaddedWidth(TVLVideoFormat format, int64_t width) {
  return VLPixelFormat(format).rowsPaddedTo4Pixels ? VLRoundUp4(width) : width;
}

// Bytes from one frame-buffer row to the next. YUY2 and UYVY rows are packed
// at 2 x width bytes (the pixel accessors, the kernels and the buffer size
// all address them so); for widths that are a multiple of 4 this equals
// 2 x padded width.
constexpr int64_t VLRowStep(TVLVideoFormat format, int64_t width) {
  const TVLPixelFormatInfo& info = VLPixelFormat(format);
  if (info.packed422) return 2 * width;
  return info.bitsPerPixel / 8 * VLPaddedWidth(format, width);
}

// Bytes of a whole frame buffer: RGB24 includes the row padding, YUY2 and
// UYVY hold 2 x width x height.
constexpr int64_t VLBufferSize(TVLVideoFormat format, int64_t width, int64_t height) {
  return VLRowStep(format, width) * height;
}

// Bytes of one bitmap row: `width` pixels of `bitCount` bits padded to a
// multiple of 4 bytes. 0 for a width or bit count that is not positive.
constexpr int64_t VLBitmapRowBytes(int64_t width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return ((width * bitCount + 31) / 32) * 4;
}

// Row length of a bitmap-style sample: bitmap rows padded to 4 bytes, packed
// 4:2:2 rows 2 x width bytes (the same for the even widths 4:2:2 has).
constexpr int64_t VLSampleStride(TVLVideoFormat format, int64_t width) {
  if (width <= 0) return 0;
  const TVLPixelFormatInfo& info = VLPixelFormat(format);
  return info.packed422 ? 2 * width : VLBitmapRowBytes(width, info.bitsPerPixel);
}

}  // namespace lumicar
