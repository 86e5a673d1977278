#pragma once
// The 16.16 fixed-point colour arithmetic of the YUV 4:2:2 conversions, one pixel or one pair at a time.
// The vectorised rows use these for their tail pixels; they are the exact rule the vector code reproduces.

#include <cstdint>

namespace lumicar::builtin::yuv {

inline uint8_t Clamp255(int x) { return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x)); }

// One pixel from its luma and the pair's chroma (U and V still biased by 128); rgb[] gets red, green, blue.
// Shifts of negative values round toward minus infinity (arithmetic shift).
inline void PixelToRgb(int y, int u_byte, int v_byte, uint8_t rgb[3]) {
  const int u = u_byte - 128;
  const int v = v_byte - 128;
  const int y16 = y * 65536;
  rgb[0] = Clamp255((y16 + 74711 * v) >> 16);
  rgb[1] = Clamp255((y16 - 25821 * u - 38076 * v) >> 16);
  rgb[2] = Clamp255((y16 + 133169 * u) >> 16);
}

// Byte positions of luma and chroma inside a pixel's 16-bit word: YUY2 is Y0 U Y1 V, UYVY is U Y0 V Y1.
enum class Yuv422Layout { kYuy2, kUyvy };

template <Yuv422Layout L>
constexpr int kLumaByte = L == Yuv422Layout::kYuy2 ? 0 : 1;
template <Yuv422Layout L>
constexpr int kChromaByte = L == Yuv422Layout::kYuy2 ? 1 : 0;

// Converts pixels [first, width) of one packed 4:2:2 row (first even) into 3-byte pixels, red first or (kBgr)
// blue first; with kPixelBytes 4 each pixel gets a fourth byte of 255. An odd last pixel takes its own luma,
// the U byte that follows it and the V byte of the pair before it; a row one pixel wide has only that one
// chroma byte, used as both U and V. With kReversed, source pixel x goes to destination pixel width-1-x.
template <Yuv422Layout L, bool kBgr, int kPixelBytes = 3, bool kReversed = false>
void Yuv422RowTail(const uint8_t* src, uint8_t* dst, int first, int width) {
  static_assert(kPixelBytes == 3 || kPixelBytes == 4);
  constexpr int kY = kLumaByte<L>;
  constexpr int kC = kChromaByte<L>;
  auto put = [&](int x, int y, int u, int v) {
    uint8_t rgb[3];
    PixelToRgb(y, u, v, rgb);
    uint8_t* p = dst + kPixelBytes * (kReversed ? width - 1 - x : x);
    p[0] = rgb[kBgr ? 2 : 0];
    p[1] = rgb[1];
    p[2] = rgb[kBgr ? 0 : 2];
    if constexpr (kPixelBytes == 4) p[3] = 255;
  };
  int x = first;
  for (; x + 1 < width; x += 2) {
    const uint8_t* pair = src + 2 * x;
    const int u = pair[kC];
    const int v = pair[2 + kC];
    put(x, pair[kY], u, v);
    put(x + 1, pair[2 + kY], u, v);
  }
  if (x < width) {
    const uint8_t* last = src + 2 * x;
    const int u = last[kC];
    const int v = x > 0 ? last[kC - 2] : u;
    put(x, last[kY], u, v);
  }
}

// Luma sum of one pixel in units of 1/65536 (the weights 0.299, 0.587, 0.114 sum to exactly 65536).
inline int LumaSum(int r, int g, int b) { return 19595 * r + 38470 * g + 7471 * b; }

// Converts 3-byte pixels [first, width) (first even; red first, or blue first when kBgr) of one row into
// packed 4:2:2. Both chroma values are differences rounded up, then scaled with the extra shift that halves
// the pair's sum. An odd last pixel writes only its luma and a U byte of its own.
template <Yuv422Layout L, bool kBgr>
void RgbToYuv422RowTail(const uint8_t* src, uint8_t* dst, int first, int width) {
  constexpr int kY = kLumaByte<L>;
  constexpr int kC = kChromaByte<L>;
  constexpr int kR = kBgr ? 2 : 0;
  constexpr int kB = kBgr ? 0 : 2;
  int x = first;
  for (; x + 1 < width; x += 2) {
    const uint8_t* p0 = src + 3 * x;
    const uint8_t* p1 = p0 + 3;
    const int s0 = LumaSum(p0[kR], p0[1], p0[kB]);
    const int s1 = LumaSum(p1[kR], p1[1], p1[kB]);
    const int s = s0 + s1;
    const int db = ((p0[kB] + p1[kB]) * 65536 - s + 65535) >> 16;
    const int dr = ((p0[kR] + p1[kR]) * 65536 - s + 65535) >> 16;
    uint8_t* out = dst + 2 * x;
    out[kY] = static_cast<uint8_t>(s0 >> 16);
    out[kC] = static_cast<uint8_t>(((db * 32244) >> 17) + 128);
    out[2 + kY] = static_cast<uint8_t>(s1 >> 16);
    out[2 + kC] = Clamp255(((dr * 57475) >> 17) + 128);
  }
  if (x < width) {
    const uint8_t* p = src + 3 * x;
    const int s = LumaSum(p[kR], p[1], p[kB]);
    uint8_t* out = dst + 2 * x;
    out[kY] = static_cast<uint8_t>(s >> 16);
    out[kC] = static_cast<uint8_t>(((((p[kB] * 65536 - s + 32767) >> 16) * 32244) >> 16) + 128);
  }
}

}  // namespace lumicar::builtin::yuv
