#pragma once
// Built-in colour twist: every pixel's three colour bytes pass through a 3 × 4 matrix of floats.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Channel k := twist[k][0]·c0 + twist[k][1]·c1 + twist[k][2]·c2 + twist[k][3], rounded half to even and
// saturated to 0…255. All three input channels of a pixel are read before any is written.
IppStatus ippiColorTwist32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const Ipp32f twist[3][4]);
IppStatus ippiColorTwist32f_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]);
// Four-byte pixels; the fourth byte is left as it was.
IppStatus ippiColorTwist32f_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]);

}  // namespace lumicar::builtin
