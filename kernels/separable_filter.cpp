// Built-in row and column filters. The weights are applied as a convolution (the kernel runs backwards
// over the pixels, anchored at the given cell), sums are formed in float like the library's 32f kernels.

#include "kernels/separable_filter.h"

#include <cmath>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;

Ipp8u RoundSaturate(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<Ipp8u>(std::nearbyint(v));
}

// kAlongRow: neighbours are kChannels bytes apart, otherwise srcStep bytes apart.
template <int kChannels, bool kAlongRow>
IppStatus Filter1D(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const Ipp32f* kernel,
                   int size, int anchor) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst, kernel}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  if (size < 1) return ippStsSizeErr;
  if (anchor < 0 || anchor >= size) return ippStsAnchorErr;
  const ptrdiff_t stride = kAlongRow ? kChannels : srcStep;
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* s = pSrc + static_cast<ptrdiff_t>(y) * srcStep;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int i = 0; i < roi.width * kChannels; ++i) {
      // The cell under kernel[0] lies `anchor` neighbours after the output position.
      const Ipp8u* p = s + i + anchor * stride;
      float sum = 0.0f;
      for (int k = 0; k < size; ++k) sum += kernel[k] * static_cast<float>(p[-k * stride]);
      d[i] = RoundSaturate(sum);
    }
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiFilterRow32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor) {
  return Filter1D<1, true>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, xAnchor);
}

IppStatus ippiFilterRow32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor) {
  return Filter1D<3, true>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, xAnchor);
}

IppStatus ippiFilterRow32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  const Ipp32f* pKernel, int kernelSize, int xAnchor) {
  return Filter1D<4, true>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, xAnchor);
}

IppStatus ippiFilterColumn32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor) {
  return Filter1D<1, false>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, yAnchor);
}

IppStatus ippiFilterColumn32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor) {
  return Filter1D<3, false>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, yAnchor);
}

IppStatus ippiFilterColumn32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                     const Ipp32f* pKernel, int kernelSize, int yAnchor) {
  return Filter1D<4, false>(pSrc, srcStep, pDst, dstStep, dstRoiSize, pKernel, kernelSize, yAnchor);
}

}  // namespace lumicar::builtin
