#include "testing/kernels/reference_kernels.h"

#include <algorithm>
#include <cstring>

namespace lumicar::reference {
namespace {

uint8_t Clamp(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

// Floor division by 2^bits, whatever the sign.
int64_t FloorShift(int64_t v, int bits) {
  const int64_t d = int64_t{1} << bits;
  return v >= 0 ? v / d : -((-v + d - 1) / d);
}

}  // namespace

void Yuy2ToRgb(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = src + int64_t{src_step} * y;
    uint8_t* out = dst + int64_t{dst_step} * y;
    for (int x = 0; x < width; ++x) {
      const int64_t luma = row[2 * x];
      int64_t u, v;
      if (width % 2 == 1 && x == width - 1) {
        u = row[2 * x + 1];                   // the U byte after the last luma
        v = width == 1 ? u : row[2 * x - 1];  // the V of the pair before
      } else {
        u = row[4 * (x / 2) + 1];
        v = row[4 * (x / 2) + 3];
      }
      u -= 128;
      v -= 128;
      out[3 * x + 0] = Clamp(FloorShift(luma * 65536 + 74711 * v, 16));
      out[3 * x + 1] = Clamp(FloorShift(luma * 65536 - 25821 * u - 38076 * v, 16));
      out[3 * x + 2] = Clamp(FloorShift(luma * 65536 + 133169 * u, 16));
    }
  }
}

void RgbToYuy2(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = src + int64_t{src_step} * y;
    uint8_t* out = dst + int64_t{dst_step} * y;
    auto luma_sum = [&](int x) {
      return int64_t{19595} * row[3 * x] + int64_t{38470} * row[3 * x + 1] + int64_t{7471} * row[3 * x + 2];
    };
    int x = 0;
    for (; x + 1 < width; x += 2) {
      const int64_t s0 = luma_sum(x), s1 = luma_sum(x + 1), s = s0 + s1;
      const int64_t blue = row[3 * x + 2] + row[3 * x + 5];
      const int64_t red = row[3 * x] + row[3 * x + 3];
      const int64_t db = FloorShift(blue * 65536 - s + 65535, 16);
      const int64_t dr = FloorShift(red * 65536 - s + 65535, 16);
      out[2 * x + 0] = static_cast<uint8_t>(FloorShift(s0, 16));
      out[2 * x + 1] = static_cast<uint8_t>((FloorShift(db * 32244, 17) + 128) & 0xFF);
      out[2 * x + 2] = static_cast<uint8_t>(FloorShift(s1, 16));
      out[2 * x + 3] = Clamp(FloorShift(dr * 57475, 17) + 128);
    }
    if (x < width) {
      const int64_t s = luma_sum(x);
      const int64_t blue = row[3 * x + 2];
      out[2 * x + 0] = static_cast<uint8_t>(FloorShift(s, 16));
      out[2 * x + 1] =
          static_cast<uint8_t>((FloorShift(FloorShift(blue * 65536 - s + 32767, 16) * 32244, 16) + 128) & 0xFF);
    }
  }
}

void SwapChannels(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
                  const int order[3]) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* s = src + int64_t{src_step} * y + pixel_bytes * x;
      uint8_t* d = dst + int64_t{dst_step} * y + pixel_bytes * x;
      const uint8_t in[3] = {s[0], s[1], s[2]};
      for (int k = 0; k < 3; ++k) d[k] = in[order[k]];
    }
  }
}

void SwapBytes16(const uint8_t* src, uint8_t* dst, int words) {
  for (int i = 0; i < words; ++i) {
    const uint8_t a = src[2 * i], b = src[2 * i + 1];
    dst[2 * i] = b;
    dst[2 * i + 1] = a;
  }
}

void ColorToGray(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
                 const int c[3]) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = src + int64_t{src_step} * y + pixel_bytes * x;
      dst[int64_t{dst_step} * y + x] =
          Clamp(FloorShift(int64_t{c[0]} * p[0] + int64_t{c[1]} * p[1] + int64_t{c[2]} * p[2], 12));
    }
  }
}

void Mirror(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
            int moved_bytes, int axis) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int sx = axis == 0 ? x : width - 1 - x;
      const int sy = axis == 1 ? y : height - 1 - y;
      std::memcpy(dst + int64_t{dst_step} * y + pixel_bytes * x, src + int64_t{src_step} * sy + pixel_bytes * sx,
                  moved_bytes);
    }
  }
}

}  // namespace lumicar::reference
