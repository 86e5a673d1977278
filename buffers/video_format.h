#pragma once
// The pixel layouts a video frame can have and their mapping to the media
// framework's subtype identifiers; the facts of each layout are in
// buffers/pixel_formats.h.

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

// Media subtype of a format: RGB24 and vfRGB -> RGB24, RGBA32 -> RGB32,
// GrayScale -> RGB8, the others their own.
TGUID VLGetGUIDFromFormat(TVLVideoFormat format);
// The reverse: YUY2, UYVY, RGB565, RGB555, RGB8 (GrayScale), RGB32 and
// ARGB32 (RGBA32); anything else is RGB24.
TVLVideoFormat VLGetFormatFromGUID(const TGUID& subtype);

}  // namespace lumicar

// The per-format facts and the row geometry, which every user of the
// enumeration needs; the table includes this header for the enumeration.
#include "buffers/pixel_formats.h"  // IWYU pragma: export
