#pragma once
// Fused built-in kernels for the conversions of RGB24 frames (blue, green, red) into packed 4:2:2 frames. Each
// gives exactly the bytes of the chain it replaces, in one pass and without the temporary:
//   fused_bgr24_to_yuy2 = ippiSwapChannels_8u_C3R (2, 1, 0) into a temporary, then ippiRGBToYUV422_8u_C3C2R;
//   fused_bgr24_to_uyvy = the two above, then ippsSwapBytes_16u_I over the destination.
// Callers use them only when every entry of the chain is bound to its built-in kernel.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus fused_bgr24_to_yuy2(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus fused_bgr24_to_uyvy(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
