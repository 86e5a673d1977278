// Built-in Wiener filter. For each output row the window's column sums (of values and of squares) are
// gathered into the scratch buffer; each window is then the sum of maskSize.width column sums.

#include "kernels/wiener_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

namespace {

using detail::CheckImageArgs;
using detail::Saturate8u;

constexpr double kFullRangePower = 255.0 * 255.0;

size_t ColumnCount(IppiSize roi, IppiSize mask) { return static_cast<size_t>(roi.width) + mask.width - 1; }

// Column sums of one output row, channel-interleaved: sums then squares.
class ColumnSums {
 public:
  ColumnSums(Ipp8u* buffer, size_t columns, int channels) : columns_(columns), channels_(channels) {
    auto address = reinterpret_cast<uintptr_t>(buffer);
    base_ = buffer + ((alignof(int64_t) - address % alignof(int64_t)) % alignof(int64_t));
  }

  // Gathers the window rows of output row y; source pixel (sx, sy) of the window's top-left cell is
  // at `top_left`.
  template <int kPixel>
  void Gather(const Ipp8u* top_left, int src_step, int mask_height) {
    const size_t count = columns_ * channels_;
    for (size_t i = 0; i < count; ++i) {
      int64_t s = 0;
      int64_t q = 0;
      const size_t column = i / channels_;
      const size_t channel = i % channels_;
      for (int j = 0; j < mask_height; ++j) {
        const int64_t v = top_left[static_cast<ptrdiff_t>(j) * src_step + column * kPixel + channel];
        s += v;
        q += v * v;
      }
      Store(2 * i, s);
      Store(2 * i + 1, q);
    }
  }

  // Mean and variance of the window starting at column x for one channel.
  void Window(size_t x, int channel, int mask_width, double area, double* mean, double* variance) const {
    int64_t s = 0;
    int64_t q = 0;
    for (int i = 0; i < mask_width; ++i) {
      const size_t at = (x + i) * channels_ + channel;
      s += Load(2 * at);
      q += Load(2 * at + 1);
    }
    *mean = static_cast<double>(s) / area;
    *variance = std::max(0.0, static_cast<double>(q) / area - *mean * *mean);
  }

  static size_t Bytes(size_t columns, int channels) {
    return columns * channels * 2 * sizeof(int64_t) + alignof(int64_t);
  }

 private:
  void Store(size_t i, int64_t v) { std::memcpy(base_ + i * sizeof v, &v, sizeof v); }
  int64_t Load(size_t i) const {
    int64_t v;
    std::memcpy(&v, base_ + i * sizeof v, sizeof v);
    return v;
  }

  Ipp8u* base_;
  size_t columns_;
  int channels_;
};

template <int kPixel, int kChannels>
IppStatus Wiener(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiSize mask,
                 IppiPoint anchor, const Ipp32f* noise, Ipp8u* pBuffer) {
  if (IppStatus st = CheckImageArgs({pSrc, pDst, noise, pBuffer}, roi, {srcStep, dstStep}); st != ippStsNoErr) {
    return st;
  }
  if (mask.width <= 0 || mask.height <= 0) return ippStsMaskSizeErr;
  if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height) return ippStsAnchorErr;
  for (int c = 0; c < kChannels; ++c) {
    if (!(noise[c] >= 0.0f && noise[c] <= 1.0f)) return ippStsNoiseValErr;
  }

  ColumnSums sums(pBuffer, ColumnCount(roi, mask), kChannels);
  const double area = static_cast<double>(mask.width) * mask.height;
  auto window_row = [&](int y) {
    return pSrc + static_cast<ptrdiff_t>(y - anchor.y) * srcStep - static_cast<ptrdiff_t>(anchor.x) * kPixel;
  };

  double power[kChannels];
  bool estimate = false;
  for (int c = 0; c < kChannels; ++c) {
    power[c] = noise[c] * kFullRangePower;
    estimate = estimate || noise[c] == 0.0f;
  }
  if (estimate) {
    double total[kChannels] = {};
    for (int y = 0; y < roi.height; ++y) {
      sums.Gather<kPixel>(window_row(y), srcStep, mask.height);
      for (int x = 0; x < roi.width; ++x) {
        for (int c = 0; c < kChannels; ++c) {
          double mean, variance;
          sums.Window(x, c, mask.width, area, &mean, &variance);
          total[c] += variance;
        }
      }
    }
    const double pixels = static_cast<double>(roi.width) * roi.height;
    for (int c = 0; c < kChannels; ++c) {
      if (noise[c] == 0.0f) power[c] = total[c] / pixels;
    }
  }

  for (int y = 0; y < roi.height; ++y) {
    sums.Gather<kPixel>(window_row(y), srcStep, mask.height);
    const Ipp8u* s = pSrc + static_cast<ptrdiff_t>(y) * srcStep;
    Ipp8u* d = pDst + static_cast<ptrdiff_t>(y) * dstStep;
    for (int x = 0; x < roi.width; ++x) {
      for (int c = 0; c < kChannels; ++c) {
        double mean, variance;
        sums.Window(x, c, mask.width, area, &mean, &variance);
        const double denominator = std::max(variance, power[c]);
        const double gain = denominator > 0.0 ? std::max(variance - power[c], 0.0) / denominator : 0.0;
        const double v = mean + gain * (s[x * kPixel + c] - mean);
        d[x * kPixel + c] = Saturate8u(static_cast<int64_t>(std::nearbyint(v)));
      }
    }
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiFilterWiener_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  IppiSize maskSize, IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer) {
  return Wiener<1, 1>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor, noise, pBuffer);
}

IppStatus ippiFilterWiener_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                  IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer) {
  return Wiener<3, 3>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor, noise, pBuffer);
}

IppStatus ippiFilterWiener_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                                   IppiSize maskSize, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer) {
  return Wiener<4, 3>(pSrc, srcStep, pDst, dstStep, dstRoiSize, maskSize, anchor, noise, pBuffer);
}

IppStatus ippiFilterWienerGetBufferSize(IppiSize dstRoiSize, IppiSize maskSize, int channels, int* pBufferSize) {
  if (pBufferSize == nullptr) return ippStsNullPtrErr;
  if (dstRoiSize.width <= 0 || dstRoiSize.height <= 0) return ippStsSizeErr;
  if (maskSize.width <= 0 || maskSize.height <= 0) return ippStsMaskSizeErr;
  if (channels != 1 && channels != 3 && channels != 4) return ippStsNumChannelsErr;
  const size_t bytes = ColumnSums::Bytes(ColumnCount(dstRoiSize, maskSize), channels);
  if (bytes > static_cast<size_t>(INT32_MAX)) return ippStsSizeErr;
  *pBufferSize = static_cast<int>(bytes);
  return ippStsNoErr;
}

}  // namespace lumicar::builtin
