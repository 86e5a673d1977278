#pragma once
// Built-in alpha-composition kernels: image A composed with image B by one of the twelve compositing
// operations, with constant alphas (AlphaCompC) or with each pixel's own alpha byte (AlphaComp AC4).

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Constant alphas alpha1 (image A) and alpha2 (image B); every channel is a colour channel.
IppStatus ippiAlphaCompC_8u_C1R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType);
IppStatus ippiAlphaCompC_8u_C3R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType);
IppStatus ippiAlphaCompC_8u_C4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType);

// The alphas are the fourth bytes of the source pixels; the destination's fourth byte receives the
// composed alpha.
IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roiSize, IppiAlphaType alphaType);

}  // namespace lumicar::builtin
