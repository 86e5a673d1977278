// Channel-count changes: per-target rows and one run-time dispatch point per kernel. Kernels that write one
// channel of a wider pixel load the destination pixels, replace that channel and store them back; the last
// pixel of a row always goes through the scalar loop, so that no byte beyond the region is touched when the
// channel pointer is not the pixel's first byte.

#include "kernels/channel_copy.h"

#include "kernels/conversion_args.h"

#ifndef LUMICAR_CHANNEL_COPY_KINDS_DEFINED  // this file is compiled once per target
#define LUMICAR_CHANNEL_COPY_KINDS_DEFINED
namespace lumicar::builtin {
namespace {
enum class ChannelCopy : int { kC3ToAc4 = 0, kAc4ToC3 = 1, kC1ToC3 = 2, kC1ToC4 = 3, kC3ToOpaqueC4 = 4 };
}  // namespace
}  // namespace lumicar::builtin
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/channel_copy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <ChannelCopy K>
void CopyRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t width) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const size_t n = hn::Lanes(d8);
  hn::Vec<decltype(d8)> c0, c1, c2, c3;
  if constexpr (K == ChannelCopy::kC3ToAc4) {
    for (; x + n <= width; x += n) {
      hn::LoadInterleaved4(d8, dst + 4 * x, c0, c1, c2, c3);
      hn::LoadInterleaved3(d8, src + 3 * x, c0, c1, c2);
      hn::StoreInterleaved4(c0, c1, c2, c3, d8, dst + 4 * x);
    }
  } else if constexpr (K == ChannelCopy::kC3ToOpaqueC4) {
    // The destination is written, never read: one pass at the speed of a copy.
    const auto opaque = hn::Set(d8, uint8_t{255});
    for (; x + n <= width; x += n) {
      hn::LoadInterleaved3(d8, src + 3 * x, c0, c1, c2);
      hn::StoreInterleaved4(c0, c1, c2, opaque, d8, dst + 4 * x);
    }
  } else if constexpr (K == ChannelCopy::kAc4ToC3) {
    for (; x + n <= width; x += n) {
      hn::LoadInterleaved4(d8, src + 4 * x, c0, c1, c2, c3);
      hn::StoreInterleaved3(c0, c1, c2, d8, dst + 3 * x);
    }
  } else if constexpr (K == ChannelCopy::kC1ToC3) {
    for (; x + n < width; x += n) {
      hn::LoadInterleaved3(d8, dst + 3 * x, c0, c1, c2);
      hn::StoreInterleaved3(hn::LoadU(d8, src + x), c1, c2, d8, dst + 3 * x);
    }
  } else {
    for (; x + n < width; x += n) {
      hn::LoadInterleaved4(d8, dst + 4 * x, c0, c1, c2, c3);
      hn::StoreInterleaved4(hn::LoadU(d8, src + x), c1, c2, c3, d8, dst + 4 * x);
    }
  }
#endif
  for (; x < width; ++x) {
    if constexpr (K == ChannelCopy::kC3ToOpaqueC4) {
      for (size_t k = 0; k < 3; ++k) dst[4 * x + k] = src[3 * x + k];
      dst[4 * x + 3] = 255;
    } else if constexpr (K == ChannelCopy::kC3ToAc4 || K == ChannelCopy::kAc4ToC3) {
      constexpr size_t kIn = K == ChannelCopy::kC3ToAc4 ? 3 : 4;
      constexpr size_t kOut = K == ChannelCopy::kC3ToAc4 ? 4 : 3;
      for (size_t k = 0; k < 3; ++k) dst[kOut * x + k] = src[kIn * x + k];
    } else {
      dst[(K == ChannelCopy::kC1ToC3 ? 3 : 4) * x] = src[x];
    }
  }
}

void CopyImage(int kind, const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  const size_t w = static_cast<size_t>(width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = RowAt(src, src_step, y);
    uint8_t* d = RowAt(dst, dst_step, y);
    switch (static_cast<ChannelCopy>(kind)) {
      case ChannelCopy::kC3ToAc4:
        CopyRow<ChannelCopy::kC3ToAc4>(s, d, w);
        break;
      case ChannelCopy::kC3ToOpaqueC4:
        CopyRow<ChannelCopy::kC3ToOpaqueC4>(s, d, w);
        break;
      case ChannelCopy::kAc4ToC3:
        CopyRow<ChannelCopy::kAc4ToC3>(s, d, w);
        break;
      case ChannelCopy::kC1ToC3:
        CopyRow<ChannelCopy::kC1ToC3>(s, d, w);
        break;
      case ChannelCopy::kC1ToC4:
        CopyRow<ChannelCopy::kC1ToC4>(s, d, w);
        break;
    }
  }
}

void PlanesImage(const uint8_t* const* planes, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  const size_t w = static_cast<size_t>(width);
  for (int row = 0; row < height; ++row) {
    const uint8_t* p0 = RowAt(planes[0], src_step, row);
    const uint8_t* p1 = RowAt(planes[1], src_step, row);
    const uint8_t* p2 = RowAt(planes[2], src_step, row);
    uint8_t* d = RowAt(dst, dst_step, row);
    size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<uint8_t> d8;
    const size_t n = hn::Lanes(d8);
    for (; x + n <= w; x += n) {
      hn::StoreInterleaved3(hn::LoadU(d8, p0 + x), hn::LoadU(d8, p1 + x), hn::LoadU(d8, p2 + x), d8, d + 3 * x);
    }
#endif
    for (; x < w; ++x) {
      d[3 * x] = p0[x];
      d[3 * x + 1] = p1[x];
      d[3 * x + 2] = p2[x];
    }
  }
}

void SetChannelImage(uint8_t value, uint8_t* dst, int dst_step, int width, int height) {
  const size_t w = static_cast<size_t>(width);
  for (int row = 0; row < height; ++row) {
    uint8_t* d = RowAt(dst, dst_step, row);
    size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<uint8_t> d8;
    const size_t n = hn::Lanes(d8);
    const auto v = hn::Set(d8, value);
    hn::Vec<decltype(d8)> c0, c1, c2, c3;
    for (; x + n < w; x += n) {
      hn::LoadInterleaved4(d8, d + 4 * x, c0, c1, c2, c3);
      hn::StoreInterleaved4(v, c1, c2, c3, d8, d + 4 * x);
    }
#endif
    for (; x < w; ++x) d[4 * x] = value;
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(CopyImage);
HWY_EXPORT(PlanesImage);
HWY_EXPORT(SetChannelImage);

namespace {

IppStatus RunCopy(ChannelCopy kind, const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  HWY_DYNAMIC_DISPATCH(CopyImage)(static_cast<int>(kind), pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiCopy_8u_C3AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunCopy(ChannelCopy::kC3ToAc4, pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus CopyC3ToOpaqueC4(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunCopy(ChannelCopy::kC3ToOpaqueC4, pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunCopy(ChannelCopy::kAc4ToC3, pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C1C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunCopy(ChannelCopy::kC1ToC3, pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_C1C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunCopy(ChannelCopy::kC1ToC4, pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiCopy_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (pSrc == nullptr) return ippStsNullPtrErr;
  IppStatus status = CheckImageArgs({pSrc[0], pSrc[1], pSrc[2], pDst}, roiSize, {srcStep, dstStep});
  if (status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(PlanesImage)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

IppStatus ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (IppStatus status = CheckImageArgs({pDst}, roiSize, {dstStep}); status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(SetChannelImage)(value, pDst, dstStep, roiSize.width, roiSize.height);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
