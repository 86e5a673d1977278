#include "dsbase/camera/yuv_repack.h"

#include <cstddef>

namespace lumicar {

namespace {

// One output row; written as a plain loop over pixel pairs, which the
// compiler vectorises, so packing stays a small share of a decode.
inline void PackRow(const uint8_t* __restrict y, const uint8_t* __restrict u, const uint8_t* __restrict v, int pairs,
                    uint8_t* __restrict d) {
  for (int i = 0; i < pairs; ++i) {
    d[4 * i + 0] = y[2 * i];
    d[4 * i + 1] = u[i];
    d[4 * i + 2] = y[2 * i + 1];
    d[4 * i + 3] = v[i];
  }
}

}  // namespace

void DSPlanarToYuy2(const uint8_t* y, int yStride, const uint8_t* u, int uStride, const uint8_t* v, int vStride,
                    int chromaRowShift, int width, int height, uint8_t* dst, int dstStride) {
  for (int r = 0; r < height; ++r) {
    const int c = r >> chromaRowShift;
    PackRow(y + ptrdiff_t(r) * yStride, u + ptrdiff_t(c) * uStride, v + ptrdiff_t(c) * vStride, width / 2,
            dst + ptrdiff_t(r) * dstStride);
  }
}

void DSPlanar444ToYuy2(const uint8_t* y, int yStride, const uint8_t* u, int uStride, const uint8_t* v, int vStride,
                       int width, int height, uint8_t* dst, int dstStride) {
  for (int r = 0; r < height; ++r) {
    const uint8_t* yr = y + ptrdiff_t(r) * yStride;
    const uint8_t* ur = u + ptrdiff_t(r) * uStride;
    const uint8_t* vr = v + ptrdiff_t(r) * vStride;
    uint8_t* d = dst + ptrdiff_t(r) * dstStride;
    for (int i = 0; i < width / 2; ++i) {
      d[4 * i + 0] = yr[2 * i];
      d[4 * i + 1] = ur[2 * i];
      d[4 * i + 2] = yr[2 * i + 1];
      d[4 * i + 3] = vr[2 * i];
    }
  }
}

void DSNv12ToYuy2(const uint8_t* y, int yStride, const uint8_t* uv, int uvStride, int width, int height, uint8_t* dst,
                  int dstStride) {
  for (int r = 0; r < height; ++r) {
    const uint8_t* yr = y + ptrdiff_t(r) * yStride;
    const uint8_t* cr = uv + ptrdiff_t(r >> 1) * uvStride;
    uint8_t* d = dst + ptrdiff_t(r) * dstStride;
    for (int i = 0; i < width / 2; ++i) {
      d[4 * i + 0] = yr[2 * i];
      d[4 * i + 1] = cr[2 * i];
      d[4 * i + 2] = yr[2 * i + 1];
      d[4 * i + 3] = cr[2 * i + 1];
    }
  }
}

void DSGreyToYuy2(const uint8_t* y, int yStride, int width, int height, uint8_t* dst, int dstStride) {
  for (int r = 0; r < height; ++r) {
    const uint8_t* yr = y + ptrdiff_t(r) * yStride;
    uint8_t* d = dst + ptrdiff_t(r) * dstStride;
    for (int i = 0; i < width; ++i) {
      d[2 * i] = yr[i];
      d[2 * i + 1] = 128;
    }
  }
}

}  // namespace lumicar
