#include "display/source/video_format_preference.h"

namespace lumicar {

namespace {

constexpr TVLVideoFormat kPreference[kVLVideoFormatCount][kVideoCandidateCount] = {
    /* vfRGB24 */ {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB24, vfRGB24, vfRGB24},
    /* vfYUY2 */ {vfYUY2, vfUYVY, vfRGB24, vfRGBA32, vfYUY2, vfYUY2, vfYUY2},
    /* vfUYVY */ {vfUYVY, vfYUY2, vfRGB24, vfRGBA32, vfUYVY, vfUYVY, vfUYVY},
    /* vfRGBA32 */ {vfRGBA32, vfRGB24, vfYUY2, vfUYVY, vfRGBA32, vfRGBA32, vfRGBA32},
    /* vfRGB565 */ {vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB565},
    /* vfRGB555 */ {vfRGB555, vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB555},
    /* vfGrayScale */ {vfGrayScale, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB24, vfRGB24},
    /* vfRGB */ {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB24, vfRGB24, vfRGB24},
};

}  // namespace

TVLVideoFormat DSVideoCandidate(TVLVideoFormat preferred, int index) {
  if (!VLIsValidFormat(preferred) || index < 0 || index >= kVideoCandidateCount) return vfRGB24;
  return kPreference[preferred][index];
}

}  // namespace lumicar
