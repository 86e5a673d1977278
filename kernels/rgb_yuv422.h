#pragma once
// Built-in RGB to YUV 4:2:2 (Y0 U Y1 V) kernel of the image dispatch table; source pixels are red, green,
// blue. Vectorised, bit-identical to the 16.16 fixed-point rule.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
