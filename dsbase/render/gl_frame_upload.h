#pragma once
// How a frame goes into an OpenGL texture as it is: the texel that holds one
// pixel's bytes (unsigned integers, unfiltered), the row alignment that
// matches the frame's row padding, and the layout number by which the
// conversion shader reads the texel. Kept free of OpenGL so that the
// preparation can be measured and tested where no context exists.

#include <cstdint>

namespace lumicar {

struct TDSVideoFrame;

// Unsigned 8-bit channels per texel: two (16-bit and 4:2:2 pixels), three
// (RGB24), four (RGB32).
enum class TDSGLTexel { kRG8, kRGB8, kRGBA8 };

// The layout numbers of the conversion shader.
enum TDSGLFrameLayout : int {
  kGLLayoutBgr24 = 0,
  kGLLayoutBgrx32 = 1,
  kGLLayoutRgb565 = 2,
  kGLLayoutRgb555 = 3,
  kGLLayoutYuy2 = 4,
  kGLLayoutUyvy = 5,
};

struct TDSGLFrameUpload {
  int layout = kGLLayoutBgr24;
  TDSGLTexel texel = TDSGLTexel::kRGB8;
  int width = 0;  // in pixels (texels)
  int height = 0;
  int rowAlignment = 4;
  bool bottomUp = false;  // the first row in memory is the picture's last
  const uint8_t* pixels = nullptr;
};

// False for a frame this path does not draw (8-bit grey, or rows not padded
// the way the alignment can express).
bool DSGLFrameUploadOf(const TDSVideoFrame& frame, TDSGLFrameUpload* upload);

}  // namespace lumicar
