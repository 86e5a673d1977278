#include "imagepins/frame_operations.h"

namespace lumicar {

namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

int64_t UsableDuration(int64_t frameDuration) { return frameDuration == 0 ? 1 : frameDuration; }

}  // namespace

TOWStartFrameOperation::TOWStartFrameOperation(int32_t width, int32_t height, int64_t frameDuration,
                                               TVLVideoFormat format, uint32_t extraValue, uint32_t aspectWidth,
                                               uint32_t aspectHeight)
    : TOWStartSampleRateOperation(kUnitsPerSecond / static_cast<double>(UsableDuration(frameDuration))),
      width_(width),
      height_(height),
      frameDuration_(UsableDuration(frameDuration)),
      format_(format),
      extraValue_(extraValue),
      aspectWidth_(aspectWidth),
      aspectHeight_(aspectHeight) {}

}  // namespace lumicar
