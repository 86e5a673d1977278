#pragma once
// Fused built-in kernels for the conversions of packed 4:2:2 frames into RGB24 frames (blue, green, red) and RGBA32
// frames. Each gives exactly the bytes of the chain it replaces, in one pass over the frame:
//   fused_yuy2_to_bgr24 = ippiYUV422ToRGB_8u_C2C3R, then ippiSwapChannels_8u_C3IR (2, 1, 0);
//   fused_uyvy_to_bgr24 = ippsSwapBytes_16u into a temporary, then the two above;
//   fused_yuy2_to_bgra32, fused_uyvy_to_bgra32 = the matching one above, then CopyC3ToOpaqueC4 (RGBA32 frames).
// Callers use them only when every entry of the chain is bound to its built-in kernel.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus fused_yuy2_to_bgr24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus fused_uyvy_to_bgr24(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus fused_yuy2_to_bgra32(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus fused_uyvy_to_bgra32(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

}  // namespace lumicar::builtin
