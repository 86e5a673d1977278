#pragma once
// Our kernels that turn the planar and semi-planar YUV layouts cameras and
// the JPEG decoder produce into packed YUY2 (Y0 U Y1 V). Callers have
// checked every plane against its size; widths are even.

#include <cstdint>

namespace lumicar {

// Planar 4:2:2 or 4:2:0 (chromaRowShift 0 or 1): chroma planes of width/2.
void DSPlanarToYuy2(const uint8_t* y, int yStride, const uint8_t* u, int uStride, const uint8_t* v, int vStride,
                    int chromaRowShift, int width, int height, uint8_t* dst, int dstStride);
// Planar 4:4:4: every second chroma sample is taken.
void DSPlanar444ToYuy2(const uint8_t* y, int yStride, const uint8_t* u, int uStride, const uint8_t* v, int vStride,
                       int width, int height, uint8_t* dst, int dstStride);
// Semi-planar 4:2:0 (NV12: one plane of interleaved U, V at half height).
void DSNv12ToYuy2(const uint8_t* y, int yStride, const uint8_t* uv, int uvStride, int width, int height, uint8_t* dst,
                  int dstStride);
// Luma only (grey JPEG): chroma is neutral.
void DSGreyToYuy2(const uint8_t* y, int yStride, int width, int height, uint8_t* dst, int dstStride);

}  // namespace lumicar
