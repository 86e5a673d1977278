#include "testing/camera/numbered_jpeg.h"

#include <turbojpeg.h>

#include <cstring>

namespace lumicar::camtest {

namespace {

constexpr uint8_t kBlack = 16, kWhite = 235;
constexpr int kBarWidth = 64;

// One frame's luma: the gradient, the bar, the strip.
void DrawLuma(uint8_t* y, int width, int height, int number) {
  const int bar = int((int64_t(number) * 61) % (width - kBarWidth));
  for (int row = 0; row < height; ++row) {
    uint8_t* line = y + size_t(row) * size_t(width);
    for (int x = 0; x < width; ++x) line[x] = uint8_t(40 + (x + row / 4 + 8 * number) % 160);
    std::memset(line + bar, kWhite, kBarWidth);
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
  // 4:2:2: chroma planes at half width, full height; grey chroma.
  const size_t luma = size_t(width) * size_t(height), chroma = luma / 2;
  std::vector<uint8_t> planes(luma + 2 * chroma, 128);
  const unsigned char* sources[3] = {planes.data(), planes.data() + luma, planes.data() + luma + chroma};
  const int strides[3] = {width, width / 2, width / 2};
  tjhandle handle = tjInitCompress();
  if (!handle) return frames;
  for (int i = 0; i < count; ++i) {
    DrawLuma(planes.data(), width, height, first + i);
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
