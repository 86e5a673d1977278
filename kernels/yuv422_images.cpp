// The 4:2:2 image kernels (YUY2/UYVY to and from RGB24/BGR24, and to BGRA32): per-target image
// loops over the shared row converters, and one run-time dispatch point per
// kernel. The list below is the only place a kernel of this family is named;
// Highway compiles the loops once per target by including this file again.

#include "kernels/conversion_args.h"
#include "kernels/fused_bgr24_to_yuv422.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/rgb_yuv422.h"
#include "kernels/yuv422_rgb.h"

#ifndef LUMICAR_YUV422_IMAGE_KERNELS
// X(image loop, row converter, 4:2:2 layout, BGR order, entry point)
#define LUMICAR_YUV422_IMAGE_KERNELS(X)                                     \
  X(Yuy2ToRgbImage, Yuv422ToRgbRow, kYuy2, false, ippiYUV422ToRGB_8u_C2C3R) \
  X(RgbToYuy2Image, RgbToYuv422Row, kYuy2, false, ippiRGBToYUV422_8u_C3C2R) \
  X(BgrToYuy2Image, RgbToYuv422Row, kYuy2, true, fused_bgr24_to_yuy2)       \
  X(BgrToUyvyImage, RgbToYuv422Row, kUyvy, true, fused_bgr24_to_uyvy)       \
  X(Yuy2ToBgrImage, Yuv422ToRgbRow, kYuy2, true, fused_yuy2_to_bgr24)       \
  X(UyvyToBgrImage, Yuv422ToRgbRow, kUyvy, true, fused_uyvy_to_bgr24)       \
  X(Yuy2ToBgraImage, Yuv422ToRgbaRow, kYuy2, true, fused_yuy2_to_bgra32)    \
  X(UyvyToBgraImage, Yuv422ToRgbaRow, kUyvy, true, fused_uyvy_to_bgra32)
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/yuv422_images.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "kernels/yuv422_rows_inl.h"

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {

#define LUMICAR_YUV422_IMAGE_LOOP(loop, row, layout, bgr, entry)                                    \
  void loop(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {  \
    for (int y = 0; y < height; ++y) {                                                              \
      row<yuv::Yuv422Layout::layout, bgr>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), width); \
    }                                                                                               \
  }
LUMICAR_YUV422_IMAGE_KERNELS(LUMICAR_YUV422_IMAGE_LOOP)
#undef LUMICAR_YUV422_IMAGE_LOOP

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

#define LUMICAR_YUV422_IMAGE_ENTRY(loop, row, layout, bgr, entry)                                              \
  HWY_EXPORT(loop);                                                                                            \
  IppStatus entry(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {                \
    if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) { \
      return status;                                                                                           \
    }                                                                                                          \
    HWY_DYNAMIC_DISPATCH(loop)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);                   \
    return ippStsNoErr;                                                                                        \
  }
LUMICAR_YUV422_IMAGE_KERNELS(LUMICAR_YUV422_IMAGE_ENTRY)
#undef LUMICAR_YUV422_IMAGE_ENTRY

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
