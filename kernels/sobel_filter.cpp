// Built-in Sobel filters. The masks are applied as convolutions, so the horizontal mask (1 2 1 / 0 0 0 /
// −1 −2 −1) gives "below minus above" and the vertical one (−1 0 1 / −2 0 2 / −1 0 1) "left minus right".
// The 5 × 5 masks are the outer products of the smoothing 1 4 6 4 1 and the derivative 1 2 0 −2 −1.
// For each output row the rows under the mask are copied, with their borders made, into the caller's
// scratch buffer, so the inner loop never needs a bounds test.

#include "kernels/sobel_filter.h"

#include <algorithm>
#include <cstring>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;

int MaskRadius(IppiMaskSize mask) {
  switch (mask) {
    case ippMskSize3x3:
      return 1;
    case ippMskSize5x5:
      return 2;
    default:
      return 0;
  }
}

bool SupportedBorder(IppiBorderType border) {
  switch (border) {
    case ippBorderConst:
    case ippBorderRepl:
    case ippBorderWrap:
    case ippBorderMirror:
    case ippBorderMirrorR:
    case ippBorderInMem:
      return true;
  }
  return false;
}

// Coordinate v (possibly outside 0…n−1) mapped into the image; -1 for the constant border.
int MapCoordinate(int v, int n, IppiBorderType border) {
  if (v >= 0 && v < n) return v;
  switch (border) {
    case ippBorderRepl:
      return std::clamp(v, 0, n - 1);
    case ippBorderWrap:
      return ((v % n) + n) % n;
    case ippBorderMirror:
      return std::clamp(v < 0 ? -v : 2 * (n - 1) - v, 0, n - 1);  // d c b | a b c d
    case ippBorderMirrorR:
      return std::clamp(v < 0 ? -v - 1 : 2 * n - 1 - v, 0, n - 1);  // c b a | a b c d
    case ippBorderInMem:
      return v;  // the caller's memory holds it
    default:
      return -1;
  }
}

struct Weights {
  int smooth[5];
  int derive[5];
};

// Weights along the mask, indexed from the first neighbour (offset −r) to the last (offset +r), already
// flipped for the convolution.
const Weights& WeightsFor(int radius) {
  static const Weights k3 = {{1, 2, 1}, {-1, 0, 1}};
  static const Weights k5 = {{1, 4, 6, 4, 1}, {-1, -2, 0, 2, 1}};
  return radius == 1 ? k3 : k5;
}

IppStatus BufferSize(IppiSize roi, IppiMaskSize mask, int* size) {
  if (size == nullptr) return ippStsNullPtrErr;
  if (roi.width <= 0 || roi.height <= 0) return ippStsSizeErr;
  const int r = MaskRadius(mask);
  if (r == 0) return ippStsMaskSizeErr;
  *size = (roi.width + 2 * r) * (2 * r + 1);
  return ippStsNoErr;
}

IppStatus Sobel(bool horizontal, const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                IppiMaskSize mask, IppiBorderType border, Ipp8u borderValue, Ipp8u* buffer) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst, buffer}, roi, {srcStep, dstStep}); st != ippStsNoErr) return st;
  const int r = MaskRadius(mask);
  if (r == 0) return ippStsMaskSizeErr;
  if (!SupportedBorder(border)) return ippStsBorderErr;
  const int n = 2 * r + 1;
  const int padded = roi.width + 2 * r;
  const Weights& w = WeightsFor(r);
  // Horizontal edges: derivative down the columns, smoothing along the rows; vertical edges the reverse.
  // The vertical filter is "left minus right", the negated derivative along the row.
  const int* row_weights = horizontal ? w.smooth : w.derive;
  const int* col_weights = horizontal ? w.derive : w.smooth;
  const int sign = horizontal ? 1 : -1;
  auto* dst_bytes = reinterpret_cast<Ipp8u*>(pDst);
  for (int y = 0; y < roi.height; ++y) {
    for (int j = 0; j < n; ++j) {
      Ipp8u* line = buffer + static_cast<ptrdiff_t>(j) * padded;
      const int sy = MapCoordinate(y + j - r, roi.height, border);
      if (sy < 0 && border == ippBorderConst) {
        std::memset(line, borderValue, static_cast<size_t>(padded));
        continue;
      }
      const Ipp8u* src_row = pSrc + static_cast<ptrdiff_t>(sy) * srcStep;
      for (int i = 0; i < padded; ++i) {
        const int sx = MapCoordinate(i - r, roi.width, border);
        line[i] = (sx < 0 && border == ippBorderConst) ? borderValue : src_row[sx];
      }
    }
    Ipp8u* d = dst_bytes + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roi.width; ++x) {
      int sum = 0;
      for (int j = 0; j < n; ++j) {
        const Ipp8u* line = buffer + static_cast<ptrdiff_t>(j) * padded + x;
        int row_sum = 0;
        for (int i = 0; i < n; ++i) row_sum += row_weights[i] * line[i];
        sum += col_weights[j] * row_sum;
      }
      const auto value = static_cast<Ipp16s>(sign * sum);
      std::memcpy(d + 2 * static_cast<ptrdiff_t>(x), &value, sizeof value);  // the step need not keep rows aligned
    }
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiFilterSobelHorizBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                               IppiSize dstRoiSize, IppiMaskSize mask, IppiBorderType borderType,
                                               Ipp8u borderValue, Ipp8u* pBuffer) {
  return Sobel(true, pSrc, srcStep, pDst, dstStep, dstRoiSize, mask, borderType, borderValue, pBuffer);
}

IppStatus ippiFilterSobelVertBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                              IppiSize dstRoiSize, IppiMaskSize mask, IppiBorderType borderType,
                                              Ipp8u borderValue, Ipp8u* pBuffer) {
  return Sobel(false, pSrc, srcStep, pDst, dstStep, dstRoiSize, mask, borderType, borderValue, pBuffer);
}

IppStatus ippiFilterSobelHorizGetBufferSize_8u16s_C1R(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize) {
  return BufferSize(dstRoiSize, mask, pBufferSize);
}

IppStatus ippiFilterSobelVertGetBufferSize_8u16s_C1R(IppiSize dstRoiSize, IppiMaskSize mask, int* pBufferSize) {
  return BufferSize(dstRoiSize, mask, pBufferSize);
}

}  // namespace lumicar::builtin
