// Built-in arithmetic kernels: exact integer results, scaled by 2^-scaleFactor with rounding half to even,
// saturated to 0…255.

#include "kernels/arith.h"

#include <cstdlib>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;
using detail::DivideScaleSaturate;
using detail::ForEachBinary;
using detail::ForEachUnary;
using detail::Saturate8u;
using detail::ScaleSaturate;

struct AddOp {
  int s;
  Ipp8u operator()(int a, int b, int) const { return ScaleSaturate(a + b, s); }
};
struct SubOp {
  int s;
  Ipp8u operator()(int a, int b, int) const { return ScaleSaturate(a - b, s); }
};
struct MulOp {
  int s;
  Ipp8u operator()(int a, int b, int) const { return ScaleSaturate(a * b, s); }
};
// A zero divisor gives 255, or 0 for a zero dividend, and is reported through *zero.
struct DivOp {
  int s;
  bool* zero;
  Ipp8u operator()(int a, int b, int) const {
    if (b == 0) {
      *zero = true;
      return a == 0 ? 0 : 255;
    }
    return DivideScaleSaturate(a, b, s);
  }
};
struct MulScaleOp {
  Ipp8u operator()(int a, int b, int) const {
    const int p = a * b;
    return static_cast<Ipp8u>((p + p / 256 + 1) >> 8);
  }
};

// pSrcDst := pSrcDst (op) pSrc.
template <int kPixel, int kUsed, class Op>
IppStatus InPlace(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, Op op) {
  if (IppStatus st = CheckImageArgs({pSrc, pSrcDst}, roi, {srcStep, srcDstStep}); st != ippStsNoErr) return st;
  ForEachBinary<kPixel, kUsed>(pSrcDst, srcDstStep, pSrc, srcStep, pSrcDst, srcDstStep, roi, op);
  return ippStsNoErr;
}

// pDst := pSrc2 (op) pSrc1.
template <int kPixel, int kUsed, class Op>
IppStatus OutOfPlace(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                     IppiSize roi, Op op) {
  if (IppStatus st = CheckImageArgs({pSrc1, pSrc2, pDst}, roi, {src1Step, src2Step, dstStep}); st != ippStsNoErr) {
    return st;
  }
  ForEachBinary<kPixel, kUsed>(pSrc2, src2Step, pSrc1, src1Step, pDst, dstStep, roi, op);
  return ippStsNoErr;
}

template <int kPixel, int kUsed>
IppStatus DivInPlace(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int s) {
  bool zero = false;
  const IppStatus st = InPlace<kPixel, kUsed>(pSrc, srcStep, pSrcDst, srcDstStep, roi, DivOp{s, &zero});
  return (st == ippStsNoErr && zero) ? ippStsDivByZero : st;
}

template <int kPixel, int kUsed>
IppStatus DivOutOfPlace(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                        IppiSize roi, int s) {
  bool zero = false;
  const IppStatus st = OutOfPlace<kPixel, kUsed>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, DivOp{s, &zero});
  return (st == ippStsNoErr && zero) ? ippStsDivByZero : st;
}

// pSrcDst := pSrcDst (op) value[channel].
template <int kPixel, int kUsed, class Op>
IppStatus WithConstant(const Ipp8u* value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, Op op) {
  if (IppStatus st = CheckImageArgs({value, pSrcDst}, roi, {srcDstStep}); st != ippStsNoErr) return st;
  ForEachUnary<kPixel, kUsed>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi,
                              [&](int a, int c) { return op(a, value[c], c); });
  return ippStsNoErr;
}

template <int kPixel, int kUsed>
IppStatus DivByConstant(const Ipp8u* value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int s) {
  if (IppStatus st = CheckImageArgs({value, pSrcDst}, roi, {srcDstStep}); st != ippStsNoErr) return st;
  for (int c = 0; c < kUsed; ++c) {
    if (value[c] == 0) return ippStsDivByZeroErr;
  }
  return WithConstant<kPixel, kUsed>(value, pSrcDst, srcDstStep, roi, DivOp{s, nullptr});
}

template <int kPixel, int kUsed>
IppStatus Square(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, int s) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  ForEachUnary<kPixel, kUsed>(pSrc, srcStep, pDst, dstStep, roi, [s](int a, int) { return ScaleSaturate(a * a, s); });
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiAdd_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAdd_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAdd_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor) {
  return InPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiSub_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiSub_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiSub_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor) {
  return InPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiMul_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMul_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return InPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMul_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor) {
  return InPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiDiv_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return DivInPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiDiv_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                             int scaleFactor) {
  return DivInPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiDiv_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor) {
  return DivInPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiAdd_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAdd_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAdd_8u_C4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<4, 4>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAdd_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiSub_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiSub_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiSub_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiMul_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMul_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMul_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiDiv_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return DivOutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, scaleFactor);
}

IppStatus ippiDiv_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor) {
  return DivOutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, scaleFactor);
}

IppStatus ippiDiv_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor) {
  return DivOutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, scaleFactor);
}

IppStatus ippiAddC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<3, 3>(value, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAddC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor) {
  return WithConstant<4, 3>(value, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiAddC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<4, 4>(value, pSrcDst, srcDstStep, roiSize, AddOp{scaleFactor});
}

IppStatus ippiSubC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<3, 3>(value, pSrcDst, srcDstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiSubC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<4, 4>(value, pSrcDst, srcDstStep, roiSize, SubOp{scaleFactor});
}

IppStatus ippiMulC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<3, 3>(value, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMulC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor) {
  return WithConstant<4, 3>(value, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiMulC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return WithConstant<4, 4>(value, pSrcDst, srcDstStep, roiSize, MulOp{scaleFactor});
}

IppStatus ippiDivC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return DivByConstant<3, 3>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiDivC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor) {
  return DivByConstant<4, 3>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiDivC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return DivByConstant<4, 4>(value, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiMulCScale_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<1, 1>(&value, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulCScale_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<3, 3>(value, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulCScale_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 3>(value, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 4>(value, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulScale_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return InPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulScale_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return InPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulScale_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return InPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiMulScale_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return InPlace<4, 4>(pSrc, srcStep, pSrcDst, srcDstStep, roiSize, MulScaleOp{});
}

IppStatus ippiSqr_8u_C3IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return Square<3, 3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiSqr_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                            int scaleFactor) {
  return Square<3, 3>(pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);
}

IppStatus ippiSqr_8u_AC4IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor) {
  return Square<4, 3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, scaleFactor);
}

IppStatus ippiSqr_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                             int scaleFactor) {
  return Square<4, 3>(pSrc, srcStep, pDst, dstStep, roiSize, scaleFactor);
}

IppStatus ippiAbsDiff_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                             int dstStep, IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize,
                          [](int a, int b, int) { return static_cast<Ipp8u>(std::abs(a - b)); });
}

IppStatus ippiAbsDiffC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int value) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); st != ippStsNoErr) return st;
  ForEachUnary<1, 1>(pSrc, srcStep, pDst, dstStep, roiSize,
                     [value](int a, int) { return Saturate8u(std::llabs(int64_t{a} - value)); });
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
