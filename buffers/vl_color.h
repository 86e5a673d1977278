#pragma once
// A colour as the image buffer takes and returns it: a 32-bit value laid out
// as 0x00BBGGRR (red in the low byte), distinct from plain 32-bit values so
// that the colour and value overloads of the frame operations stay apart.

#include <cstdint>

namespace lumicar {

enum class TVLColor : uint32_t {};

constexpr TVLColor VLRGB(uint8_t red, uint8_t green, uint8_t blue) {
  return TVLColor(uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16));
}
constexpr uint32_t VLColorValue(TVLColor color) { return static_cast<uint32_t>(color); }
constexpr uint8_t VLRed(TVLColor color) { return uint8_t(VLColorValue(color)); }
constexpr uint8_t VLGreen(TVLColor color) { return uint8_t(VLColorValue(color) >> 8); }
constexpr uint8_t VLBlue(TVLColor color) { return uint8_t(VLColorValue(color) >> 16); }

// 0.299 red + 0.587 green + 0.114 blue, rounded to the nearest integer with
// ties to even; computed in thousandths so that ties are exact.
constexpr uint8_t VLLuminance(uint8_t red, uint8_t green, uint8_t blue) {
  const uint32_t sum = 299u * red + 587u * green + 114u * blue;  // at most 255000
  uint32_t q = sum / 1000;
  const uint32_t r = sum % 1000;
  if (r > 500 || (r == 500 && (q & 1) != 0)) ++q;
  return uint8_t(q);
}

}  // namespace lumicar
