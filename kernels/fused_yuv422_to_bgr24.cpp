// Fused 4:2:2 to BGR24 conversions: per-target image loops and one run-time dispatch point per kernel.

#include "kernels/fused_yuv422_to_bgr24.h"

#include "kernels/conversion_args.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/fused_yuv422_to_bgr24.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "kernels/yuv422_rows_inl.h"

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {

void Yuy2ToBgrImage(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  for (int y = 0; y < height; ++y) {
    Yuv422ToRgbRow<yuv::Yuv422Layout::kYuy2, true>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), width);
  }
}

void UyvyToBgrImage(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  for (int y = 0; y < height; ++y) {
    Yuv422ToRgbRow<yuv::Yuv422Layout::kUyvy, true>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), width);
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(Yuy2ToBgrImage);
HWY_EXPORT(UyvyToBgrImage);

IppStatus fused_yuy2_to_bgr24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  HWY_DYNAMIC_DISPATCH(Yuy2ToBgrImage)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

IppStatus fused_uyvy_to_bgr24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  HWY_DYNAMIC_DISPATCH(UyvyToBgrImage)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
