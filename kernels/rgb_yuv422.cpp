// RGB to YUV 4:2:2: per-target image loops and the one run-time dispatch point.

#include "kernels/rgb_yuv422.h"

#include "kernels/conversion_args.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/rgb_yuv422.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "kernels/yuv422_rows_inl.h"

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {

void RgbToYuy2Image(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  for (int y = 0; y < height; ++y) {
    RgbToYuv422Row<yuv::Yuv422Layout::kYuy2, false>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), width);
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(RgbToYuy2Image);

IppStatus ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  HWY_DYNAMIC_DISPATCH(RgbToYuy2Image)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
