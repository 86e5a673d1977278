#pragma once
// What a camera can deliver, read from its V4L2 node: for every frame size
// the output subtypes the filter can produce, each with the native formats
// it can be made from (in preference order) and their frame intervals.

#include <QString>
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

// The video formats a node lists, split into those the filter can deliver
// and those it cannot (H.264 and other compressed streams it does not
// decode), each in the driver's order.
struct TDSNodeFormats {
  std::vector<uint32_t> usable, skipped;
};
TDSNodeFormats DSListNodeFormats(IV4L2Device& device, int fd);
// "YUYV", "H264": a four-character code as text for the log, non-printing
// bytes as '?'.
QString DSFourccText(uint32_t fourcc);
// The codes of `fourccs` as one comma-separated text.
QString DSFourccList(const std::vector<uint32_t>& fourccs);

// Reads formats, sizes and intervals through the seam. Sizes and intervals
// the driver reports are checked before any use; nonsense is skipped. The
// capabilities of the driver's current size come first. Formats the filter
// cannot deliver are left out and, when `skipped` is given, named there.
std::vector<TDSCameraCapability> DSEnumerateCameraModes(IV4L2Device& device, int fd,
                                                        std::vector<uint32_t>* skipped = nullptr);

}  // namespace lumicar
