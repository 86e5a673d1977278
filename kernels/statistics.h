#pragma once
// Built-in image statistics.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// The largest byte of a one-channel region, stored in *pMax.
IppStatus ippiMax_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax);

}  // namespace lumicar::builtin
