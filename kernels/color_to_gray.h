#pragma once
// Built-in colour-to-gray kernels of the image dispatch table: gray = (c0 ch0 + c1 ch1 + c2 ch2) >> 12 with
// c_k = truncate(0.5 + 4096 w_k), saturated to 0..255. A null weight array means the default weights, whose
// coefficients are (1225, 2404, 467). Vectorised.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus ippiColorToGray_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const Ipp32f coeffs[3]);
// 4-byte source pixels; the fourth byte is ignored.
IppStatus ippiColorToGray_8u_AC4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                    const Ipp32f coeffs[3]);

}  // namespace lumicar::builtin
