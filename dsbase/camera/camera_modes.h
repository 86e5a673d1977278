#pragma once
// What a camera can deliver, read from its V4L2 node: for every frame size
// the output subtypes the filter can produce, each with the native formats
// it can be made from (in preference order) and their frame intervals.

#include <cstdint>
#include <vector>

#include "dsbase/camera/v4l2_device.h"
#include "runtime/interface.h"

namespace lumicar {

// A frame interval as V4L2 states it (seconds = numerator / denominator).
struct TDSFraction {
  uint32_t numerator = 0, denominator = 0;
};

// One native pixel format at one size, with the intervals it offers: either
// discrete ones or a continuous range between the two bounds.
struct TDSCameraSource {
  uint32_t fourcc = 0;
  std::vector<TDSFraction> discrete;
  int64_t minInterval = 0, maxInterval = 0;  // 100 ns units
};

struct TDSCameraCapability {
  TGUID subtype;
  int width = 0, height = 0;
  std::vector<TDSCameraSource> sources;  // native first
  int64_t MinInterval() const;
  int64_t MaxInterval() const;
};

// The source that reaches `interval` (0: the fastest), the native one when it
// can; `applied` gets the interval it will run at and `fraction` the value
// for VIDIOC_S_PARM. False when no source comes within reach; the nearest
// interval is then still reported.
bool DSPickCameraSource(const TDSCameraCapability& cap, int64_t interval, const TDSCameraSource** source,
                        int64_t* applied, TDSFraction* fraction);

int64_t DSIntervalOf(const TDSFraction& f);
// The sizes a camera commonly offers; used where a driver states ranges.
const std::vector<std::pair<int, int>>& DSCommonCameraSizes();
// The output subtypes the filter makes from a native format, native first.
std::vector<TGUID> DSSubtypesFromFourcc(uint32_t fourcc);
bool DSIsNativeOutput(uint32_t fourcc, const TGUID& subtype);

// Reads formats, sizes and intervals through the seam. Sizes and intervals
// the driver reports are checked before any use; nonsense is skipped. The
// capabilities of the driver's current size come first.
std::vector<TDSCameraCapability> DSEnumerateCameraModes(IV4L2Device& device, int fd);

}  // namespace lumicar
