// Built-in alpha composition. With alphas α = a ÷ 255 the compositing operations are, for colour A over
// colour B (the Premul forms take colours already multiplied by their alpha):
//   Over  αA·A + (1−αA)·αB·B      In  αA·A·αB      Out  αA·A·(1−αB)
//   ATop  αA·A·αB + (1−αA)·αB·B   Xor αA·A·(1−αB) + (1−αA)·αB·B      Plus αA·A + αB·B
// and the composed alpha is αA + (1−αA)·αB, αA·αB, αA·(1−αB), αB, αA·(1−αB) + (1−αA)·αB, αA + αB.
// Everything is evaluated exactly in integers and rounded to the nearest byte, then saturated.

#include "kernels/alpha_comp.h"

#include <cstdint>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;
using detail::Saturate8u;

constexpr int64_t kMax = 255;
constexpr int64_t kMax2 = kMax * kMax;

bool ValidType(IppiAlphaType type) { return type >= ippAlphaOver && type <= ippAlphaPlusPremul; }

// The composed colour byte of A (alpha a) and B (alpha b).
Ipp8u ComposeColor(IppiAlphaType type, int64_t A, int64_t a, int64_t B, int64_t b) {
  int64_t num = 0;  // in units of 1/255²
  switch (type) {
    case ippAlphaOver:
      num = a * A * kMax + (kMax - a) * b * B;
      break;
    case ippAlphaIn:
      num = a * A * b;
      break;
    case ippAlphaOut:
      num = a * A * (kMax - b);
      break;
    case ippAlphaATop:
      num = a * A * b + (kMax - a) * b * B;
      break;
    case ippAlphaXor:
      num = a * A * (kMax - b) + (kMax - a) * b * B;
      break;
    case ippAlphaPlus:
      num = (a * A + b * B) * kMax;
      break;
    case ippAlphaOverPremul:
      num = A * kMax2 + (kMax - a) * B * kMax;
      break;
    case ippAlphaInPremul:
      num = A * b * kMax;
      break;
    case ippAlphaOutPremul:
      num = A * (kMax - b) * kMax;
      break;
    case ippAlphaATopPremul:
      num = (A * b + (kMax - a) * B) * kMax;
      break;
    case ippAlphaXorPremul:
      num = (A * (kMax - b) + (kMax - a) * B) * kMax;
      break;
    case ippAlphaPlusPremul:
      num = (A + B) * kMax2;
      break;
  }
  return Saturate8u((num + kMax2 / 2) / kMax2);
}

// The composed alpha byte; the same for the plain and the Premul forms.
Ipp8u ComposeAlpha(IppiAlphaType type, int64_t a, int64_t b) {
  int64_t num = 0;  // in units of 1/255
  switch (type) {
    case ippAlphaOver:
    case ippAlphaOverPremul:
      num = a * kMax + (kMax - a) * b;
      break;
    case ippAlphaIn:
    case ippAlphaInPremul:
      num = a * b;
      break;
    case ippAlphaOut:
    case ippAlphaOutPremul:
      num = a * (kMax - b);
      break;
    case ippAlphaATop:
    case ippAlphaATopPremul:
      num = b * kMax;
      break;
    case ippAlphaXor:
    case ippAlphaXorPremul:
      num = a * (kMax - b) + (kMax - a) * b;
      break;
    case ippAlphaPlus:
    case ippAlphaPlusPremul:
      num = (a + b) * kMax;
      break;
  }
  return Saturate8u((num + kMax / 2) / kMax);
}

template <int kChannels>
IppStatus ComposeConstant(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                          Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAlphaType type) {
  if (IppStatus st = CheckImageArgs({pSrc1, pSrc2, pDst}, roi, {src1Step, src2Step, dstStep}); st != ippStsNoErr) {
    return st;
  }
  if (!ValidType(type)) return ippStsAlphaTypeErr;
  for (int y = 0; y < roi.height; ++y) {
    const Ipp8u* a = pSrc1 + static_cast<ptrdiff_t>(y) * src1Step;
    const Ipp8u* b = pSrc2 + static_cast<ptrdiff_t>(y) * src2Step;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int i = 0; i < roi.width * kChannels; ++i) d[i] = ComposeColor(type, a[i], alpha1, b[i], alpha2);
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiAlphaCompC_8u_C1R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType) {
  return ComposeConstant<1>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roiSize, alphaType);
}

IppStatus ippiAlphaCompC_8u_C3R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType) {
  return ComposeConstant<3>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roiSize, alphaType);
}

IppStatus ippiAlphaCompC_8u_C4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType) {
  return ComposeConstant<4>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roiSize, alphaType);
}

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roiSize, IppiAlphaType alphaType) {
  if (IppStatus st = CheckImageArgs({pSrc1, pSrc2, pDst}, roiSize, {src1Step, src2Step, dstStep}); st != ippStsNoErr) {
    return st;
  }
  if (!ValidType(alphaType)) return ippStsAlphaTypeErr;
  for (int y = 0; y < roiSize.height; ++y) {
    const Ipp8u* a = pSrc1 + static_cast<ptrdiff_t>(y) * src1Step;
    const Ipp8u* b = pSrc2 + static_cast<ptrdiff_t>(y) * src2Step;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roiSize.width; ++x) {
      const int i = 4 * x;
      const Ipp8u alpha_a = a[i + 3];
      const Ipp8u alpha_b = b[i + 3];
      for (int c = 0; c < 3; ++c) d[i + c] = ComposeColor(alphaType, a[i + c], alpha_a, b[i + c], alpha_b);
      d[i + 3] = ComposeAlpha(alphaType, alpha_a, alpha_b);
    }
  }
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
