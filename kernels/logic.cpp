// Built-in bitwise kernels; AC4 layouts leave the fourth byte of every pixel as it was.

#include "kernels/logic.h"

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;
using detail::ForEachBinary;
using detail::ForEachUnary;

struct AndOp {
  Ipp8u operator()(int a, int b, int) const { return static_cast<Ipp8u>(a & b); }
};
struct OrOp {
  Ipp8u operator()(int a, int b, int) const { return static_cast<Ipp8u>(a | b); }
};
struct XorOp {
  Ipp8u operator()(int a, int b, int) const { return static_cast<Ipp8u>(a ^ b); }
};
struct LShiftOp {
  Ipp8u operator()(int a, Ipp32u n) const { return n >= 8 ? Ipp8u{0} : static_cast<Ipp8u>(a << n); }
};
struct RShiftOp {
  Ipp8u operator()(int a, Ipp32u n) const { return n >= 8 ? Ipp8u{0} : static_cast<Ipp8u>(a >> n); }
};

template <int kPixel, int kUsed, class Op>
IppStatus OutOfPlace(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                     IppiSize roi, Op op) {
  if (IppStatus st = CheckImageArgs({pSrc1, pSrc2, pDst}, roi, {src1Step, src2Step, dstStep}); st != ippStsNoErr) {
    return st;
  }
  ForEachBinary<kPixel, kUsed>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, op);
  return ippStsNoErr;
}

template <int kPixel, int kUsed, class Op>
IppStatus WithConstant(const Ipp8u* pSrc, int srcStep, const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roi,
                       Op op) {
  if (IppStatus st = CheckImageArgs({pSrc, value, pDst}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  ForEachUnary<kPixel, kUsed>(pSrc, srcStep, pDst, dstStep, roi, [&](int a, int c) { return op(a, value[c], c); });
  return ippStsNoErr;
}

template <int kPixel, int kUsed, class Op>
IppStatus Shift(const Ipp8u* pSrc, int srcStep, const Ipp32u* value, Ipp8u* pDst, int dstStep, IppiSize roi, Op op) {
  if (IppStatus st = CheckImageArgs({pSrc, value, pDst}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  ForEachUnary<kPixel, kUsed>(pSrc, srcStep, pDst, dstStep, roi, [&](int a, int c) { return op(a, value[c]); });
  return ippStsNoErr;
}

template <int kPixel, int kUsed>
IppStatus Invert(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  ForEachUnary<kPixel, kUsed>(pSrc, srcStep, pDst, dstStep, roi, [](int a, int) { return static_cast<Ipp8u>(~a); });
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiAnd_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AndOp{});
}

IppStatus ippiAnd_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AndOp{});
}

IppStatus ippiAnd_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, AndOp{});
}

IppStatus ippiOr_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                        IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, OrOp{});
}

IppStatus ippiOr_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, OrOp{});
}

IppStatus ippiOr_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                        IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, OrOp{});
}

IppStatus ippiXor_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, XorOp{});
}

IppStatus ippiXor_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, XorOp{});
}

IppStatus ippiXor_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize, XorOp{});
}

IppStatus ippiAnd_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiAnd_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiAnd_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 4>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiAnd_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiOr_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiOr_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiOr_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 4>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiOr_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiXor_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<3, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiXor_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<1, 1>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiXor_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 3>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiXor_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return OutOfPlace<4, 4>(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiAndC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<3, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiAndC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 4>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiAndC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, AndOp{});
}

IppStatus ippiOrC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<3, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiOrC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiOrC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 4>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, OrOp{});
}

IppStatus ippiXorC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<3, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiXorC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiXorC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return WithConstant<4, 4>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, XorOp{});
}

IppStatus ippiAndC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return WithConstant<3, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize, AndOp{});
}

IppStatus ippiOrC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                         IppiSize roiSize) {
  return WithConstant<3, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize, OrOp{});
}

IppStatus ippiXorC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                          IppiSize roiSize) {
  return WithConstant<3, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize, XorOp{});
}

IppStatus ippiNot_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Invert<3, 3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);
}

IppStatus ippiNot_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Invert<4, 4>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);
}

IppStatus ippiNot_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Invert<4, 3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roiSize);
}

IppStatus ippiNot_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Invert<3, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiNot_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return Invert<4, 3>(pSrc, srcStep, pDst, dstStep, roiSize);
}

IppStatus ippiLShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<3, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, LShiftOp{});
}

IppStatus ippiLShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<4, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, LShiftOp{});
}

IppStatus ippiLShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<4, 4>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, LShiftOp{});
}

IppStatus ippiRShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<3, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, RShiftOp{});
}

IppStatus ippiRShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<4, 4>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, RShiftOp{});
}

IppStatus ippiRShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize) {
  return Shift<4, 3>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roiSize, RShiftOp{});
}

IppStatus ippiLShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                             IppiSize roiSize) {
  return Shift<3, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize, LShiftOp{});
}

IppStatus ippiRShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                             IppiSize roiSize) {
  return Shift<3, 3>(pSrc, srcStep, value, pDst, dstStep, roiSize, RShiftOp{});
}

}  // namespace lumicar::builtin
