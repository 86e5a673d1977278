#include "testing/camera/numbered_jpeg.h"

#include <turbojpeg.h>

#include <cstring>

namespace lumicar::camtest {

namespace {

constexpr uint8_t kBlack = 16, kWhite = 235;
constexpr int kBarWidth = 64;
// Amplitude of the texture in luma steps (chroma: half).
constexpr int kTextureDepth = 12;

// Fine texture, as paper and print show it to an 8 MP sensor: without it the
// frames would be far cheaper to decode than a camera's. A fixed table, read
// at an offset that changes from row to row and frame to frame.
const std::vector<uint8_t>& Texture() {
  static const std::vector<uint8_t> table = [] {
    std::vector<uint8_t> t(8191);
    uint32_t state = 2463534242u;
    for (uint8_t& v : t) {
      state ^= state << 13, state ^= state >> 17, state ^= state << 5;
      v = uint8_t(state % kTextureDepth);
    }
    return t;
  }();
  return table;
}

const uint8_t* TextureRow(int row, int number) {
  const std::vector<uint8_t>& t = Texture();
  return t.data() + size_t((int64_t(row) * 997 + int64_t(number) * 131) % 4000);
}

// One frame's planes: the gradient with its texture, the bar, the strip.
void Draw(uint8_t* y, uint8_t* u, uint8_t* v, int width, int height, int number) {
  const int bar = int((int64_t(number) * 61) % (width - kBarWidth));
  for (int row = 0; row < height; ++row) {
    uint8_t* line = y + size_t(row) * size_t(width);
    const uint8_t* texture = TextureRow(row, number);
    for (int x = 0; x < width; ++x) line[x] = uint8_t(40 + (x + row / 4 + 8 * number) % 160 + texture[x % 4096]);
    std::memset(line + bar, kWhite, kBarWidth);
    // 4:2:2 chroma: half width, every row.
    uint8_t* cu = u + size_t(row) * size_t(width / 2);
    uint8_t* cv = v + size_t(row) * size_t(width / 2);
    for (int x = 0; x < width / 2; ++x) {
      cu[x] = uint8_t(118 + texture[(x + 7) % 4096] / 2);
      cv[x] = uint8_t(118 + texture[(x + 1001) % 4096] / 2);
    }
  }
  for (int block = 0; block < kNumberBits + 2; ++block) {
    const bool white = block < kNumberBits ? ((number >> block) & 1) != 0 : block == kNumberBits;
    for (int row = 0; row < kNumberBlock; ++row)
      std::memset(y + size_t(row) * size_t(width) + size_t(block) * kNumberBlock, white ? kWhite : kBlack,
                  kNumberBlock);
  }
}

}  // namespace

std::vector<std::vector<uint8_t>> MakeNumberedJpegs(int width, int height, int count, int first) {
  std::vector<std::vector<uint8_t>> frames;
  if (width < kNumberStripWidth || width < 2 * kBarWidth || height < kNumberBlock || (width & 1) || count <= 0)
    return frames;
  // 4:2:2: chroma planes at half width, full height.
  const size_t luma = size_t(width) * size_t(height), chroma = luma / 2;
  std::vector<uint8_t> planes(luma + 2 * chroma);
  const unsigned char* sources[3] = {planes.data(), planes.data() + luma, planes.data() + luma + chroma};
  const int strides[3] = {width, width / 2, width / 2};
  tjhandle handle = tjInitCompress();
  if (!handle) return frames;
  for (int i = 0; i < count; ++i) {
    Draw(planes.data(), planes.data() + luma, planes.data() + luma + chroma, width, height, first + i);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompressFromYUVPlanes(handle, sources, width, strides, height, TJSAMP_422, &out, &size, 85, 0) != 0) {
      tjFree(out);
      frames.clear();
      break;
    }
    frames.emplace_back(out, out + size);
    tjFree(out);
  }
  tjDestroy(handle);
  return frames;
}

int ReadFrameNumber(const uint8_t* yuy2, size_t bytes, int width, int height, int stride) {
  if (!yuy2 || width < kNumberStripWidth || height < kNumberBlock || stride < 2 * width ||
      bytes < size_t(stride) * kNumberBlock)
    return -1;
  // The luma at the middle of each block.
  auto white = [&](int block) {
    const size_t at = size_t(kNumberBlock / 2) * size_t(stride) + size_t(block * kNumberBlock + kNumberBlock / 2) * 2;
    return yuy2[at] >= 128;
  };
  if (!white(kNumberBits) || white(kNumberBits + 1)) return -1;
  int number = 0;
  for (int bit = 0; bit < kNumberBits; ++bit)
    if (white(bit)) number |= 1 << bit;
  return number;
}

}  // namespace lumicar::camtest
