#pragma once
// Rules every built-in kernel shares: argument checks in the library's order (null pointer, size, step),
// scale-factor rounding half to even, saturation to bytes, and the pixel loops of the scalar kernels.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "kernels/ipp_types.h"

namespace lumicar::builtin::detail {

// First failing check of an image kernel: a null pointer, then a non-positive width or height, then a
// non-positive step. ippStsNoErr when all pass.
inline IppStatus CheckImageArgs(std::initializer_list<const void*> pointers, IppiSize roi,
                                std::initializer_list<int> steps) {
  for (const void* p : pointers) {
    if (p == nullptr) return ippStsNullPtrErr;
  }
  if (roi.width <= 0 || roi.height <= 0) return ippStsSizeErr;
  for (int step : steps) {
    if (step <= 0) return ippStsStepErr;
  }
  return ippStsNoErr;
}

// Same for the vector kernels: a null pointer, then a non-positive length.
inline IppStatus CheckVectorArgs(std::initializer_list<const void*> pointers, int len) {
  for (const void* p : pointers) {
    if (p == nullptr) return ippStsNullPtrErr;
  }
  return len > 0 ? ippStsNoErr : ippStsSizeErr;
}

inline Ipp8u Saturate8u(int64_t v) { return static_cast<Ipp8u>(std::clamp<int64_t>(v, 0, 255)); }

// r × 2^-s, rounded half to even for s > 0 (s = 1: (r + ((r >> 1) & 1)) >> 1), shifted left for s < 0.
// The caller saturates.
inline int64_t ScaleRound(int64_t r, int s) {
  if (s == 0) return r;
  if (s < 0) return r * (int64_t{1} << std::min(-s, 32));
  if (s > 40) return 0;      // every operand here is far below 2^39
  const int64_t q = r >> s;  // floor
  const int64_t rem = r - (q * (int64_t{1} << s));
  const int64_t half = int64_t{1} << (s - 1);
  return (rem > half || (rem == half && (q & 1) != 0)) ? q + 1 : q;
}

inline Ipp8u ScaleSaturate(int64_t r, int s) { return Saturate8u(ScaleRound(r, s)); }

// num ÷ den × 2^-s for num ≥ 0 and den > 0, rounded half to even, saturated to a byte.
inline Ipp8u DivideScaleSaturate(int64_t num, int64_t den, int s) {
  if (s < 0) {
    num *= int64_t{1} << std::min(-s, 32);
  } else {
    if (s > 40) return 0;
    den *= int64_t{1} << s;
  }
  int64_t q = num / den;
  const int64_t rem2 = 2 * (num % den);
  if (rem2 > den || (rem2 == den && (q & 1) != 0)) ++q;
  return Saturate8u(q);
}

// The pixel loops. kPixel is the bytes per pixel, kUsed the leading channels that are processed (3 of 4
// for the AC4 layouts, whose fourth byte is never written). op receives the channel index last.

// dst[c] := op(src1[c], src2[c], c). In-place kernels pass dst as src2.
template <int kPixel, int kUsed, class Op>
void ForEachBinary(const Ipp8u* src1, int step1, const Ipp8u* src2, int step2, Ipp8u* dst, int dst_step, IppiSize roi,
                   Op op) {
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* a = src1 + static_cast<ptrdiff_t>(y) * step1;
    const Ipp8u* b = src2 + static_cast<ptrdiff_t>(y) * step2;
    Ipp8u* d = dst + static_cast<ptrdiff_t>(y) * dst_step;
    for (int x = 0; x < roi.width; ++x) {
      for (int c = 0; c < kUsed; ++c) {
        const int i = x * kPixel + c;
        d[i] = op(a[i], b[i], c);
      }
    }
  }
}

// dst[c] := op(src[c], c). In-place kernels pass dst as src.
template <int kPixel, int kUsed, class Op>
void ForEachUnary(const Ipp8u* src, int src_step, Ipp8u* dst, int dst_step, IppiSize roi, Op op) {
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* s = src + static_cast<ptrdiff_t>(y) * src_step;
    Ipp8u* d = dst + static_cast<ptrdiff_t>(y) * dst_step;
    for (int x = 0; x < roi.width; ++x) {
      for (int c = 0; c < kUsed; ++c) {
        const int i = x * kPixel + c;
        d[i] = op(s[i], c);
      }
    }
  }
}

}  // namespace lumicar::builtin::detail
