// Byte copy and 16-bit byte swap: the copy is the C library's vectorised memmove; the swap has per-target
// rows and one run-time dispatch point.

#include "kernels/memory_ops.h"

#include <cstring>

#include "kernels/conversion_args.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/memory_ops.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace lumicar::builtin::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// src may equal dst.
void SwapBytes16(const uint16_t* src, uint16_t* dst, size_t count) {
  size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  const hn::ScalableTag<uint16_t> d16;
  const size_t n = hn::Lanes(d16);
  for (; i + 2 * n <= count; i += 2 * n) {
    const auto a = hn::LoadU(d16, src + i);
    const auto b = hn::LoadU(d16, src + i + n);
    hn::StoreU(hn::Or(hn::ShiftLeft<8>(a), hn::ShiftRight<8>(a)), d16, dst + i);
    hn::StoreU(hn::Or(hn::ShiftLeft<8>(b), hn::ShiftRight<8>(b)), d16, dst + i + n);
  }
#endif
  for (; i < count; ++i) dst[i] = static_cast<uint16_t>((src[i] << 8) | (src[i] >> 8));
}

}  // namespace lumicar::builtin::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumicar::builtin {

HWY_EXPORT(SwapBytes16);

IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (IppStatus status = CheckVectorArgs({pSrc, pDst}, len); status != ippStsNoErr) return status;
  std::memmove(pDst, pSrc, static_cast<size_t>(len));
  return ippStsNoErr;
}

IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len) {
  if (IppStatus status = CheckVectorArgs({pSrc, pDst}, len); status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(SwapBytes16)(pSrc, pDst, static_cast<size_t>(len));
  return ippStsNoErr;
}

IppStatus ippsSwapBytes_16u_I(Ipp16u* pSrcDst, int len) {
  if (IppStatus status = CheckVectorArgs({pSrcDst}, len); status != ippStsNoErr) return status;
  HWY_DYNAMIC_DISPATCH(SwapBytes16)(pSrcDst, pSrcDst, static_cast<size_t>(len));
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
#endif  // HWY_ONCE
