#pragma once
// Built-in vector kernels of the signal and norm tables: move, fill and clear a byte vector, saturating
// element arithmetic with a scale factor, and the L2 norm of a complex vector.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Copies len bytes; source and destination may overlap.
IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len);
IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len);
IppStatus ippsZero_8u(Ipp8u* pDst, int len);

// pSrcDst[n] := pSrcDst[n] (op) pSrc[n], scaled by 2^-scaleFactor (rounded half to even), saturated.
// Div by a zero element gives 255 (0 for a zero dividend) and the result ippStsDivByZero.
IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsDiv_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor);

// *pNorm := sqrt(Σ re² + im²).
IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm);

}  // namespace lumicar::builtin
