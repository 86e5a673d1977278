#pragma once
// Built-in kernels that move bytes between pixel layouts of different channel counts: RGB24 <-> RGBA32,
// gray into one channel of a 3- or 4-byte image, three planes into 3-byte pixels, and a constant into one
// channel of a 4-byte image. Vectorised.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// The three bytes of each source pixel into the first three of each 4-byte pixel; the fourth is untouched.
IppStatus ippiCopy_8u_C3AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// The same three bytes with 255 in every fourth byte: ippiCopy_8u_C3AC4R and ippiSet_8u_C4CR (255) on byte 3
// in one pass that never reads the destination (the conversions into RGBA32 need exactly this).
IppStatus CopyC3ToOpaqueC4(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// The first three bytes of each 4-byte pixel.
IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// A one-channel image into one channel of a 3- or 4-byte image: pDst points at that channel of the first
// pixel, and no other byte is written.
IppStatus ippiCopy_8u_C1C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiCopy_8u_C1C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// Three planes (one step for all three) into 3-byte pixels: byte k of each pixel from plane k.
IppStatus ippiCopy_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// The value into one channel of a 4-byte image: pDst points at that channel of the first pixel.
IppStatus ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
