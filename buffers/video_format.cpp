#include "buffers/video_format.h"

#include "buffers/media_subtypes.h"

namespace lumicar {

TGUID VLGetGUIDFromFormat(TVLVideoFormat format) {
  switch (format) {
    case vfYUY2:
      return MEDIASUBTYPE_YUY2;
    case vfUYVY:
      return MEDIASUBTYPE_UYVY;
    case vfRGBA32:
      return MEDIASUBTYPE_RGB32;
    case vfRGB565:
      return MEDIASUBTYPE_RGB565;
    case vfRGB555:
      return MEDIASUBTYPE_RGB555;
    case vfGrayScale:
      return MEDIASUBTYPE_RGB8;
    case vfRGB24:
    case vfRGB:
      break;
  }
  return MEDIASUBTYPE_RGB24;
}

TVLVideoFormat VLGetFormatFromGUID(const TGUID& subtype) {
  if (subtype == MEDIASUBTYPE_YUY2) return vfYUY2;
  if (subtype == MEDIASUBTYPE_UYVY) return vfUYVY;
  if (subtype == MEDIASUBTYPE_RGB565) return vfRGB565;
  if (subtype == MEDIASUBTYPE_RGB555) return vfRGB555;
  if (subtype == MEDIASUBTYPE_RGB8) return vfGrayScale;
  if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) return vfRGBA32;
  return vfRGB24;
}

}  // namespace lumicar
