#pragma once
// Numbered camera frames for the tests and benchmarks that check order: JPEGs
// made once (a few at a time, as a camera would repeat them) whose picture
// moves from frame to frame and carries the frame's number in a strip of
// black and white blocks at the top left, read back from the decoded frame.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumicar::camtest {

// Blocks of the number strip: 16 bits of the number, lowest first, then a
// white and a black block that tell a readable strip from any other picture.
inline constexpr int kNumberBlock = 32;
inline constexpr int kNumberBits = 16;
inline constexpr int kNumberStripWidth = (kNumberBits + 2) * kNumberBlock;

// `count` 4:2:2 JPEG frames (as cameras send them) of `width` × `height`,
// numbered `first`, `first` + 1, …: a bright bar moves over a gradient that
// shifts with the number. Empty when the picture cannot hold the strip
// (narrower than kNumberStripWidth, lower than a block, odd width).
std::vector<std::vector<uint8_t>> MakeNumberedJpegs(int width, int height, int count, int first = 0);

// The number a decoded YUY2 frame of `bytes` bytes (`stride` bytes a row)
// carries, or -1 when it shows no readable strip.
int ReadFrameNumber(const uint8_t* yuy2, size_t bytes, int width, int height, int stride);

}  // namespace lumicar::camtest
