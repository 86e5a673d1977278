#pragma once
// Built-in fills and copies of the image tables: whole pixels, one channel of a pixel, and a channel
// between a multi-channel and a one-channel image.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Fills: every pixel of the region gets the value (AC4: the three colour bytes, the fourth is kept).
IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C3R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize);
// pDst points at one channel of a three-channel image; only that channel is set.
IppStatus ippiSet_8u_C3CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// 16-bit samples; the step is in bytes.
IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize);

// Copies of whole pixels (AC4: the three colour bytes, the destination's fourth byte is kept).
IppStatus ippiCopy_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// Both pointers point at one channel of a four-channel image; only that channel is copied.
IppStatus ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// pSrc points at one channel of a three- or four-channel image, copied into a one-channel image.
IppStatus ippiCopy_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiCopy_8u_C4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
