// Built-in image statistics.

#include "kernels/statistics.h"

#include <algorithm>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

IppStatus ippiMax_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax) {
  if (IppStatus st = detail::CheckImageArgs({pSrc, pMax}, roiSize, {srcStep}); st != ippStsNoErr) return st;
  Ipp8u best = 0;
  for (int y = 0; y < roiSize.height && best != 255; ++y) {
    const Ipp8u* s = pSrc + static_cast<ptrdiff_t>(y) * srcStep;
    best = std::max(best, *std::max_element(s, s + roiSize.width));
  }
  *pMax = best;
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
