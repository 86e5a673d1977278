#pragma once
// Built-in planar 4:2:0 to RGB kernels of the image dispatch table (no component of the viewer calls them).
// Plane 0 holds one luma per pixel; planes 1 and 2 hold one U (Cb) and one V (Cr) per 2 x 2 block of pixels,
// (width + 1) / 2 by (height + 1) / 2 samples, so odd sizes are converted in full. Destination pixels are red,
// green, blue.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// The colour rule of the 4:2:2 kernel: R = Y + 1.140 V', G = Y - 0.394 U' - 0.581 V', B = Y + 2.032 U' with
// U' = U - 128, V' = V - 128, in the same 16.16 fixed point.
IppStatus ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize);
// Studio-range YCbCr: R = 1.164 (Y - 16) + 1.596 Cr', G = 1.164 (Y - 16) - 0.392 Cb' - 0.813 Cr',
// B = 1.164 (Y - 16) + 2.017 Cb', in 16.16 fixed point rounded to nearest, saturated.
IppStatus ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);

}  // namespace lumicar::builtin
