// Channel swaps: per-target rows and image loops, one run-time dispatch point per kernel. Rows whose steps
// leave no gap between them are processed as one long row.

#include "kernels/swap_channels.h"

#include <cstring>

#include "kernels/conversion_args.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/swap_channels.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// 3-byte pixels; src may equal dst (each step loads its pixels before storing them).
void SwapRow3(const uint8_t* src, uint8_t* dst, size_t pixels, const int order[3]) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const size_t n = hn::Lanes(d8);
  for (; x + n <= pixels; x += n) {
    hn::Vec<decltype(d8)> c0, c1, c2;
    hn::LoadInterleaved3(d8, src + 3 * x, c0, c1, c2);
    auto pick = [&](int k) { return k == 0 ? c0 : (k == 1 ? c1 : c2); };
    hn::StoreInterleaved3(pick(order[0]), pick(order[1]), pick(order[2]), d8, dst + 3 * x);
  }
#endif
  for (; x < pixels; ++x) {
    const uint8_t p[3] = {src[3 * x], src[3 * x + 1], src[3 * x + 2]};
    dst[3 * x] = p[order[0]];
    dst[3 * x + 1] = p[order[1]];
    dst[3 * x + 2] = p[order[2]];
  }
}

// 4-byte pixels, the destination's fourth byte kept.
void SwapRow4(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t pixels, const int order[3]) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint32_t, decltype(d8)> d32;
  const size_t n = hn::Lanes(d32);
  alignas(16) uint8_t index[16];
  for (int p = 0; p < 16; p += 4) {
    for (int k = 0; k < 3; ++k) index[p + k] = static_cast<uint8_t>(p + order[k]);
    index[p + 3] = static_cast<uint8_t>(p + 3);
  }
  const auto shuffle = hn::LoadDup128(d8, index);
  const auto colour = hn::Set(d32, 0x00FFFFFFu);
  for (; x + n <= pixels; x += n) {
    const auto swapped = hn::BitCast(d32, hn::TableLookupBytes(hn::LoadU(d8, src + 4 * x), shuffle));
    const auto kept = hn::AndNot(colour, hn::LoadU(d32, reinterpret_cast<const uint32_t*>(dst + 4 * x)));
    hn::StoreU(hn::Or(hn::And(swapped, colour), kept), d32, reinterpret_cast<uint32_t*>(dst + 4 * x));
  }
#endif
  for (; x < pixels; ++x) {
    const uint8_t* s = src + 4 * x;
    uint8_t* d = dst + 4 * x;
    const uint8_t p[3] = {s[0], s[1], s[2]};
    d[0] = p[order[0]];
    d[1] = p[order[1]];
    d[2] = p[order[2]];
  }
}

void SwapImage3(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, const int* order) {
  if (src_step == dst_step && src_step == 3 * width) {
    SwapRow3(src, dst, static_cast<size_t>(width) * static_cast<size_t>(height), order);
    return;
  }
  for (int y = 0; y < height; ++y) {
    SwapRow3(RowAt(src, src_step, y), RowAt(dst, dst_step, y), static_cast<size_t>(width), order);
  }
}

void SwapImage4(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, const int* order) {
  if (src_step == dst_step && src_step == 4 * width) {
    SwapRow4(src, dst, static_cast<size_t>(width) * static_cast<size_t>(height), order);
    return;
  }
  for (int y = 0; y < height; ++y) {
    SwapRow4(RowAt(src, src_step, y), RowAt(dst, dst_step, y), static_cast<size_t>(width), order);
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(SwapImage3);
HWY_EXPORT(SwapImage4);

IppStatus ippiSwapChannels_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                  const int dstOrder[3]) {
  IppStatus status = CheckImageArgs({pSrc, pDst, dstOrder}, roiSize, {srcStep, dstStep});
  if (status == ippStsNoErr) status = CheckChannelOrder(dstOrder);
  if (status != ippStsNoErr) return status;
  const int order[3] = {dstOrder[0], dstOrder[1], dstOrder[2]};  // the caller's array may alias the pixels
  HWY_DYNAMIC_DISPATCH(SwapImage3)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height, order);
  return ippStsNoErr;
}

IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, const int dstOrder[3]) {
  IppStatus status = CheckImageArgs({pSrcDst, dstOrder}, roiSize, {srcDstStep});
  if (status == ippStsNoErr) status = CheckChannelOrder(dstOrder);
  if (status != ippStsNoErr) return status;
  const int order[3] = {dstOrder[0], dstOrder[1], dstOrder[2]};
  HWY_DYNAMIC_DISPATCH(SwapImage3)(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize.width, roiSize.height, order);
  return ippStsNoErr;
}

IppStatus ippiSwapChannels_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const int dstOrder[3]) {
  IppStatus status = CheckImageArgs({pSrc, pDst, dstOrder}, roiSize, {srcStep, dstStep});
  if (status == ippStsNoErr) status = CheckChannelOrder(dstOrder);
  if (status != ippStsNoErr) return status;
  const int order[3] = {dstOrder[0], dstOrder[1], dstOrder[2]};
  HWY_DYNAMIC_DISPATCH(SwapImage4)(pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height, order);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
