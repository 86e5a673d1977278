// Planar 4:2:0 to RGB: plain row loops (these conversions are off the frame path).

#include "kernels/yuv420_rgb.h"

#include "kernels/conversion_args.h"
#include "kernels/yuv_fixed_point.h"

namespace lumicar::builtin {
namespace {

IppStatus CheckPlanes(const Ipp8u* const pSrc[3], const int srcStep[3], const Ipp8u* pDst, int dstStep,
                      IppiSize roiSize) {
  if (pSrc == nullptr || srcStep == nullptr) return ippStsNullPtrErr;
  return CheckImageArgs({pSrc[0], pSrc[1], pSrc[2], pDst}, roiSize, {srcStep[0], srcStep[1], srcStep[2], dstStep});
}

template <class PixelRule>
void ConvertPlanes(const Ipp8u* const pSrc[3], const int srcStep[3], Ipp8u* pDst, int dstStep, IppiSize size,
                   PixelRule rule) {
  for (int y = 0; y < size.height; ++y) {
    const Ipp8u* luma = RowAt(pSrc[0], srcStep[0], y);
    const Ipp8u* u = RowAt(pSrc[1], srcStep[1], y / 2);
    const Ipp8u* v = RowAt(pSrc[2], srcStep[2], y / 2);
    Ipp8u* out = RowAt(pDst, dstStep, y);
    for (int x = 0; x < size.width; ++x) rule(luma[x], u[x / 2], v[x / 2], out + 3 * x);
  }
}

void StudioRangePixel(int y, int cb, int cr, Ipp8u* rgb) {
  const int luma = 76284 * (y - 16) + 32768;
  const int u = cb - 128;
  const int v = cr - 128;
  rgb[0] = yuv::Clamp255((luma + 104595 * v) >> 16);
  rgb[1] = yuv::Clamp255((luma - 25690 * u - 53281 * v) >> 16);
  rgb[2] = yuv::Clamp255((luma + 132186 * u) >> 16);
}

}  // namespace

IppStatus ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize) {
  if (IppStatus status = CheckPlanes(pSrc, srcStep, pDst, dstStep, roiSize); status != ippStsNoErr) return status;
  ConvertPlanes(pSrc, srcStep, pDst, dstStep, roiSize,
                [](int y, int u, int v, Ipp8u* rgb) { yuv::PixelToRgb(y, u, v, rgb); });
  return ippStsNoErr;
}

IppStatus ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize) {
  if (IppStatus status = CheckPlanes(pSrc, srcStep, pDst, dstStep, roiSize); status != ippStsNoErr) return status;
  ConvertPlanes(pSrc, srcStep, pDst, dstStep, roiSize, StudioRangePixel);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
