#pragma once
// Built-in byte copy and 16-bit byte swap kernels of the signal and image dispatch tables. The byte swap
// turns YUY2 (Y0 U Y1 V) into UYVY (U Y0 V Y1) and back. Vectorised.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// len bytes; overlapping ranges are copied as if through a temporary.
IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len);
// Exchanges the two bytes of each of len 16-bit words.
IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len);
IppStatus ippsSwapBytes_16u_I(Ipp16u* pSrcDst, int len);

}  // namespace lumicar::builtin
