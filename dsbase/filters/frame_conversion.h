#pragma once
// Conversion of one uncompressed video frame between the seven layouts as
// they travel in samples: rows padded to 4 bytes, RGB layouts bottom-up
// unless the header's height is negative, packed 4:2:2 always top-down.
// Rows are converted one at a time through the dispatch-table kernels, so the
// working set stays in cache and no whole-frame temporary is needed.

#include <cstdint>
#include <vector>

#include "buffers/video_format.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

struct TDSFrameFormat {
  TVLVideoFormat format = vfRGB24;  // the layout: vfRGBA32 for RGB32, vfGrayScale for RGB8
  int width = 0;
  int height = 0;  // always positive
  bool bottomUp = false;
  int stride = 0;
  const uint8_t* palette = nullptr;  // RGB8 input: 256 entries blue, green, red, reserved; nullptr: grey
};

// Describes the frame of a video type with a VideoInfo or VideoInfo2 block;
// false for anything this layer does not convert (or an implausible size).
bool DSDescribeFrame(const AM_MEDIA_TYPE& mt, TDSFrameFormat* frame);
inline int64_t DSFrameBytes(const TDSFrameFormat& f) { return int64_t(f.stride) * f.height; }

class TDSFrameConverter {
 public:
  // Same width and height on both sides; the caller has checked that the
  // buffers hold DSFrameBytes of their format.
  void Convert(const uint8_t* src, const TDSFrameFormat& from, uint8_t* dst, const TDSFrameFormat& to);

 private:
  std::vector<uint8_t> bgr_, scratch_;
};

}  // namespace lumicar
