#include "capture/format_preference.h"

namespace lumicar {

namespace {

constexpr TVLDSPreferenceRow kRows[] = {
    /* vfRGB24 */ {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale},
    /* vfYUY2 */ {vfYUY2, vfUYVY, vfRGBA32, vfRGB24, vfRGB565, vfRGB555, vfGrayScale},
    /* vfUYVY */ {vfUYVY, vfYUY2, vfRGBA32, vfRGB24, vfRGB565, vfRGB555, vfGrayScale},
    /* vfRGBA32 */ {vfRGBA32, vfRGB24, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale},
    /* vfRGB565 */ {vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB555, vfGrayScale},
    /* vfRGB555 */ {vfRGB555, vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfGrayScale},
};

}  // namespace

const TVLDSPreferenceRow& VLDSPreferenceRow(TVLVideoFormat requested) {
  const int index = int(requested);
  if (index < int(vfRGB24) || index > int(vfRGB555)) return kRows[0];
  return kRows[index];
}

}  // namespace lumicar
