#include "buffers/pixel_formats.h"

namespace lumicar {

const TVLPixelFormatInfo* VLPixelFormatOfSubtype(const TGUID& subtype) {
  // vfRGB shares RGB24's subtype; the first entry of a layout wins, so the
  // answer is always the layout's own entry.
  for (const TVLPixelFormatInfo& info : pixel_formats_detail::kTable)
    if (info.subtype == subtype) return &VLPixelFormat(info.layout);
  if (subtype == MEDIASUBTYPE_ARGB32) return &VLPixelFormat(vfRGBA32);
  return nullptr;
}

const TVLPixelFormatInfo* VLPixelFormatOfFourCC(uint32_t fourCC) {
  if (fourCC == 0) return nullptr;
  for (const TVLPixelFormatInfo& info : pixel_formats_detail::kTable)
    if (info.fourCC == fourCC) return &info;
  return nullptr;
}

TGUID VLGetGUIDFromFormat(TVLVideoFormat format) { return VLPixelFormat(format).subtype; }

TVLVideoFormat VLGetFormatFromGUID(const TGUID& subtype) {
  const TVLPixelFormatInfo* info = VLPixelFormatOfSubtype(subtype);
  return info ? info->layout : vfRGB24;
}

}  // namespace lumicar
