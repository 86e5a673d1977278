// Mirror kernels: per-target row reversal, row copy and row exchange for each pixel layout, and one
// run-time dispatch point per kernel. Row order is handled by the image loops, pixel order by the rows.

#include "kernels/mirror.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "kernels/conversion_args.h"

#ifndef LUMICAR_MIRROR_LAYOUT_DEFINED  // this file is compiled once per target
#define LUMICAR_MIRROR_LAYOUT_DEFINED
namespace lumicar::builtin {
namespace {
// Pixel layouts: bytes per pixel, and for kAc4 the rule that the fourth byte is never written.
enum class MirrorLayout : int { kC1 = 0, kC16 = 1, kC3 = 2, kC4 = 3, kAc4 = 4 };
}  // namespace
}  // namespace lumicar::builtin
#endif

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/mirror.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <MirrorLayout L>
constexpr size_t kPixelBytes = L == MirrorLayout::kC1    ? 1
                               : L == MirrorLayout::kC16 ? 2
                               : L == MirrorLayout::kC3  ? 3
                                                         : 4;

// Scalar moves of one pixel; the AC4 layout moves only the colour bytes.
template <MirrorLayout L>
HWY_INLINE void MovePixel(const uint8_t* src, uint8_t* dst) {
  std::memcpy(dst, src, L == MirrorLayout::kAc4 ? 3 : kPixelBytes<L>);
}
template <MirrorLayout L>
HWY_INLINE void SwapPixels(uint8_t* a, uint8_t* b) {
  constexpr size_t kMoved = L == MirrorLayout::kAc4 ? 3 : kPixelBytes<L>;
  for (size_t i = 0; i < kMoved; ++i) std::swap(a[i], b[i]);
}

#if HWY_TARGET != HWY_SCALAR
// Byte order reversal of a whole vector: within each 128-bit block, then the blocks.
template <class D>
HWY_INLINE hn::Vec<D> ReverseBytes(D d, hn::Vec<D> v) {
  alignas(16) static constexpr uint8_t kBackwards[16] = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
  return hn::ReverseBlocks(d, hn::TableLookupBytes(v, hn::LoadDup128(d, kBackwards)));
}

// A run of whole pixels held in vectors: Load, Reverse (pixel order), Store. AC4 stores keep the fourth
// byte already in the destination.
template <MirrorLayout L>
struct PixelRun;

template <>
struct PixelRun<MirrorLayout::kC1> {
  using D = hn::ScalableTag<uint8_t>;
  hn::Vec<D> v;
  static size_t Pixels() { return hn::Lanes(D()); }
  static PixelRun Load(const uint8_t* p) { return {hn::LoadU(D(), p)}; }
  PixelRun Reversed() const { return {ReverseBytes(D(), v)}; }
  void Store(uint8_t* p) const { hn::StoreU(v, D(), p); }
};

template <>
struct PixelRun<MirrorLayout::kC16> {
  using D = hn::ScalableTag<uint16_t>;
  hn::Vec<D> v;
  static size_t Pixels() { return hn::Lanes(D()); }
  static PixelRun Load(const uint8_t* p) { return {hn::LoadU(D(), reinterpret_cast<const uint16_t*>(p))}; }
  PixelRun Reversed() const { return {hn::Reverse(D(), v)}; }
  void Store(uint8_t* p) const { hn::StoreU(v, D(), reinterpret_cast<uint16_t*>(p)); }
};

template <>
struct PixelRun<MirrorLayout::kC3> {
  using D = hn::ScalableTag<uint8_t>;
  hn::Vec<D> c0, c1, c2;
  static size_t Pixels() { return hn::Lanes(D()); }
  static PixelRun Load(const uint8_t* p) {
    PixelRun run;
    hn::LoadInterleaved3(D(), p, run.c0, run.c1, run.c2);
    return run;
  }
  PixelRun Reversed() const { return {ReverseBytes(D(), c0), ReverseBytes(D(), c1), ReverseBytes(D(), c2)}; }
  void Store(uint8_t* p) const { hn::StoreInterleaved3(c0, c1, c2, D(), p); }
};

template <>
struct PixelRun<MirrorLayout::kC4> {
  using D = hn::ScalableTag<uint32_t>;
  hn::Vec<D> v;
  static size_t Pixels() { return hn::Lanes(D()); }
  static PixelRun Load(const uint8_t* p) { return {hn::LoadU(D(), reinterpret_cast<const uint32_t*>(p))}; }
  PixelRun Reversed() const { return {hn::Reverse(D(), v)}; }
  void Store(uint8_t* p) const { hn::StoreU(v, D(), reinterpret_cast<uint32_t*>(p)); }
};

template <>
struct PixelRun<MirrorLayout::kAc4> {
  using D = hn::ScalableTag<uint32_t>;
  hn::Vec<D> v;
  static size_t Pixels() { return hn::Lanes(D()); }
  static PixelRun Load(const uint8_t* p) { return {hn::LoadU(D(), reinterpret_cast<const uint32_t*>(p))}; }
  PixelRun Reversed() const { return {hn::Reverse(D(), v)}; }
  void Store(uint8_t* p) const {
    const D d;
    uint32_t* out = reinterpret_cast<uint32_t*>(p);
    const auto colour = hn::Set(d, 0x00FFFFFFu);
    hn::StoreU(hn::Or(hn::And(v, colour), hn::AndNot(colour, hn::LoadU(d, out))), d, out);
  }
};
#endif  // HWY_TARGET != HWY_SCALAR

// dst pixel x := src pixel x.
template <MirrorLayout L>
void CopyRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t width) {
  constexpr size_t kB = kPixelBytes<L>;
  if constexpr (L != MirrorLayout::kAc4) {
    std::memcpy(dst, src, width * kB);
  } else {
    size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
    const size_t n = PixelRun<L>::Pixels();
    for (; x + n <= width; x += n) PixelRun<L>::Load(src + kB * x).Store(dst + kB * x);
#endif
    for (; x < width; ++x) MovePixel<L>(src + kB * x, dst + kB * x);
  }
}

// dst pixel x := src pixel width-1-x.
template <MirrorLayout L>
void ReverseRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t width) {
  constexpr size_t kB = kPixelBytes<L>;
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  if constexpr (L == MirrorLayout::kC3) {
    // 3-byte pixels, four at a time in 16-byte vectors: group g (source bytes 12g..12g+15, three bytes past
    // its pixels) is reversed by one byte shuffle and stored with 16 bytes at its mirrored place. The four
    // extra bytes land on the place of group g-1, which is written afterwards, so groups go from the last
    // down to 1. Group 0 and the pixels past the last whole group go through the scalar loop, which keeps
    // every load and store inside the row.
    const hn::FixedTag<uint8_t, 16> d16;
    alignas(16) static constexpr uint8_t kReverse4[16] = {9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2, 12, 13, 14, 15};
    const auto shuffle = hn::Load(d16, kReverse4);
    const size_t last_group = 3 * width >= 28 ? (3 * width - 16) / 12 : 0;
    for (size_t g = last_group; g >= 1; --g) {
      hn::StoreU(hn::TableLookupBytes(hn::LoadU(d16, src + 12 * g), shuffle), d16, dst + 3 * (width - 4 * g - 4));
    }
    for (size_t p = 0; p < std::min<size_t>(4, width); ++p) MovePixel<L>(src + 3 * p, dst + 3 * (width - 1 - p));
    x = last_group >= 1 ? 4 * (last_group + 1) : std::min<size_t>(4, width);
  } else {
    const size_t n = PixelRun<L>::Pixels();
    for (; x + n <= width; x += n) PixelRun<L>::Load(src + kB * x).Reversed().Store(dst + kB * (width - x - n));
  }
#endif
  for (; x < width; ++x) MovePixel<L>(src + kB * x, dst + kB * (width - 1 - x));
}

// Exchanges two distinct rows, reversing the pixel order of both when kReverse.
template <MirrorLayout L, bool kReverse>
void ExchangeRows(uint8_t* a, uint8_t* b, size_t width) {
  constexpr size_t kB = kPixelBytes<L>;
  size_t x = 0;
  auto partner = [&](size_t first, size_t count) { return kReverse ? width - first - count : first; };
#if HWY_TARGET != HWY_SCALAR
  const size_t n = PixelRun<L>::Pixels();
  for (; x + n <= width; x += n) {
    const auto from_a = PixelRun<L>::Load(a + kB * x);
    const auto from_b = PixelRun<L>::Load(b + kB * partner(x, n));
    if constexpr (kReverse) {
      from_b.Reversed().Store(a + kB * x);
      from_a.Reversed().Store(b + kB * partner(x, n));
    } else {
      from_b.Store(a + kB * x);
      from_a.Store(b + kB * x);
    }
  }
#endif
  for (; x < width; ++x) SwapPixels<L>(a + kB * x, b + kB * partner(x, 1));
}

// Reverses the pixel order of one row in place, working inwards from both ends.
template <MirrorLayout L>
void ReverseRowInPlace(uint8_t* row, size_t width) {
  constexpr size_t kB = kPixelBytes<L>;
  size_t left = 0;
#if HWY_TARGET != HWY_SCALAR
  const size_t n = PixelRun<L>::Pixels();
  for (; 2 * (left + n) <= width; left += n) {
    const size_t right = width - left - n;
    const auto from_left = PixelRun<L>::Load(row + kB * left);
    const auto from_right = PixelRun<L>::Load(row + kB * right);
    from_right.Reversed().Store(row + kB * left);
    from_left.Reversed().Store(row + kB * right);
  }
#endif
  for (; 2 * left + 1 < width; ++left) SwapPixels<L>(row + kB * left, row + kB * (width - 1 - left));
}

// Rows are visited so that the source is read in one direction throughout, which keeps the processor's
// prefetching ahead of a frame that is not in the caches: front to back where the rows are read forwards
// (for axis 0 that means the destination's last row first), back to front for the 3-byte reversal, whose
// rows are read from their ends.
template <MirrorLayout L>
void MirrorImage(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int axis) {
  const size_t w = static_cast<size_t>(width);
  const bool rows_reversed = axis == ippAxsHorizontal || (axis == ippAxsBoth && L != MirrorLayout::kC3);
  for (int i = 0; i < height; ++i) {
    const int y = rows_reversed ? height - 1 - i : i;
    const uint8_t* from = RowAt(src, src_step, axis == ippAxsVertical ? y : height - 1 - y);
    uint8_t* to = RowAt(dst, dst_step, y);
    if (axis == ippAxsHorizontal) {
      CopyRow<L>(from, to, w);
    } else {
      ReverseRow<L>(from, to, w);
    }
  }
}

template <MirrorLayout L>
void MirrorImageInPlace(uint8_t* image, int step, int width, int height, int axis) {
  const size_t w = static_cast<size_t>(width);
  if (axis == ippAxsVertical) {
    for (int y = 0; y < height; ++y) ReverseRowInPlace<L>(RowAt(image, step, y), w);
    return;
  }
  for (int y = 0; y < height / 2; ++y) {
    uint8_t* top = RowAt(image, step, y);
    uint8_t* bottom = RowAt(image, step, height - 1 - y);
    if (axis == ippAxsHorizontal) {
      ExchangeRows<L, false>(top, bottom, w);
    } else {
      ExchangeRows<L, true>(top, bottom, w);
    }
  }
  if (axis == ippAxsBoth && height % 2 == 1) ReverseRowInPlace<L>(RowAt(image, step, height / 2), w);
}

void Mirror(int layout, const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int axis) {
  switch (static_cast<MirrorLayout>(layout)) {
    case MirrorLayout::kC1:
      return MirrorImage<MirrorLayout::kC1>(src, src_step, dst, dst_step, width, height, axis);
    case MirrorLayout::kC16:
      return MirrorImage<MirrorLayout::kC16>(src, src_step, dst, dst_step, width, height, axis);
    case MirrorLayout::kC3:
      return MirrorImage<MirrorLayout::kC3>(src, src_step, dst, dst_step, width, height, axis);
    case MirrorLayout::kC4:
      return MirrorImage<MirrorLayout::kC4>(src, src_step, dst, dst_step, width, height, axis);
    case MirrorLayout::kAc4:
      return MirrorImage<MirrorLayout::kAc4>(src, src_step, dst, dst_step, width, height, axis);
  }
}

void MirrorInPlace(int layout, uint8_t* image, int step, int width, int height, int axis) {
  switch (static_cast<MirrorLayout>(layout)) {
    case MirrorLayout::kC1:
      return MirrorImageInPlace<MirrorLayout::kC1>(image, step, width, height, axis);
    case MirrorLayout::kC16:
      return MirrorImageInPlace<MirrorLayout::kC16>(image, step, width, height, axis);
    case MirrorLayout::kC3:
      return MirrorImageInPlace<MirrorLayout::kC3>(image, step, width, height, axis);
    case MirrorLayout::kC4:
      return MirrorImageInPlace<MirrorLayout::kC4>(image, step, width, height, axis);
    case MirrorLayout::kAc4:
      return MirrorImageInPlace<MirrorLayout::kAc4>(image, step, width, height, axis);
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(Mirror);
HWY_EXPORT(MirrorInPlace);

namespace {

IppStatus RunMirror(MirrorLayout layout, const void* src, int src_step, void* dst, int dst_step, IppiSize size,
                    IppiAxis axis) {
  IppStatus status = CheckImageArgs({src, dst}, size, {src_step, dst_step});
  if (status == ippStsNoErr) status = CheckMirrorAxis(axis);
  if (status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(Mirror)
  (static_cast<int>(layout), static_cast<const uint8_t*>(src), src_step, static_cast<uint8_t*>(dst), dst_step,
   size.width, size.height, axis);
  return ippStsNoErr;
}

IppStatus RunMirrorInPlace(MirrorLayout layout, void* image, int step, IppiSize size, IppiAxis axis) {
  IppStatus status = CheckImageArgs({image}, size, {step});
  if (status == ippStsNoErr) status = CheckMirrorAxis(axis);
  if (status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(MirrorInPlace)
  (static_cast<int>(layout), static_cast<uint8_t*>(image), step, size.width, size.height, axis);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiMirror_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirror(MirrorLayout::kC1, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_C1IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirrorInPlace(MirrorLayout::kC1, pSrcDst, srcDstStep, roiSize, flip);
}
IppStatus ippiMirror_16u_C1R(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roiSize,
                             IppiAxis flip) {
  return RunMirror(MirrorLayout::kC16, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirror(MirrorLayout::kC3, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirrorInPlace(MirrorLayout::kC3, pSrcDst, srcDstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirror(MirrorLayout::kC4, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirrorInPlace(MirrorLayout::kC4, pSrcDst, srcDstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                             IppiAxis flip) {
  return RunMirror(MirrorLayout::kAc4, pSrc, srcStep, pDst, dstStep, roiSize, flip);
}
IppStatus ippiMirror_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip) {
  return RunMirrorInPlace(MirrorLayout::kAc4, pSrcDst, srcDstStep, roiSize, flip);
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
