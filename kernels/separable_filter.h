#pragma once
// Built-in one-dimensional filters with float weights: a row filter (along x) and a column filter
// (along y) on byte images. The source must hold the pixels the kernel reaches around the region.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// dst(x, y) := Σ_i pKernel[i] · src(x + xAnchor − i, y), rounded half to even and saturated; every
// channel is filtered (C4 included).
IppStatus ippiFilterRow32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor);
IppStatus ippiFilterRow32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor);
IppStatus ippiFilterRow32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor);

// dst(x, y) := Σ_i pKernel[i] · src(x, y + yAnchor − i), rounded half to even and saturated.
IppStatus ippiFilterColumn32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor);
IppStatus ippiFilterColumn32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor);
IppStatus ippiFilterColumn32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor);

}  // namespace lumicar::builtin
