#pragma once
// The image table: the 145 image kernels of frames, conversions, mirror and display, plus the two-entry
// colour-twist table. Each entry is a process-wide pointer named after the kernel it stands for.

#include "kernels/dispatch/dispatch_entry.h"

// X(name, signature) for every entry of the image table, in table order.
#define LUMICAR_IMAGE_TABLE(X)                                                                                         \
  X(ippiYUV422ToRGB_8u_C2C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))   \
  X(ippiColorTwist32f_8u_C3R,                                                                                          \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const Ipp32f twist[3][4]))   \
  X(ippiSwapChannels_8u_C3IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const int dstOrder[3]))      \
  X(ippiSwapChannels_8u_C3R,                                                                                           \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const int dstOrder[3]))      \
  X(ippiSwapChannels_8u_AC4R,                                                                                          \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const int dstOrder[3]))      \
  X(ippiRGBToYUV422_8u_C3C2R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))   \
  X(ippiAlphaCompC_8u_C3R,                                                                                             \
    IppStatus(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,          \
              Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType))                                    \
  X(ippiAlphaCompC_8u_C1R,                                                                                             \
    IppStatus(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,          \
              Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType))                                    \
  X(ippiAlphaCompC_8u_C4R,                                                                                             \
    IppStatus(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,          \
              Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType))                                    \
  X(ippiAdd_8u_C3IRSfs,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiAdd_8u_AC4IRSfs,                                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiSub_8u_C3IRSfs,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiSub_8u_AC4IRSfs,                                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiMul_8u_C3IRSfs,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiMul_8u_AC4IRSfs,                                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiDiv_8u_C3IRSfs,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiDiv_8u_AC4IRSfs,                                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))      \
  X(ippiSet_8u_C3R, IppStatus(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))                       \
  X(ippiSet_8u_C1R, IppStatus(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize))                                \
  X(ippiSet_8u_C3CR, IppStatus(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize))                               \
  X(ippiSet_8u_AC4R, IppStatus(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))                      \
  X(ippiSet_8u_C4CR, IppStatus(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize))                               \
  X(ippiMirror_8u_C3R,                                                                                                 \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip))              \
  X(ippiMirror_8u_C3IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip))                    \
  X(ippiMirror_8u_C4R,                                                                                                 \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip))              \
  X(ippiMirror_8u_C4IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip))                    \
  X(ippiMirror_16u_C1R,                                                                                                \
    IppStatus(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip))            \
  X(ippiMirror_8u_AC4R,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip))              \
  X(ippiMirror_8u_AC4IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip))                   \
  X(ippiFilterWiener_8u_C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,  \
                                       IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer))          \
  X(ippiFilterWiener_8u_AC4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, \
                                        IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer))         \
  X(ippiFilterWiener_8u_C1R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,  \
                                       IppiSize maskSize, IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer))          \
  X(ippiCopy_8u_C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))            \
  X(ippiCopy_8u_AC4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))           \
  X(ippiCopy_8u_C4CR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))           \
  X(ippiCopy_8u_C1C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))          \
  X(ippiCopy_8u_C1C4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))          \
  X(ippiCopy_8u_C3C1R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))          \
  X(ippiCopy_8u_C4C1R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))          \
  X(ippiAdd_8u_C3RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiAdd_8u_C4RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiAdd_8u_AC4RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,     \
                                  int dstStep, IppiSize roiSize, int scaleFactor))                                     \
  X(ippiAdd_8u_C1RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiSub_8u_C3RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiSub_8u_AC4RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,     \
                                  int dstStep, IppiSize roiSize, int scaleFactor))                                     \
  X(ippiSub_8u_C1RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiMul_8u_C3RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiMul_8u_AC4RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,     \
                                  int dstStep, IppiSize roiSize, int scaleFactor))                                     \
  X(ippiMul_8u_C1RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiDiv_8u_C3RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiDiv_8u_AC4RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,     \
                                  int dstStep, IppiSize roiSize, int scaleFactor))                                     \
  X(ippiDiv_8u_C1RSfs, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,      \
                                 int dstStep, IppiSize roiSize, int scaleFactor))                                      \
  X(ippiOr_8u_C3R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,          \
                             int dstStep, IppiSize roiSize))                                                           \
  X(ippiOr_8u_AC4R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,         \
                              int dstStep, IppiSize roiSize))                                                          \
  X(ippiOr_8u_C1R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,          \
                             int dstStep, IppiSize roiSize))                                                           \
  X(ippiAnd_8u_C3R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,         \
                              int dstStep, IppiSize roiSize))                                                          \
  X(ippiAnd_8u_AC4R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,        \
                               int dstStep, IppiSize roiSize))                                                         \
  X(ippiAnd_8u_C1R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,         \
                              int dstStep, IppiSize roiSize))                                                          \
  X(ippiXor_8u_C3R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,         \
                              int dstStep, IppiSize roiSize))                                                          \
  X(ippiXor_8u_AC4R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,        \
                               int dstStep, IppiSize roiSize))                                                         \
  X(ippiXor_8u_C1R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,         \
                              int dstStep, IppiSize roiSize))                                                          \
  X(ippiAbsDiff_8u_C1R, IppStatus(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,     \
                                  int dstStep, IppiSize roiSize))                                                      \
  X(ippiFilterWienerGetBufferSize, IppStatus(IppiSize dstRoiSize, IppiSize maskSize, int channels, int* pBufferSize))  \
  X(ippiCopy_8u_C3AC4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))         \
  X(ippiCopy_8u_AC4C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))         \
  X(ippiNot_8u_C3IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                                      \
  X(ippiNot_8u_C4IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                                      \
  X(ippiNot_8u_AC4IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                                     \
  X(ippiAnd_8u_C3IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiAnd_8u_C1IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiAnd_8u_C4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiAnd_8u_AC4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))     \
  X(ippiOr_8u_C3IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))       \
  X(ippiOr_8u_C1IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))       \
  X(ippiOr_8u_C4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))       \
  X(ippiOr_8u_AC4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiAddC_8u_C3IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiAddC_8u_AC4IRSfs,                                                                                              \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiAddC_8u_C4IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiSubC_8u_C3IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiSubC_8u_C4IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiMulC_8u_C3IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiMulC_8u_AC4IRSfs,                                                                                              \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiMulC_8u_C4IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiMulCScale_8u_C1IR, IppStatus(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                   \
  X(ippiMulCScale_8u_C3IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))          \
  X(ippiMulCScale_8u_AC4IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))         \
  X(ippiMulCScale_8u_C4IR, IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))          \
  X(ippiMulScale_8u_C1IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize)) \
  X(ippiMulScale_8u_C3IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize)) \
  X(ippiMulScale_8u_AC4IR,                                                                                             \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                       \
  X(ippiMulScale_8u_C4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize)) \
  X(ippiDivC_8u_C3IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiDivC_8u_C4IRSfs,                                                                                               \
    IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiDivC_8u_AC4IRSfs,                                                                                              \
    IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                \
  X(ippiAbsDiffC_8u_C1R,                                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int value))                  \
  X(ippiSqr_8u_C3IRSfs, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                  \
  X(ippiSqr_8u_AC4IRSfs, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor))                 \
  X(ippiLShiftC_8u_C3IR, IppStatus(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))           \
  X(ippiLShiftC_8u_AC4IR, IppStatus(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))          \
  X(ippiLShiftC_8u_C4IR, IppStatus(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))           \
  X(ippiRShiftC_8u_C3IR, IppStatus(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))           \
  X(ippiRShiftC_8u_C4IR, IppStatus(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))           \
  X(ippiRShiftC_8u_AC4IR, IppStatus(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))          \
  X(ippiNot_8u_C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))             \
  X(ippiNot_8u_AC4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize))            \
  X(ippiAndC_8u_C3IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))               \
  X(ippiAndC_8u_C4IR, IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))               \
  X(ippiAndC_8u_AC4IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))              \
  X(ippiOrC_8u_C3IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                \
  X(ippiOrC_8u_AC4IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))               \
  X(ippiOrC_8u_C4IR, IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))                \
  X(ippiLShiftC_8u_C3R,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))      \
  X(ippiRShiftC_8u_C3R,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))      \
  X(ippiAndC_8u_C3R,                                                                                                   \
    IppStatus(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))       \
  X(ippiOrC_8u_C3R,                                                                                                    \
    IppStatus(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))       \
  X(ippiXorC_8u_C3IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))               \
  X(ippiXorC_8u_AC4IR, IppStatus(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))              \
  X(ippiXorC_8u_C4IR, IppStatus(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))               \
  X(ippiXor_8u_C3IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiXor_8u_C1IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiXor_8u_AC4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))     \
  X(ippiXor_8u_C4IR, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize))      \
  X(ippiSqr_8u_C3RSfs,                                                                                                 \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor))            \
  X(ippiSqr_8u_AC4RSfs,                                                                                                \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor))            \
  X(ippiXorC_8u_C3R,                                                                                                   \
    IppStatus(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))       \
  X(ippiColorToGray_8u_C3C1R,                                                                                          \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const Ipp32f coeffs[3]))     \
  X(ippiColorToGray_8u_AC4C1R,                                                                                         \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const Ipp32f coeffs[3]))     \
  X(ippiFilterSobelHorizBorder_8u16s_C1R,                                                                              \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize dstRoiSize, IppiMaskSize mask,       \
              IppiBorderType borderType, Ipp8u borderValue, Ipp8u* pBuffer))                                           \
  X(ippiFilterSobelVertBorder_8u16s_C1R,                                                                               \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize dstRoiSize, IppiMaskSize mask,       \
              IppiBorderType borderType, Ipp8u borderValue, Ipp8u* pBuffer))                                           \
  X(ippiFilterSobelHorizGetBufferSize_8u16s_C1R, IppStatus(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize))  \
  X(ippiFilterSobelVertGetBufferSize_8u16s_C1R, IppStatus(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize))   \
  X(ippiCopy_8u_P3C3R, IppStatus(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize)) \
  X(ippiMirror_8u_C1IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip))                    \
  X(ippiMirror_8u_C1R,                                                                                                 \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip))              \
  X(ippsSwapBytes_16u_I, IppStatus(Ipp16u* pSrcDst, int len))                                                          \
  X(ippiMax_8u_C1R, IppStatus(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax))                          \
  X(ippiYUV420ToRGB_8u_P3C3R,                                                                                          \
    IppStatus(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))                 \
  X(ippiYCbCr420ToRGB_8u_P3C3R,                                                                                        \
    IppStatus(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep, IppiSize roiSize))                 \
  X(ippiFilterColumn32f_8u_C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,                    \
                                          IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize, int yAnchor))    \
  X(ippiFilterColumn32f_8u_C4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,                    \
                                          IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize, int yAnchor))    \
  X(ippiFilterColumn32f_8u_C1R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,                    \
                                          IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize, int yAnchor))    \
  X(ippiFilterRow32f_8u_C3R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,  \
                                       const Ipp32f* pKernel, int kernelSize, int xAnchor))                            \
  X(ippiFilterRow32f_8u_C4R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,  \
                                       const Ipp32f* pKernel, int kernelSize, int xAnchor))                            \
  X(ippiFilterRow32f_8u_C1R, IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,  \
                                       const Ipp32f* pKernel, int kernelSize, int xAnchor))

// X(name, signature) for the colour-twist table, in table order.
#define LUMICAR_COLOR_TWIST_TABLE(X)                                                                                  \
  X(ippiColorTwist32f_8u_C3IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4])) \
  X(ippiColorTwist32f_8u_AC4IR, IppStatus(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]))

namespace lumicar {

LUMICAR_IMAGE_TABLE(LUMICAR_DECLARE_DISPATCH_ENTRY)
LUMICAR_COLOR_TWIST_TABLE(LUMICAR_DECLARE_DISPATCH_ENTRY)

constexpr int kImageTableSize = 145;
constexpr int kColorTwistTableSize = 2;

}  // namespace lumicar
