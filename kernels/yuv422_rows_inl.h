// Vectorised rows of the YUV 4:2:2 conversions, compiled once per instruction set (Highway's per-target
// include pattern, hence no #pragma once). The single-lane fallback target runs the plain pixel loop. Both directions
// keep the exact 16.16 arithmetic of yuv_fixed_point.h in 16-bit lanes: every product that needs more than 16 bits is
// split so that no partial result is rounded before the final shift.

#if defined(LUMICAR_BUFFERS_KERNELS_YUV422_ROWS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef LUMICAR_BUFFERS_KERNELS_YUV422_ROWS_INL_H_
#undef LUMICAR_BUFFERS_KERNELS_YUV422_ROWS_INL_H_
#else
#define LUMICAR_BUFFERS_KERNELS_YUV422_ROWS_INL_H_
#endif

#include <hwy/highway.h>

#include <type_traits>

#include "kernels/yuv_fixed_point.h"

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// Red, green and blue of the pixels of two source vectors `a` and `b` of packed 4:2:2, as 16-bit lanes:
// *_a for the pixels of `a`, *_b for those of `b`, each in pixel order.
//   R = Y + floor(74711 v / 2^16)            = Y + v + MulHigh(v, 9175)
//   B = Y + floor(133169 u / 2^16)           = Y + 2u + MulHigh(u, 2097)
//   G = Y + floor((-25821 u - 38076 v) / 2^16): with -25821 = -101*256 + 35 and -38076 = -149*256 + 68 the
//       sum is 256 H + L for H = -101u - 149v and L = 35u + 68v, both exact in 16 bits, and
//       floor((256 H + L) / 2^16) = (H + (L >> 8)) >> 8.
// The chroma terms are computed once per pair. Within each 128-bit block the pair lanes hold the pairs of
// `a`'s block and then those of `b`'s block (the 32-to-16-bit pack works block by block on every target);
// doubling each lane with the block-wise interleave then lines the terms up with the pixels of `a` (lower
// halves) and `b` (upper halves).
template <yuv::Yuv422Layout L, class D8>
HWY_INLINE void DecodeYuv422(D8 /*d8*/, hn::Vec<D8> a, hn::Vec<D8> b, hn::Vec<hn::Repartition<int16_t, D8>>& r_a,
                             hn::Vec<hn::Repartition<int16_t, D8>>& g_a, hn::Vec<hn::Repartition<int16_t, D8>>& b_a,
                             hn::Vec<hn::Repartition<int16_t, D8>>& r_b, hn::Vec<hn::Repartition<int16_t, D8>>& g_b,
                             hn::Vec<hn::Repartition<int16_t, D8>>& b_b) {
  const hn::Repartition<int16_t, D8> d16;
  const hn::Repartition<uint16_t, D8> du16;
  const hn::Repartition<int32_t, D8> d32;
  const auto low_byte = hn::Set(du16, 0x00FF);
  const auto words_a = hn::BitCast(du16, a), words_b = hn::BitCast(du16, b);
  // Each 16-bit word is one pixel: its luma and one chroma byte (U for even pixels, V for odd ones).
  const bool yuy2 = L == yuv::Yuv422Layout::kYuy2;
  const auto y_a = hn::BitCast(d16, yuy2 ? hn::And(words_a, low_byte) : hn::ShiftRight<8>(words_a));
  const auto y_b = hn::BitCast(d16, yuy2 ? hn::And(words_b, low_byte) : hn::ShiftRight<8>(words_b));
  const auto c_a = hn::BitCast(d32, yuy2 ? hn::ShiftRight<8>(words_a) : hn::And(words_a, low_byte));
  const auto c_b = hn::BitCast(d32, yuy2 ? hn::ShiftRight<8>(words_b) : hn::And(words_b, low_byte));
  const auto low_word = hn::Set(d32, 0xFFFF);
  const auto bias = hn::Set(d16, 128);
  const auto u = hn::Sub(hn::ReorderDemote2To(d16, hn::And(c_a, low_word), hn::And(c_b, low_word)), bias);
  const auto v = hn::Sub(hn::ReorderDemote2To(d16, hn::ShiftRight<16>(c_a), hn::ShiftRight<16>(c_b)), bias);

  const auto dr = hn::Add(v, hn::MulHigh(v, hn::Set(d16, 9175)));
  const auto db = hn::Add(hn::Add(u, u), hn::MulHigh(u, hn::Set(d16, 2097)));
  const auto high = hn::Add(hn::Mul(u, hn::Set(d16, -101)), hn::Mul(v, hn::Set(d16, -149)));
  const auto low = hn::Add(hn::Mul(u, hn::Set(d16, 35)), hn::Mul(v, hn::Set(d16, 68)));
  const auto dg = hn::ShiftRight<8>(hn::Add(high, hn::ShiftRight<8>(low)));
  r_a = hn::Add(y_a, hn::InterleaveLower(d16, dr, dr));
  g_a = hn::Add(y_a, hn::InterleaveLower(d16, dg, dg));
  b_a = hn::Add(y_a, hn::InterleaveLower(d16, db, db));
  r_b = hn::Add(y_b, hn::InterleaveUpper(d16, dr, dr));
  g_b = hn::Add(y_b, hn::InterleaveUpper(d16, dg, dg));
  b_b = hn::Add(y_b, hn::InterleaveUpper(d16, db, db));
}

// Stores the 3-byte pixels of two vectors of 16-bit channel lanes (pixels of `c*_a`, then those of `c*_b`),
// saturated to bytes, with c0 first in each pixel. With kMayOverrun on x86 the bytes are packed and
// interleaved block-wise into 4-byte pixels, each block of four is compacted to 12 bytes with one shuffle,
// and the blocks are stored 16 bytes at a time in address order: each store's 4 extra bytes are overwritten
// by the next store, and those of the last one by whatever the row holds after this run, which the caller
// guarantees to write later (at least 4 more bytes). Otherwise the portable interleaved store writes
// exactly the run's bytes.
template <bool kMayOverrun, class D16>
HWY_INLINE void StorePixels3(D16 d16, hn::Vec<D16> c0_a, hn::Vec<D16> c1_a, hn::Vec<D16> c2_a, hn::Vec<D16> c0_b,
                             hn::Vec<D16> c1_b, hn::Vec<D16> c2_b, uint8_t* HWY_RESTRICT dst) {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSSE3
  if constexpr (kMayOverrun) {
#if HWY_TARGET == HWY_AVX2
    using Raw = __m256i;
    const auto pack = [](Raw x, Raw y) { return _mm256_packus_epi16(x, y); };
    const auto lo8 = [](Raw x, Raw y) { return _mm256_unpacklo_epi8(x, y); };
    const auto hi8 = [](Raw x, Raw y) { return _mm256_unpackhi_epi8(x, y); };
    const auto lo16 = [](Raw x, Raw y) { return _mm256_unpacklo_epi16(x, y); };
    const auto hi16 = [](Raw x, Raw y) { return _mm256_unpackhi_epi16(x, y); };
    const auto compact = [](Raw x) {
      const Raw index = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8, 9,
                                         10, 12, 13, 14, -1, -1, -1, -1);
      return _mm256_shuffle_epi8(x, index);
    };
#else
    using Raw = __m128i;
    const auto pack = [](Raw x, Raw y) { return _mm_packus_epi16(x, y); };
    const auto lo8 = [](Raw x, Raw y) { return _mm_unpacklo_epi8(x, y); };
    const auto hi8 = [](Raw x, Raw y) { return _mm_unpackhi_epi8(x, y); };
    const auto lo16 = [](Raw x, Raw y) { return _mm_unpacklo_epi16(x, y); };
    const auto hi16 = [](Raw x, Raw y) { return _mm_unpackhi_epi16(x, y); };
    const auto compact = [](Raw x) {
      return _mm_shuffle_epi8(x, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    };
#endif
    (void)d16;
    // Per block k: c*[k] = pixels of block k of a, then of block k of b.
    const Raw c0 = pack(c0_a.raw, c0_b.raw), c1 = pack(c1_a.raw, c1_b.raw), c2 = pack(c2_a.raw, c2_b.raw);
    const Raw c01_a = lo8(c0, c1), c01_b = hi8(c0, c1), c22_a = lo8(c2, c2), c22_b = hi8(c2, c2);
    const Raw p0 = compact(lo16(c01_a, c22_a)), p1 = compact(hi16(c01_a, c22_a));  // a: pixels 0-3, 4-7 of a block
    const Raw p2 = compact(lo16(c01_b, c22_b)), p3 = compact(hi16(c01_b, c22_b));  // b: the same
    auto put = [&](__m128i x, size_t pixel) { _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * pixel), x); };
#if HWY_TARGET == HWY_AVX2
    // a holds pixels 0-15 (block 0: 0-7, block 1: 8-15), b pixels 16-31.
    put(_mm256_castsi256_si128(p0), 0);
    put(_mm256_castsi256_si128(p1), 4);
    put(_mm256_extracti128_si256(p0, 1), 8);
    put(_mm256_extracti128_si256(p1, 1), 12);
    put(_mm256_castsi256_si128(p2), 16);
    put(_mm256_castsi256_si128(p3), 20);
    put(_mm256_extracti128_si256(p2, 1), 24);
    put(_mm256_extracti128_si256(p3, 1), 28);
#else
    put(p0, 0);
    put(p1, 4);
    put(p2, 8);
    put(p3, 12);
#endif
    return;
  }
#endif
  const hn::Repartition<uint8_t, D16> d8;
  const hn::Half<decltype(d8)> d8h;
  hn::StoreInterleaved3(hn::Combine(d8, hn::DemoteTo(d8h, c0_b), hn::DemoteTo(d8h, c0_a)),
                        hn::Combine(d8, hn::DemoteTo(d8h, c1_b), hn::DemoteTo(d8h, c1_a)),
                        hn::Combine(d8, hn::DemoteTo(d8h, c2_b), hn::DemoteTo(d8h, c2_a)), d8, dst);
  (void)d16;
}

// Bytes that StorePixels3 may write past its pixels (and that the caller must write afterwards).
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSSE3
constexpr size_t kStorePixels3Overrun = 4;
#else
constexpr size_t kStorePixels3Overrun = 0;
#endif
#endif  // HWY_TARGET != HWY_SCALAR

// Converts one packed 4:2:2 row of `width` pixels into 3-byte pixels (red first, or blue first when kBgr).
// Steps whose extra stored bytes would pass the row's end use the exact store; a row whose pairs are not a
// whole number of steps ends with one step over its last pairs, overlapping the step before (it writes the
// same bytes again), so only an odd last pixel is left to the scalar tail.
template <yuv::Yuv422Layout L, bool kBgr>
HWY_INLINE void Yuv422ToRgbRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int width) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<int16_t, decltype(d8)> d16;
  const size_t n = hn::Lanes(d8);  // pixels per step: two source vectors
  const size_t w = static_cast<size_t>(width);
  const size_t pairs_end = w & ~size_t{1};
  auto step = [&](size_t at, auto may_overrun) {
    hn::Vec<decltype(d16)> r_a, g_a, b_a, r_b, g_b, b_b;
    DecodeYuv422<L>(d8, hn::LoadU(d8, src + 2 * at), hn::LoadU(d8, src + 2 * at + n), r_a, g_a, b_a, r_b, g_b, b_b);
    if constexpr (kBgr) {
      StorePixels3<decltype(may_overrun)::value>(d16, b_a, g_a, r_a, b_b, g_b, r_b, dst + 3 * at);
    } else {
      StorePixels3<decltype(may_overrun)::value>(d16, r_a, g_a, b_a, r_b, g_b, b_b, dst + 3 * at);
    }
  };
  for (; x + n <= pairs_end && 3 * (w - x - n) >= kStorePixels3Overrun; x += n) step(x, std::true_type());
  for (; x + n <= pairs_end; x += n) step(x, std::false_type());
  if (x < pairs_end && pairs_end >= n) {
    step(pairs_end - n, std::false_type());
    x = pairs_end;
  }
#endif  // HWY_TARGET != HWY_SCALAR
  yuv::Yuv422RowTail<L, kBgr>(src, dst, static_cast<int>(x), width);
}

// Converts one packed 4:2:2 row of `width` pixels into 4-byte pixels: the three bytes Yuv422ToRgbRow gives,
// then 255. Each step stores exactly its pixels, so no step writes past the row.
template <yuv::Yuv422Layout L, bool kBgr>
HWY_INLINE void Yuv422ToRgbaRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int width) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const hn::Half<decltype(d8)> d8h;
  const hn::Repartition<int16_t, decltype(d8)> d16;
  const size_t n = hn::Lanes(d8);  // pixels per step: two source vectors
  const size_t pairs_end = static_cast<size_t>(width) & ~size_t{1};
  const auto opaque = hn::Set(d8, uint8_t{255});
  for (; x + n <= pairs_end; x += n) {
    hn::Vec<decltype(d16)> r_a, g_a, b_a, r_b, g_b, b_b;
    DecodeYuv422<L>(d8, hn::LoadU(d8, src + 2 * x), hn::LoadU(d8, src + 2 * x + n), r_a, g_a, b_a, r_b, g_b, b_b);
    const auto r = hn::Combine(d8, hn::DemoteTo(d8h, r_b), hn::DemoteTo(d8h, r_a));
    const auto g = hn::Combine(d8, hn::DemoteTo(d8h, g_b), hn::DemoteTo(d8h, g_a));
    const auto b = hn::Combine(d8, hn::DemoteTo(d8h, b_b), hn::DemoteTo(d8h, b_a));
    if constexpr (kBgr) {
      hn::StoreInterleaved4(b, g, r, opaque, d8, dst + 4 * x);
    } else {
      hn::StoreInterleaved4(r, g, b, opaque, d8, dst + 4 * x);
    }
  }
#endif  // HWY_TARGET != HWY_SCALAR
  yuv::Yuv422RowTail<L, kBgr, 4>(src, dst, static_cast<int>(x), width);
}

// Converts one packed 4:2:2 row of `width` pixels as Yuv422ToRgbRow does, into the mirrored places: source
// pixel x becomes destination pixel width-1-x. Each step's pixels are narrowed to bytes, their order reversed
// in the register, and stored exactly at the mirrored place, so no step writes past the row. A row whose pairs
// are not a whole number of steps ends with one step over its last pairs, overlapping the step before with
// the same bytes; an odd last pixel (destination pixel 0) is left to the scalar tail.
template <yuv::Yuv422Layout L, bool kBgr>
HWY_INLINE void Yuv422ToRgbRowReversed(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int width) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const hn::Half<decltype(d8)> d8h;
  const hn::Repartition<int16_t, decltype(d8)> d16;
  const size_t n = hn::Lanes(d8);  // pixels per step: two source vectors
  const size_t w = static_cast<size_t>(width);
  const size_t pairs_end = w & ~size_t{1};
  // Byte order reversal of a whole vector: within each 128-bit block, then the blocks.
  alignas(16) static constexpr uint8_t kBackwards[16] = {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
  const auto backwards = hn::LoadDup128(d8, kBackwards);
  auto reversed = [&](hn::Vec<decltype(d16)> first, hn::Vec<decltype(d16)> second) {
    const auto bytes = hn::Combine(d8, hn::DemoteTo(d8h, second), hn::DemoteTo(d8h, first));
    return hn::ReverseBlocks(d8, hn::TableLookupBytes(bytes, backwards));
  };
  auto step = [&](size_t at) {
    hn::Vec<decltype(d16)> r_a, g_a, b_a, r_b, g_b, b_b;
    DecodeYuv422<L>(d8, hn::LoadU(d8, src + 2 * at), hn::LoadU(d8, src + 2 * at + n), r_a, g_a, b_a, r_b, g_b, b_b);
    const auto r = reversed(r_a, r_b), g = reversed(g_a, g_b), b = reversed(b_a, b_b);
    uint8_t* out = dst + 3 * (w - at - n);
    if constexpr (kBgr) {
      hn::StoreInterleaved3(b, g, r, d8, out);
    } else {
      hn::StoreInterleaved3(r, g, b, d8, out);
    }
  };
  for (; x + n <= pairs_end; x += n) step(x);
  if (x < pairs_end && pairs_end >= n) {
    step(pairs_end - n);
    x = pairs_end;
  }
#endif  // HWY_TARGET != HWY_SCALAR
  yuv::Yuv422RowTail<L, kBgr, 3, true>(src, dst, static_cast<int>(x), width);
}

// Luma of 16-bit colour lanes as floor(s / 2^16) together with s mod 2^16, where s = 19595 r + 38470 g +
// 7471 b. Splitting each weight into 256 * high + low gives s = 256 H + Lo with H = 76r + 150g + 29b and
// Lo = 139r + 70g + 47b, both below 2^16.
#if HWY_TARGET != HWY_SCALAR
template <class DU16>
HWY_INLINE void LumaParts(DU16 du16, hn::Vec<DU16> r, hn::Vec<DU16> g, hn::Vec<DU16> b, hn::Vec<DU16>& luma,
                          hn::Vec<DU16>& rem) {
  const auto high =
      hn::Add(hn::Add(hn::Mul(r, hn::Set(du16, 76)), hn::Mul(g, hn::Set(du16, 150))), hn::Mul(b, hn::Set(du16, 29)));
  const auto low =
      hn::Add(hn::Add(hn::Mul(r, hn::Set(du16, 139)), hn::Mul(g, hn::Set(du16, 70))), hn::Mul(b, hn::Set(du16, 47)));
  luma = hn::ShiftRight<8>(hn::Add(high, hn::ShiftRight<8>(low)));
  rem = hn::Add(hn::ShiftLeft<8>(high), low);  // wraps modulo 2^16 as intended
}
#endif  // HWY_TARGET != HWY_SCALAR

// Converts one row of `width` 3-byte pixels (red first, or blue first when kBgr) into packed 4:2:2.
// Per pair, floor(S / 2^16) of the pair's luma sum S is y0 + y1 plus the carry of the two remainders; then
// Db = B0 + B1 - floor(S / 2^16) and Dr likewise (the round-up of the rule), U = (MulHigh(Db, 32244) >> 1)
// + 128 and V = clamp(((Dr + MulHigh(Dr, -8061)) >> 1) + 128), since 57475 = 65536 - 8061.
template <yuv::Yuv422Layout L, bool kBgr>
HWY_INLINE void RgbToYuv422Row(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int width) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint8_t> d8;
  const hn::Repartition<uint16_t, decltype(d8)> du16;
  const hn::Repartition<int16_t, decltype(d8)> di16;
  const size_t n = hn::Lanes(d8);  // pixels per step
  const size_t pairs_end = static_cast<size_t>(width) & ~size_t{1};
  const auto low_byte = hn::Set(du16, 0x00FF);
  auto step = [&](size_t x) {
    hn::Vec<decltype(d8)> c0, c1, c2;
    hn::LoadInterleaved3(d8, src + 3 * x, c0, c1, c2);
    const auto r16 = hn::BitCast(du16, kBgr ? c2 : c0);
    const auto g16 = hn::BitCast(du16, c1);
    const auto b16 = hn::BitCast(du16, kBgr ? c0 : c2);
    // Even pixels sit in the low bytes, odd pixels in the high bytes.
    const auto r0 = hn::And(r16, low_byte), r1 = hn::ShiftRight<8>(r16);
    const auto g0 = hn::And(g16, low_byte), g1 = hn::ShiftRight<8>(g16);
    const auto b0 = hn::And(b16, low_byte), b1 = hn::ShiftRight<8>(b16);
    hn::Vec<decltype(du16)> y0, rem0, y1, rem1;
    LumaParts(du16, r0, g0, b0, y0, rem0);
    LumaParts(du16, r1, g1, b1, y1, rem1);
    const auto carry = hn::Lt(hn::Add(rem0, rem1), rem0);
    const auto sum_high = hn::Sub(hn::Add(y0, y1), hn::VecFromMask(du16, carry));  // mask is 0xFFFF = -1
    const auto db = hn::BitCast(di16, hn::Sub(hn::Add(b0, b1), sum_high));
    const auto dr = hn::BitCast(di16, hn::Sub(hn::Add(r0, r1), sum_high));
    const auto bias = hn::Set(di16, 128);
    const auto u =
        hn::And(hn::BitCast(du16, hn::Add(hn::ShiftRight<1>(hn::MulHigh(db, hn::Set(di16, 32244))), bias)), low_byte);
    const auto v_wide = hn::Add(hn::ShiftRight<1>(hn::Add(dr, hn::MulHigh(dr, hn::Set(di16, -8061)))), bias);
    const auto v = hn::BitCast(du16, hn::Min(hn::Max(v_wide, hn::Zero(di16)), hn::Set(di16, 255)));
    if constexpr (L == yuv::Yuv422Layout::kYuy2) {
      hn::StoreInterleaved2(hn::Or(y0, hn::ShiftLeft<8>(u)), hn::Or(y1, hn::ShiftLeft<8>(v)), du16,
                            reinterpret_cast<uint16_t*>(dst + 2 * x));
    } else {
      hn::StoreInterleaved2(hn::Or(u, hn::ShiftLeft<8>(y0)), hn::Or(v, hn::ShiftLeft<8>(y1)), du16,
                            reinterpret_cast<uint16_t*>(dst + 2 * x));
    }
  };
  for (; x + n <= pairs_end; x += n) step(x);
  if (x < pairs_end && pairs_end >= n) {  // the last pairs, overlapping the step before
    step(pairs_end - n);
    x = pairs_end;
  }
#endif  // HWY_TARGET != HWY_SCALAR
  yuv::RgbToYuv422RowTail<L, kBgr>(src, dst, static_cast<int>(x), width);
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard toggle
