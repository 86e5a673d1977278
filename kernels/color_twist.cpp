// Built-in colour twist. The sum is formed in double precision, in which the products of a float weight
// and a byte and their sums are exact enough that ties are recognised as ties.

#include "kernels/color_twist.h"

#include <cmath>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;

Ipp8u TwistChannel(const Ipp32f row[4], const Ipp8u* px) {
  const double v = double{row[0]} * px[0] + double{row[1]} * px[1] + double{row[2]} * px[2] + double{row[3]};
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 255.0) return 255;
  return static_cast<Ipp8u>(std::nearbyint(v));  // the default rounding mode rounds half to even
}

template <int kPixel>
IppStatus Twist(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const Ipp32f twist[3][4]) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst, twist}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* s = pSrc + static_cast<ptrdiff_t>(y) * srcStep;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roi.width; ++x) {
      const Ipp8u px[3] = {s[x * kPixel], s[x * kPixel + 1], s[x * kPixel + 2]};
      for (int k = 0; k < 3; ++k) d[x * kPixel + k] = TwistChannel(twist[k], px);
    }
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiColorTwist32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const Ipp32f twist[3][4]) {
  return Twist<3>(pSrc, srcStep, pDst, dstStep, roiSize, twist);
}

IppStatus ippiColorTwist32f_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]) {
  return Twist<3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, twist);
}

IppStatus ippiColorTwist32f_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]) {
  return Twist<4>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, twist);
}

}  // namespace lumicar::builtin
