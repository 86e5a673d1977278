#pragma once
// Built-in bitwise kernels of the image table: and, or, exclusive or (with an image or a constant), not,
// and logical shifts by a constant.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Bitwise and, or, exclusive or of two images: pDst := pSrc1 (op) pSrc2.
IppStatus ippiAnd_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiAnd_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiAnd_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiOr_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                        IppiSize roiSize);
IppStatus ippiOr_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiOr_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                        IppiSize roiSize);
IppStatus ippiXor_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiXor_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiXor_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);

// In place: pSrcDst := pSrcDst (op) pSrc.
IppStatus ippiAnd_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOr_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOr_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOr_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOr_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXor_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXor_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXor_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXor_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// With one constant per channel.
IppStatus ippiAndC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiOrC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiXorC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);

// Bitwise not.
IppStatus ippiNot_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiNot_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiNot_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiNot_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiNot_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);

// Logical shifts by a per-channel count; a count of 8 or more gives 0.
IppStatus ippiLShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiLShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiLShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiRShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiRShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiRShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiLShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                             IppiSize roiSize);
IppStatus ippiRShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                             IppiSize roiSize);

}  // namespace lumicar::builtin
