#pragma once
// The pixel layouts a video frame can have, their row geometry, and their
// mapping to the media framework's subtype identifiers.

#include <QObject>
#include <cstdint>

#include "runtime/guid.h"

// The enumeration lives in a namespace of its own so that the meta-object
// system knows its value names: components publish properties of this type,
// and designs store them by name ("vfYUY2").
namespace lumicar::video_format {
Q_NAMESPACE

// Stored as one byte. vfRGB is a second name for the RGB24 layout that a
// frame keeps as its own format value.
enum TVLVideoFormat : uint8_t {
  vfRGB24 = 0,
  vfYUY2 = 1,
  vfUYVY = 2,
  vfRGBA32 = 3,
  vfRGB565 = 4,
  vfRGB555 = 5,
  vfGrayScale = 6,
  vfRGB = 7,
};
Q_ENUM_NS(TVLVideoFormat)

}  // namespace lumicar::video_format

namespace lumicar {

using video_format::TVLVideoFormat;
using enum video_format::TVLVideoFormat;

inline constexpr int kVLVideoFormatCount = 8;

// True for the eight defined values.
constexpr bool VLIsValidFormat(int format) { return format >= vfRGB24 && format <= vfRGB; }

// The layout a format is stored in: vfRGB shares the RGB24 layout, every
// other format is its own.
constexpr TVLVideoFormat VLLayoutOf(TVLVideoFormat format) { return format == vfRGB ? vfRGB24 : format; }

constexpr int VLBytesPerPixel(TVLVideoFormat format) {
  switch (VLLayoutOf(format)) {
    case vfRGB24:
      return 3;
    case vfRGBA32:
      return 4;
    case vfGrayScale:
      return 1;
    default:
      return 2;
  }
}

// Width rounded up to a multiple of 4: ((width - 1) with the two low bits
// cleared) + 4, so that 0 stays 0.
constexpr int64_t VLRoundUp4(int64_t width) { return width <= 0 ? 0 : ((width - 1) & ~int64_t{3}) + 4; }

// Pixels per row including padding: RGB24 rows (and the nominal YUV rows)
// are padded to a multiple of 4 pixels, so every RGB24 row starts on a
// 4-byte boundary as device-independent bitmaps require.
constexpr int64_t VLPaddedWidth(TVLVideoFormat format, int64_t width) {
  switch (VLLayoutOf(format)) {
    case vfRGB24:
    case vfYUY2:
    case vfUYVY:
      return VLRoundUp4(width);
    default:
      return width;
  }
}

// Bytes from one row to the next. YUY2 and UYVY rows are packed at 2 x width
// bytes (the pixel accessors, the kernels and the buffer size all address
// them so); for widths that are a multiple of 4 this equals 2 x padded width.
constexpr int64_t VLRowStep(TVLVideoFormat format, int64_t width) {
  switch (VLLayoutOf(format)) {
    case vfYUY2:
    case vfUYVY:
      return 2 * width;
    default:
      return VLBytesPerPixel(format) * VLPaddedWidth(format, width);
  }
}

// Bytes of a whole frame: RGB24 includes the row padding, YUY2 and UYVY hold
// 2 x width x height.
constexpr int64_t VLBufferSize(TVLVideoFormat format, int64_t width, int64_t height) {
  return VLRowStep(format, width) * height;
}

// Media subtype of a format: RGB24 and vfRGB -> RGB24, RGBA32 -> RGB32,
// GrayScale -> RGB8, the others their own.
TGUID VLGetGUIDFromFormat(TVLVideoFormat format);
// The reverse: YUY2, UYVY, RGB565, RGB555, RGB8 (GrayScale), RGB32 and
// ARGB32 (RGBA32); anything else is RGB24.
TVLVideoFormat VLGetFormatFromGUID(const TGUID& subtype);

}  // namespace lumicar
