#pragma once
// The signal table: the sample kernels of the generic byte buffers (copy, fill, saturating element
// arithmetic), the 16-bit byte swap of the YUV conversions, and two image kernels of the image buffers.

#include "kernels/dispatch/dispatch_entry.h"

// X(name, signature) for every entry of the signal table, in table order. Entries whose name starts
// with "ipps" are looked up in the signal library, the "ippi" ones in the image libraries.
#define LUMICAR_SIGNAL_TABLE(X)                                                                                       \
  X(ippsCopy_8u, IppStatus(const Ipp8u* pSrc, Ipp8u* pDst, int len))                                                  \
  X(ippsMove_8u, IppStatus(const Ipp8u* pSrc, Ipp8u* pDst, int len))                                                  \
  X(ippsSet_8u, IppStatus(Ipp8u val, Ipp8u* pDst, int len))                                                           \
  X(ippsZero_8u, IppStatus(Ipp8u* pDst, int len))                                                                     \
  X(ippsAdd_8u_ISfs, IppStatus(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))                          \
  X(ippsSub_8u_ISfs, IppStatus(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))                          \
  X(ippsMul_8u_ISfs, IppStatus(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))                          \
  X(ippsDiv_8u_ISfs, IppStatus(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor))                          \
  X(ippsSwapBytes_16u, IppStatus(const Ipp16u* pSrc, Ipp16u* pDst, int len))                                          \
  X(ippiSet_8u_C4R, IppStatus(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize))                      \
  X(ippiAlphaComp_8u_AC4R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, \
                                     int dstStep, IppiSize roiSize, IppiAlphaType alphaType))

namespace lumicar {

LUMICAR_SIGNAL_TABLE(LUMICAR_DECLARE_DISPATCH_ENTRY)

}  // namespace lumicar
