#pragma once
// Built-in arithmetic kernels of the image tables: saturating add, subtract, multiply and divide with a
// scale factor, their constant forms, multiply-and-scale by 1/255, square, and absolute differences.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// In place: pSrcDst := pSrcDst (op) pSrc. Sub subtracts pSrc, Div divides by pSrc.
IppStatus ippiAdd_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiAdd_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiAdd_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiSub_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiSub_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiSub_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiMul_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiMul_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiMul_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiDiv_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiDiv_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor);
IppStatus ippiDiv_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);

// Out of place: pDst := pSrc2 (op) pSrc1; Sub gives pSrc2 − pSrc1, Div gives pSrc2 ÷ pSrc1.
IppStatus ippiAdd_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiAdd_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiAdd_8u_C4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiAdd_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor);

// Constant operand, one value per channel; DivC by a zero value fails with ippStsDivByZeroErr.
IppStatus ippiAddC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiAddC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiAddC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);

// a × b ÷ 255 as (p + p ÷ 256 + 1) >> 8 with p = a × b.
IppStatus ippiMulCScale_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulScale_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulScale_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulScale_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulScale_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// a × a with a scale factor.
IppStatus ippiSqr_8u_C3IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSqr_8u_AC4IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSqr_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                            int scaleFactor);
IppStatus ippiSqr_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                             int scaleFactor);

// |a − b| of two images, and |a − value| saturated to a byte.
IppStatus ippiAbsDiff_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize);
IppStatus ippiAbsDiffC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int value);

}  // namespace lumicar::builtin
