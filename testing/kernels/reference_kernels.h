#pragma once
// Plain reference loops of the conversion and mirror kernels, written straight from the pixel rules with no
// attempt at speed. The vectorised built-in kernels must reproduce them byte for byte.

#include <cstdint>

namespace lumicar::reference {

// Packed 4:2:2 (Y0 U Y1 V) into red, green, blue.
void Yuy2ToRgb(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height);
// Red, green, blue into packed 4:2:2 (Y0 U Y1 V).
void RgbToYuy2(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height);
// Destination channel k := source channel order[k]; pixel_bytes 3 or 4 (4: the fourth byte is not written).
void SwapChannels(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
                  const int order[3]);
void SwapBytes16(const uint8_t* src, uint8_t* dst, int words);
// (c0 ch0 + c1 ch1 + c2 ch2) >> 12, saturated.
void ColorToGray(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
                 const int c[3]);
// Output pixel (x, y) takes the input pixel the axis maps it to; moved_bytes of each pixel_bytes are copied.
void Mirror(const uint8_t* src, int src_step, uint8_t* dst, int dst_step, int width, int height, int pixel_bytes,
            int moved_bytes, int axis);

}  // namespace lumicar::reference
