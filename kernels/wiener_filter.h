#pragma once
// Built-in adaptive Wiener noise filter: each pixel is pulled towards the mean of its neighbourhood by
// how little the neighbourhood varies beyond the noise.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// The neighbourhood of output pixel (x, y) is the maskSize window whose anchor cell lies on source pixel
// (x, y); the source must hold the whole window. With local mean μ and variance σ², and noise power ν²:
// dst := μ + max(σ² − ν², 0) ÷ max(σ², ν²) · (src − μ). noise[c] is ν² relative to the full byte range
// (0…1); a noise of 0 is estimated as the average local variance of the region. pBuffer holds
// ippiFilterWienerGetBufferSize bytes.
IppStatus ippiFilterWiener_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  IppiSize maskSize, IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer);
IppStatus ippiFilterWiener_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer);
// Four-byte pixels; the three colour channels are filtered, the fourth byte is left as it was.
IppStatus ippiFilterWiener_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                   IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer);

// Bytes of scratch memory for a region, mask and channel count (1, 3 or 4).
IppStatus ippiFilterWienerGetBufferSize(IppiSize dstRoiSize, IppiSize maskSize, int channels, int* pBufferSize);

}  // namespace lumicar::builtin
