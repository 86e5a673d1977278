// The fused 4:2:2 to RGB24 flips: per-target image loops over the shared row converters, and one run-time
// dispatch point. Pixel order is handled by the rows (converted forwards, or into their mirrored places),
// row order by the image loop.

#include "kernels/conversion_args.h"
#include "kernels/fused_yuv422_to_bgr24_mirror.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/yuv422_mirror.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "kernels/yuv422_rows_inl.h"

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {

// The source is read front to back whatever the axis, which keeps the processor's prefetching ahead of a
// camera frame that is not in the caches; the destination rows are written in the order the axis maps them.
template <yuv::Yuv422Layout L>
void Yuv422ToBgrMirrorImage(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height,
                            int axis) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = RowAt(src, src_step, y);
    uint8_t* to = RowAt(dst, dst_step, axis == ippAxsVertical ? y : height - 1 - y);
    if (axis == ippAxsHorizontal) {
      Yuv422ToRgbRow<L, true>(from, to, width);
    } else {
      Yuv422ToRgbRowReversed<L, true>(from, to, width);
    }
  }
}

void Yuv422ToBgrMirror(bool uyvy, const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height,
                       int axis) {
  if (uyvy) {
    Yuv422ToBgrMirrorImage<yuv::Yuv422Layout::kUyvy>(src, src_step, dst, dst_step, width, height, axis);
  } else {
    Yuv422ToBgrMirrorImage<yuv::Yuv422Layout::kYuy2>(src, src_step, dst, dst_step, width, height, axis);
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(Yuv422ToBgrMirror);

namespace {

// The chain's own order of checks: the conversion's arguments, then the mirror's axis.
IppStatus RunYuv422ToBgrMirror(bool uyvy, const Ipp8u* src, int src_step, Ipp8u* dst, int dst_step, IppiSize size,
                               IppiAxis axis) {
  IppStatus status = CheckImageArgs({src, dst}, size, {src_step, dst_step});
  if (status == ippStsNoErr) status = CheckMirrorAxis(axis);
  if (status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(Yuv422ToBgrMirror)(uyvy, src, src_step, dst, dst_step, size.width, size.height, axis);
  return ippStsNoErr;
}

}  // namespace

IppStatus fused_yuy2_to_bgr24_mirror(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                     IppiAxis flip) {
  return RunYuv422ToBgrMirror(false, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}

IppStatus fused_uyvy_to_bgr24_mirror(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                     IppiAxis flip) {
  return RunYuv422ToBgrMirror(true, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
