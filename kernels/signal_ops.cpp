// Built-in vector kernels.

#include "kernels/signal_ops.h"

#include <cmath>
#include <cstring>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckVectorArgs;
using detail::DivideScaleSaturate;
using detail::ScaleSaturate;

template <class Op>
IppStatus Combine(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, Op op) {
  if (IppStatus st = CheckVectorArgs({pSrc, pSrcDst}, len); st != ippStsNoErr) return st;
  for (int i = 0; i < len; ++i) pSrcDst[i] = op(pSrcDst[i], pSrc[i]);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (IppStatus st = CheckVectorArgs({pSrc, pDst}, len); st != ippStsNoErr) return st;
  std::memmove(pDst, pSrc, static_cast<size_t>(len));
  return ippStsNoErr;
}

IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) {
  if (IppStatus st = CheckVectorArgs({pDst}, len); st != ippStsNoErr) return st;
  std::memset(pDst, val, static_cast<size_t>(len));
  return ippStsNoErr;
}

IppStatus ippsZero_8u(Ipp8u* pDst, int len) { return ippsSet_8u(0, pDst, len); }

IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Combine(pSrc, pSrcDst, len, [scaleFactor](int a, int b) { return ScaleSaturate(a + b, scaleFactor); });
}

IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Combine(pSrc, pSrcDst, len, [scaleFactor](int a, int b) { return ScaleSaturate(a - b, scaleFactor); });
}

IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Combine(pSrc, pSrcDst, len, [scaleFactor](int a, int b) { return ScaleSaturate(a * b, scaleFactor); });
}

IppStatus ippsDiv_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  bool zero = false;
  const IppStatus st = Combine(pSrc, pSrcDst, len, [&](int a, int b) -> Ipp8u {
    if (b == 0) {
      zero = true;
      return a == 0 ? 0 : 255;
    }
    return DivideScaleSaturate(a, b, scaleFactor);
  });
  return (st == ippStsNoErr && zero) ? ippStsDivByZero : st;
}

IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm) {
  if (IppStatus st = CheckVectorArgs({pSrc, pNorm}, len); st != ippStsNoErr) return st;
  double sum = 0.0;
  for (int i = 0; i < len; ++i) sum += pSrc[i].re * pSrc[i].re + pSrc[i].im * pSrc[i].im;
  *pNorm = std::sqrt(sum);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
