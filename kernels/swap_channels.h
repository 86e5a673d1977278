#pragma once
// Built-in channel swap kernels of the image dispatch table: destination channel k takes source channel
// order[k] (each entry 0, 1 or 2; otherwise -60 and nothing is written). AC4R leaves the destination's fourth
// byte untouched. Vectorised.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus ippiSwapChannels_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                  const int dstOrder[3]);
// In place: all three bytes of a pixel are read before any is written.
IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const int dstOrder[3]);
IppStatus ippiSwapChannels_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const int dstOrder[3]);

}  // namespace lumicar::builtin
