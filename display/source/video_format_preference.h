#pragma once
// Which pixel formats the video source offers, in which order, for each
// preferred format.

#include <cstdint>

#include "buffers/video_format.h"

namespace lumicar {

// Seven candidates per preferred format; a row ends at the first entry
// after the first that repeats entry 0.
inline constexpr int kVideoCandidateCount = 7;

// Candidate `index` (0 .. 6) of the row of `preferred`.
TVLVideoFormat DSVideoCandidate(TVLVideoFormat preferred, int index);

}  // namespace lumicar
