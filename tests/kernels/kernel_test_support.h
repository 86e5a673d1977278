#pragma once
// Test frames with padded rows, random pixels, and a loop that runs a check once per instruction set the
// kernels were compiled for (the processor's own and every lesser one, down to the plain fallback).

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

// clang-format off
#include <hwy/targets.h>
// clang-format on

namespace lumicar::test {

// A frame whose rows are `step` bytes apart; bytes past width * pixel_bytes in each row are padding.
struct Frame {
  int width = 0;
  int height = 0;
  int pixel_bytes = 0;
  int step = 0;
  std::vector<uint8_t> bytes;

  Frame(int w, int h, int bpp, int pad = 0)
      : width(w), height(h), pixel_bytes(bpp), step(w * bpp + pad), bytes(static_cast<size_t>(step) * h, 0xA5) {}
  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
  uint8_t* pixel(int x, int y) { return bytes.data() + static_cast<size_t>(step) * y + pixel_bytes * x; }
};

inline void FillRandom(Frame& f, uint32_t seed) {
  std::mt19937 rng(seed);
  for (auto& b : f.bytes) b = static_cast<uint8_t>(rng());
}

// Runs `check` once per compiled instruction set, forcing the kernels' run-time dispatch onto it.
template <class F>
void ForEachTarget(F check) {
  for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    SCOPED_TRACE(hwy::TargetName(target));
    check();
  }
  hwy::SetSupportedTargetsForTest(0);
}

// Widths that exercise empty, partial and several vector steps plus odd tails.
inline const std::vector<int> kTestWidths = {1, 2, 3, 7, 641, 1598};

}  // namespace lumicar::test
