#pragma once
// The audio table's one-channel image kernels. Audio buffers use them on sample blocks, and the image
// buffer uses them on GrayScale and 16-bit frames.

#include "kernels/dispatch/dispatch_entry.h"
#include "kernels/dispatch/image_table.h"

// X(name, signature) for every entry of the audio table, in table order; SHARED(name) marks an entry
// that the image table also has: both tables bind the one pointer declared by image_table.h.
#define LUMICAR_AUDIO_TABLE(X, SHARED)                                                                            \
  X(ippiAdd_8u_C1IRSfs,                                                                                           \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor)) \
  X(ippiSub_8u_C1IRSfs,                                                                                           \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor)) \
  X(ippiMul_8u_C1IRSfs,                                                                                           \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor)) \
  X(ippiDiv_8u_C1IRSfs,                                                                                           \
    IppStatus(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor)) \
  SHARED(ippiSet_8u_C1R)                                                                                          \
  X(ippiSet_16s_C1R, IppStatus(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize))

#define LUMICAR_AUDIO_TABLE_IGNORE_SHARED(name)

namespace lumicar {

LUMICAR_AUDIO_TABLE(LUMICAR_DECLARE_DISPATCH_ENTRY, LUMICAR_AUDIO_TABLE_IGNORE_SHARED)

}  // namespace lumicar
