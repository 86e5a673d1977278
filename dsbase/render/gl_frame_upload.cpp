#include "dsbase/render/gl_frame_upload.h"

#include "dsbase/render/video_frame_exchange.h"

namespace lumicar {

bool DSGLFrameUploadOf(const TDSVideoFrame& frame, TDSGLFrameUpload* upload) {
  if (!upload) return false;
  const TDSFrameFormat& f = frame.format;
  TDSGLFrameUpload u;
  int texelBytes = 0;
  switch (VLLayoutOf(f.format)) {
    case vfRGB24:
      u.layout = kGLLayoutBgr24;
      u.texel = TDSGLTexel::kRGB8;
      texelBytes = 3;
      break;
    case vfRGBA32:
      u.layout = kGLLayoutBgrx32;
      u.texel = TDSGLTexel::kRGBA8;
      texelBytes = 4;
      break;
    case vfRGB565:
    case vfRGB555:
      u.layout = VLLayoutOf(f.format) == vfRGB565 ? kGLLayoutRgb565 : kGLLayoutRgb555;
      u.texel = TDSGLTexel::kRG8;
      texelBytes = 2;
      break;
    case vfYUY2:
    case vfUYVY:
      u.layout = VLLayoutOf(f.format) == vfYUY2 ? kGLLayoutYuy2 : kGLLayoutUyvy;
      u.texel = TDSGLTexel::kRG8;
      texelBytes = 2;
      break;
    default:
      return false;
  }
  if (f.width < 1 || f.height < 1) return false;
  // OpenGL pads each row to the alignment: the frame's rows must be padded
  // exactly so (bitmap rows are, to 4 bytes).
  const int64_t row = int64_t(f.width) * texelBytes;
  if (f.stride != (row + 3) / 4 * 4) return false;
  if (!frame.pixels || frame.size < int64_t(f.stride) * f.height) return false;
  u.width = f.width;
  u.height = f.height;
  u.rowAlignment = 4;
  u.bottomUp = f.bottomUp;
  u.pixels = frame.pixels;
  *upload = u;
  return true;
}

}  // namespace lumicar
