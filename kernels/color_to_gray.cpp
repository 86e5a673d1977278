// Colour to gray: integer coefficients from the weights once per call, per-target rows, one run-time dispatch
// point per kernel.

#include "kernels/color_to_gray.h"

#include <cmath>

#include "kernels/conversion_args.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/color_to_gray.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// Gray of 16-bit channel lanes for coefficients in 0..4095. With c = 64 a + b (a, b below 64) the sum is
// 64 H + L for H = sum a_k ch_k and L = sum b_k ch_k, both below 2^16, and (64 H + L) >> 12 equals
// (H + (L >> 6)) >> 6; the result is limited to 255.
template <class DU16>
HWY_INLINE hn::Vec<DU16> GrayLanes(DU16 du16, hn::Vec<DU16> ch0, hn::Vec<DU16> ch1, hn::Vec<DU16> ch2, const int* c) {
  const auto high = hn::Add(hn::Add(hn::Mul(ch0, hn::Set(du16, static_cast<uint16_t>(c[0] >> 6))),
                                    hn::Mul(ch1, hn::Set(du16, static_cast<uint16_t>(c[1] >> 6)))),
                            hn::Mul(ch2, hn::Set(du16, static_cast<uint16_t>(c[2] >> 6))));
  const auto low = hn::Add(hn::Add(hn::Mul(ch0, hn::Set(du16, static_cast<uint16_t>(c[0] & 63))),
                                   hn::Mul(ch1, hn::Set(du16, static_cast<uint16_t>(c[1] & 63)))),
                           hn::Mul(ch2, hn::Set(du16, static_cast<uint16_t>(c[2] & 63))));
  return hn::Min(hn::ShiftRight<6>(hn::Add(high, hn::ShiftRight<6>(low))), hn::Set(du16, 255));
}
#endif

// kPixel bytes per source pixel (3 or 4).
template <int kPixel>
void GrayRow(const uint8_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, size_t width, const int* c) {
  size_t x = 0;
#if HWY_TARGET != HWY_SCALAR
  const bool fits = c[0] >= 0 && c[0] < 4096 && c[1] >= 0 && c[1] < 4096 && c[2] >= 0 && c[2] < 4096;
  if (fits) {
    const hn::ScalableTag<uint8_t> d8;
    const hn::Repartition<uint16_t, decltype(d8)> du16;
    const size_t n = hn::Lanes(d8);
    const auto low_byte = hn::Set(du16, 0x00FF);
    for (; x + n <= width; x += n) {
      hn::Vec<decltype(d8)> c0, c1, c2, c3;
      if constexpr (kPixel == 3) {
        hn::LoadInterleaved3(d8, src + 3 * x, c0, c1, c2);
      } else {
        hn::LoadInterleaved4(d8, src + 4 * x, c0, c1, c2, c3);
      }
      // Even pixels in the low bytes of 16-bit lanes, odd pixels in the high bytes.
      const auto w0 = hn::BitCast(du16, c0), w1 = hn::BitCast(du16, c1), w2 = hn::BitCast(du16, c2);
      const auto even = GrayLanes(du16, hn::And(w0, low_byte), hn::And(w1, low_byte), hn::And(w2, low_byte), c);
      const auto odd = GrayLanes(du16, hn::ShiftRight<8>(w0), hn::ShiftRight<8>(w1), hn::ShiftRight<8>(w2), c);
      hn::StoreU(hn::BitCast(d8, hn::Or(even, hn::ShiftLeft<8>(odd))), d8, dst + x);
    }
  }
#endif
  for (; x < width; ++x) {
    const uint8_t* p = src + kPixel * x;
    const int64_t sum = int64_t{c[0]} * p[0] + int64_t{c[1]} * p[1] + int64_t{c[2]} * p[2];
    const int64_t gray = sum >> 12;
    dst[x] = static_cast<uint8_t>(gray < 0 ? 0 : (gray > 255 ? 255 : gray));
  }
}

void GrayImage(int pixel_bytes, const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height,
               const int* c) {
  for (int y = 0; y < height; ++y) {
    if (pixel_bytes == 3) {
      GrayRow<3>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), static_cast<size_t>(width), c);
    } else {
      GrayRow<4>(RowAt(src, src_step, y), RowAt(dst, dst_step, y), static_cast<size_t>(width), c);
    }
  }
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(GrayImage);

namespace {

// c = truncate(0.5 + 4096 w). Weights far outside 0..1 only saturate the result, so the coefficient is
// limited to +-2^20 (which also keeps the sums inside 32 bits and a NaN weight from reaching the cast).
int GrayCoefficient(Ipp32f weight) {
  const double c = 0.5 + 4096.0 * static_cast<double>(weight);
  if (std::isnan(c)) return 0;
  constexpr double kLimit = 1 << 20;
  return static_cast<int>(std::trunc(c < -kLimit ? -kLimit : (c > kLimit ? kLimit : c)));
}

IppStatus RunGray(int pixel_bytes, const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                  const Ipp32f* coeffs) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  int c[3] = {1225, 2404, 467};
  if (coeffs != nullptr) {
    for (int k = 0; k < 3; ++k) c[k] = GrayCoefficient(coeffs[k]);
  }
  HWY_DYNAMIC_DISPATCH(GrayImage)(pixel_bytes, pSrc, srcStep, pDst, dstStep, roiSize.width, roiSize.height, c);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiColorToGray_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                   const Ipp32f coeffs[3]) {
  return RunGray(3, pSrc, srcStep, pDst, dstStep, roiSize, coeffs);
}

IppStatus ippiColorToGray_8u_AC4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                    const Ipp32f coeffs[3]) {
  return RunGray(4, pSrc, srcStep, pDst, dstStep, roiSize, coeffs);
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
