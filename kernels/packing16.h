#pragma once
// The program's own kernels between 3- or 4-byte pixels (blue, green, red[, alpha]) and the 16-bit packed
// layouts (RGB565: blue in bits 0-4, green 5-10, red 11-15; RGB555: blue 0-4, green 5-9, red 10-14, bit 15
// zero). Words are little-endian; truncation is plain in every direction. They are called directly, not
// through a dispatch table, and write exactly the bytes of their destination pixels. Result 0, or the
// usual null-pointer, size and step errors with nothing written.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus ippiRGB565ToRGB_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiRGB_8u_C3RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiRGB555ToRGB_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiRGB_8u_C3RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// Alpha 255.
IppStatus ippiRGB565ToRGBA_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiRGBA_8u_AC4RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// Alpha 127 (0x7F), not 255.
IppStatus ippiRGB555ToRGBA_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiRGBA_8u_AC4RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// The lowest green bit is dropped.
IppStatus ippiRGB565ToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
// The new lowest green bit is 0; bit 15 of the source is dropped.
IppStatus ippiRGB555ToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
