#pragma once
// Built-in YUV 4:2:2 (Y0 U Y1 V) to RGB kernel of the image dispatch table; destination pixels are red, green,
// blue. Vectorised, bit-identical to the 16.16 fixed-point rule.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus ippiYUV422ToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
