#pragma once
// The format blocks of video types: the bitmap header and the two video
// information headers, laid out as they travel in a media type's block.

#include <cstdint>

#include "dsbase/com/reference_clock.h"

namespace lumicar {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;

struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct BITMAPINFOHEADER {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // negative: rows run top-down
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  uint32_t dwBitRate = 0;
  uint32_t dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

struct VIDEOINFOHEADER2 {
  RECT rcSource;
  RECT rcTarget;
  uint32_t dwBitRate = 0;
  uint32_t dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  uint32_t dwInterlaceFlags = 0;
  uint32_t dwCopyProtectFlags = 0;
  uint32_t dwPictAspectRatioX = 0;
  uint32_t dwPictAspectRatioY = 0;
  uint32_t dwControlFlags = 0;
  uint32_t dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112);

// Bytes of an uncompressed frame: rows padded to 4 bytes, as a bitmap lays
// them out; 0 for a negative size or one that overflows 32 bits.
uint32_t DSBitmapImageSize(int32_t width, int32_t height, int bitCount);

}  // namespace lumicar
