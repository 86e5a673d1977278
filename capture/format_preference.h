#pragma once
// The capture's order of preference among the seven pixel formats for each
// requested format: the temporary renderer proposes and accepts exactly the
// formats of the row, in this order. Every row holds all seven formats, so
// the request decides the order, never the set.

#include <array>

#include "buffers/video_format.h"

namespace lumicar {

inline constexpr int kVLDSPreferenceCount = 7;
using TVLDSPreferenceRow = std::array<TVLVideoFormat, kVLDSPreferenceCount>;

// The row of `requested`; vfGrayScale, vfRGB and values outside the
// enumeration use the row of vfRGB24.
const TVLDSPreferenceRow& VLDSPreferenceRow(TVLVideoFormat requested);

}  // namespace lumicar
