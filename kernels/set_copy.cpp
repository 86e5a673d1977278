// Built-in fills and copies: plain row loops that write exactly the bytes of the region's pixels.

#include "kernels/set_copy.h"

#include <cstring>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;

// Writes value[c] into channel c (c < kUsed) of every kPixel-byte pixel.
template <int kPixel, int kUsed>
IppStatus Fill(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roi) {
  if (IppStatus st = CheckImageArgs({value, pDst}, roi, {dstStep}); st != ippStsNoErr) return st;
  for (int y = 0; y < roi.height; ++y) {
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roi.width; ++x) {
      for (int c = 0; c < kUsed; ++c) d[x * kPixel + c] = value[c];
    }
  }
  return ippStsNoErr;
}

// Copies channel c (c < kUsed) of every pixel, kSrcPixel bytes apart in the source, kDstPixel in the
// destination.
template <int kSrcPixel, int kDstPixel, int kUsed>
IppStatus CopyChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* s = pSrc + static_cast<ptrdiff_t>(y) * srcStep;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    if constexpr (kSrcPixel == kDstPixel && kUsed == kSrcPixel) {
      std::memcpy(d, s, static_cast<size_t>(roi.width) * kSrcPixel);
    } else {
      for (int x = 0; x < roi.width; ++x) {
        for (int c = 0; c < kUsed; ++c) d[x * kDstPixel + c] = s[x * kSrcPixel + c];
      }
    }
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus st = CheckImageArgs({pDst}, roiSize, {dstStep}); st != ippStsNoErr) return st;
  for (int y = 0; y < roiSize.height; ++y) {
    std::memset(pDst + static_cast<ptrdiff_t>(y) * dstStep, value, static_cast<size_t>(roiSize.width));
  }
  return ippStsNoErr;
}

IppStatus ippiSet_8u_C3R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Fill<3, 3>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Fill<4, 3>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Fill<4, 4>(value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_8u_C3CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Fill<3, 1>(&value, pDst, dstStep, roiSize);
}

IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus st = CheckImageArgs({pDst}, roiSize, {dstStep}); st != ippStsNoErr) return st;
  // The step is in bytes and need not keep the rows 2-byte aligned, so samples are stored bytewise.
  auto* base = reinterpret_cast<Ipp8u*>(pDst);
  for (int y = 0; y < roiSize.height; ++y) {
    Ipp8u* d = base + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roiSize.width; ++x) std::memcpy(d + 2 * x, &value, sizeof value);
  }
  return ippStsNoErr;
}

IppStatus ippiCopy_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return CopyChannels<3, 3, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return CopyChannels<4, 4, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return CopyChannels<4, 4, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return CopyChannels<3, 1, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return CopyChannels<4, 1, 1>(pSrc, srcStep, pDst, dstStep, roiSize);
}

}  // namespace lumicar::builtin
