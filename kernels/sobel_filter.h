#pragma once
// Built-in Sobel derivative filters with border handling: byte source, signed 16-bit result, 3 × 3 or
// 5 × 5 mask, the pixels outside the region made by the border rule.

#include "kernels/ipp_types.h"

namespace lumicar::builtin {

// Horizontal edges: the smoothed row below minus the row above (3 × 3: rows weighted 1 2 1).
IppStatus ippiFilterSobelHorizBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                               IppiSize dstRoiSize, IppiMaskSize mask, IppiBorderType borderType,
                                               Ipp8u borderValue, Ipp8u* pBuffer);
// Vertical edges: the smoothed column to the left minus the column to the right.
IppStatus ippiFilterSobelVertBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                              IppiSize dstRoiSize, IppiMaskSize mask, IppiBorderType borderType,
                                              Ipp8u borderValue, Ipp8u* pBuffer);

// Bytes of scratch memory the filters need for a region and mask.
IppStatus ippiFilterSobelHorizGetBufferSize_8u16s_C1R(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize);
IppStatus ippiFilterSobelVertGetBufferSize_8u16s_C1R(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize);

}  // namespace lumicar::builtin
