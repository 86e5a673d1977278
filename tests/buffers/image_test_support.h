#pragma once
// Shared pieces of the image buffer tests: a fixture that checks every data
// container is freed, frames built from pixel values, and an independent
// per-pixel model of every layout written from the published conversion
// rules, used as the oracle for whole-frame conversions.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "buffers/block_pool.h"
#include "buffers/image_buffer.h"
#include "buffers/smart_buffer.h"

namespace lumicar::test {

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(_SLCountStores.load(), 0); }
  void TearDown() override {
    EXPECT_EQ(_SLCountStores.load(), 0) << "an image container outlived its handles";
    SLMemoryCleanUp();
  }
};

inline TIntf<TVLImageBuffer> NewFrame(int width, int height, TVLVideoFormat format) {
  return MakeIntf<TVLImageBuffer>(width, height, format);
}

struct Bgr {
  uint8_t b, g, r;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Bgr& p) {
  return os << "(b " << int(p.b) << ", g " << int(p.g) << ", r " << int(p.r) << ")";
}

using Picture = std::vector<Bgr>;  // width x height, rows top-down

// A picture with varied colours: saturated ones, grays, and mid tones.
inline Picture TestPicture(int width, int height) {
  Picture p(static_cast<std::size_t>(width) * height);
  uint32_t seed = 12345;
  for (auto& px : p) {
    seed = seed * 1103515245u + 12345u;
    px = Bgr{uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(seed >> 8)};
  }
  if (!p.empty()) p[0] = Bgr{0, 0, 255};
  if (p.size() > 1) p[1] = Bgr{255, 255, 255};
  if (p.size() > 2) p[2] = Bgr{0, 0, 0};
  if (p.size() > 3) p[3] = Bgr{255, 0, 0};
  return p;
}

// An RGB24 frame holding the picture.
inline TIntf<TVLImageBuffer> RgbFrame(const Picture& p, int width, int height) {
  auto frame = NewFrame(width, height, vfRGB24);
  uint8_t* d = frame->Write();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Bgr& px = p[static_cast<std::size_t>(y) * width + x];
      uint8_t* q = d + y * frame->GetStep() + 3 * x;
      q[0] = px.b;
      q[1] = px.g;
      q[2] = px.r;
    }
  return frame;
}

// The picture a frame shows, pixel by pixel through GetPixel.
inline Picture PictureOf(IVLImageBuffer* frame) {
  Picture p;
  for (int y = 0; y < frame->GetHeight(); ++y)
    for (int x = 0; x < frame->GetWidth(); ++x) {
      const TVLColor c = frame->GetPixel(x, y);
      p.push_back(Bgr{VLBlue(c), VLGreen(c), VLRed(c)});
    }
  return p;
}

// The meaningful bytes of each row (padding excluded), rows concatenated.
inline std::vector<uint8_t> RowBytes(IVLImageBuffer* frame) {
  const int rowBytes = VLLayoutOf(frame->GetFormat()) == vfYUY2 || VLLayoutOf(frame->GetFormat()) == vfUYVY
                           ? 2 * frame->GetWidth()
                           : frame->GetWidth() * frame->GetBytesPerPixel();
  std::vector<uint8_t> bytes;
  const uint8_t* d = frame->Read();
  for (int y = 0; y < frame->GetHeight(); ++y)
    bytes.insert(bytes.end(), d + y * frame->GetStep(), d + y * frame->GetStep() + rowBytes);
  return bytes;
}

// The reference model: each layout's bytes of a picture and the picture of
// its bytes, pixel by pixel from the fixed-point rules.
namespace model {

inline uint8_t Clamp(int64_t v) { return uint8_t(std::clamp<int64_t>(v, 0, 255)); }

inline uint8_t Gray(const Bgr& p) { return uint8_t((467 * p.b + 2404 * p.g + 1225 * p.r) >> 12); }

inline Bgr FromYuv(int y, int u, int v) {
  u -= 128;
  v -= 128;
  const int64_t base = int64_t{y} * 65536;
  return Bgr{Clamp((base + 133169 * u) >> 16), Clamp((base - 25821 * u - 38076 * v) >> 16),
             Clamp((base + 74711 * v) >> 16)};
}

inline int64_t Luma(const Bgr& p) { return 19595 * p.r + 38470 * p.g + 7471 * p.b; }

// YUY2 bytes of one row.
inline std::vector<uint8_t> EncodeYuy2Row(const Bgr* row, int width) {
  std::vector<uint8_t> out;
  int x = 0;
  for (; x + 1 < width; x += 2) {
    const Bgr &a = row[x], &b = row[x + 1];
    const int64_t s0 = Luma(a), s1 = Luma(b), s = s0 + s1;
    const int64_t db = ((int64_t{a.b} + b.b) * 65536 - s + 65535) >> 16;
    const int64_t dr = ((int64_t{a.r} + b.r) * 65536 - s + 65535) >> 16;
    out.push_back(uint8_t(s0 >> 16));
    out.push_back(uint8_t(((db * 32244) >> 17) + 128));
    out.push_back(uint8_t(s1 >> 16));
    out.push_back(Clamp(((dr * 57475) >> 17) + 128));
  }
  if (x < width) {  // the last pixel of an odd row: Y and U only
    const Bgr& a = row[x];
    const int64_t s = Luma(a);
    out.push_back(uint8_t(s >> 16));
    out.push_back(uint8_t((((int64_t{a.b} * 65536 - s + 32767) >> 16) * 32244 >> 16) + 128));
  }
  return out;
}

inline std::vector<Bgr> DecodeYuy2Row(const uint8_t* row, int width) {
  std::vector<Bgr> out;
  int x = 0;
  for (; x + 1 < width; x += 2) {
    const uint8_t* q = row + 2 * x;
    out.push_back(FromYuv(q[0], q[1], q[3]));
    out.push_back(FromYuv(q[2], q[1], q[3]));
  }
  if (x < width) {  // own Y, the U after it, the V of the pair before
    const uint8_t* q = row + 2 * x;
    out.push_back(FromYuv(q[0], q[1], x >= 2 ? q[-1] : q[1]));
  }
  return out;
}

// Meaningful row bytes (as RowBytes gives them) of the picture in a layout.
inline std::vector<uint8_t> Encode(TVLVideoFormat format, const Picture& p, int width, int height) {
  std::vector<uint8_t> out;
  for (int y = 0; y < height; ++y) {
    const Bgr* row = p.data() + static_cast<std::size_t>(y) * width;
    if (format == vfYUY2 || format == vfUYVY) {
      std::vector<uint8_t> r = EncodeYuy2Row(row, width);
      if (format == vfUYVY)
        for (std::size_t i = 0; i + 1 < r.size(); i += 2) std::swap(r[i], r[i + 1]);
      out.insert(out.end(), r.begin(), r.end());
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const Bgr& px = row[x];
      switch (VLLayoutOf(format)) {
        case vfRGB24:
          out.insert(out.end(), {px.b, px.g, px.r});
          break;
        case vfRGBA32:
          out.insert(out.end(), {px.b, px.g, px.r, 255});
          break;
        case vfRGB565: {
          const unsigned w = (px.b >> 3) | ((px.g >> 2) << 5) | ((px.r >> 3) << 11);
          out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8)});
          break;
        }
        case vfRGB555: {
          const unsigned w = (px.b >> 3) | ((px.g >> 3) << 5) | ((px.r >> 3) << 10);
          out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8)});
          break;
        }
        case vfGrayScale:
          out.push_back(Gray(px));
          break;
        default:
          break;
      }
    }
  }
  return out;
}

inline Picture Decode(TVLVideoFormat format, const std::vector<uint8_t>& bytes, int width, int height) {
  Picture out;
  std::size_t offset = 0;
  for (int y = 0; y < height; ++y) {
    if (format == vfYUY2 || format == vfUYVY) {
      std::vector<uint8_t> r(bytes.begin() + offset, bytes.begin() + offset + 2 * width);
      offset += 2 * width;
      if (format == vfUYVY)
        for (std::size_t i = 0; i + 1 < r.size(); i += 2) std::swap(r[i], r[i + 1]);
      const auto row = DecodeYuy2Row(r.data(), width);
      out.insert(out.end(), row.begin(), row.end());
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const uint8_t* q = bytes.data() + offset;
      switch (VLLayoutOf(format)) {
        case vfRGB24:
          out.push_back(Bgr{q[0], q[1], q[2]});
          offset += 3;
          break;
        case vfRGBA32:
          out.push_back(Bgr{q[0], q[1], q[2]});
          offset += 4;
          break;
        case vfRGB565: {
          const unsigned w = q[0] | (q[1] << 8);
          out.push_back(
              Bgr{uint8_t((w & 0x1F) << 3), uint8_t(((w >> 5) & 0x3F) << 2), uint8_t(((w >> 11) & 0x1F) << 3)});
          offset += 2;
          break;
        }
        case vfRGB555: {
          const unsigned w = q[0] | (q[1] << 8);
          out.push_back(
              Bgr{uint8_t((w & 0x1F) << 3), uint8_t(((w >> 5) & 0x1F) << 3), uint8_t(((w >> 10) & 0x1F) << 3)});
          offset += 2;
          break;
        }
        case vfGrayScale:
          out.push_back(Bgr{q[0], q[0], q[0]});
          offset += 1;
          break;
        default:
          break;
      }
    }
  }
  return out;
}

// The bytes of a layout converted into another: unchanged within one
// layout, byte-swapped between the two 4:2:2 orders, otherwise decoded to a
// picture and encoded again.
inline std::vector<uint8_t> Convert(TVLVideoFormat from, TVLVideoFormat to, const std::vector<uint8_t>& bytes,
                                    int width, int height) {
  if (VLLayoutOf(from) == VLLayoutOf(to)) return bytes;
  const bool fromYuv = from == vfYUY2 || from == vfUYVY;
  const bool toYuv = to == vfYUY2 || to == vfUYVY;
  if (fromYuv && toYuv) {
    std::vector<uint8_t> swapped = bytes;
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return swapped;
  }
  return Encode(to, Decode(from, bytes, width, height), width, height);
}

}  // namespace model

}  // namespace lumicar::test
