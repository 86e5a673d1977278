#pragma once
// Which pixel formats the video source offers, in which order, for each
// preferred format, and the sample geometry of each format as it travels
// in a bitmap-style sample.

#include <cstdint>

#include "buffers/video_format.h"

namespace lumicar {

// Seven candidates per preferred format; a row ends at the first entry
// after the first that repeats entry 0.
inline constexpr int kVideoCandidateCount = 7;

// Candidate `index` (0 .. 6) of the row of `preferred`.
TVLVideoFormat DSVideoCandidate(TVLVideoFormat preferred, int index);
// Bits per pixel in the bitmap header: 24, 32, 16 (both 16-bit RGB and
// packed 4:2:2) or 8 (gray).
int DSVideoBitCount(TVLVideoFormat format);
// Row length of a sample: bitmap rows padded to 4 bytes; packed 4:2:2 rows
// 2 x width bytes.
int64_t DSVideoSampleStride(TVLVideoFormat format, int64_t width);
inline bool DSIsPacked422(TVLVideoFormat format) { return format == vfYUY2 || format == vfUYVY; }

}  // namespace lumicar
