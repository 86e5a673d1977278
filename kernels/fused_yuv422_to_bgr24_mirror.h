#pragma once
// Fused built-in kernels that convert packed 4:2:2 frames into RGB24 frames (blue, green, red) and flip them in
// the same pass, without the RGB24 picture in between. Each gives exactly the bytes of the chain it replaces:
//   fused_yuy2_to_bgr24_mirror = fused_yuy2_to_bgr24 into a temporary, then ippiMirror_8u_C3R (flip);
//   fused_uyvy_to_bgr24_mirror = fused_uyvy_to_bgr24 into a temporary, then ippiMirror_8u_C3R (flip).
// The flip is the mirror kernels' axis code: 0 rows reversed, 1 pixels reversed within each row, 2 both; any
// other gives -21 and writes nothing. Only the pixels of the region are written (row padding stays untouched).
// Callers use them only when every entry of the chain is bound to its built-in kernel.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

IppStatus fused_yuy2_to_bgr24_mirror(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                     IppiAxis flip);
IppStatus fused_uyvy_to_bgr24_mirror(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                     IppiAxis flip);

}  // namespace lumicar::builtin
