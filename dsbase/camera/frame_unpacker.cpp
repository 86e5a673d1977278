#include "dsbase/camera/frame_unpacker.h"

#include <cstring>

#include "dsbase/camera/yuv_repack.h"
#include "dsbase/media/media_guids.h"

namespace lumicar {

namespace {

// Bytes per pixel of the packed layouts as the driver lays them out; 0 for
// the compressed and planar ones.
int PackedBytes(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_RGB565:
    case V4L2_PIX_FMT_RGB555:
      return 2;
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_RGB24:
      return 3;
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      return 4;
    case V4L2_PIX_FMT_GREY:
      return 1;
    default:
      return 0;
  }
}

bool IsJpeg(uint32_t fourcc) { return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG; }

}  // namespace

TVLVideoFormat DSLayoutOfFourcc(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
      return vfYUY2;
    case V4L2_PIX_FMT_UYVY:
      return vfUYVY;
    case V4L2_PIX_FMT_RGB565:
      return vfRGB565;
    case V4L2_PIX_FMT_RGB555:
      return vfRGB555;
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      return vfRGBA32;
    case V4L2_PIX_FMT_GREY:
      return vfGrayScale;
    default:
      return vfRGB24;
  }
}

bool TDSFrameUnpacker::Prepare(const v4l2_pix_format& in, const AM_MEDIA_TYPE& out) {
  if (!DSDescribeFrame(out, &out_)) {
    error_ = "output type not a frame";
    return false;
  }
  if (in.width != uint32_t(out_.width) || in.height != uint32_t(out_.height)) {
    error_ = "driver size differs from the output";
    return false;
  }
  fourcc_ = in.pixelformat;
  width_ = out_.width;
  height_ = out_.height;
  const uint64_t w = uint64_t(width_), h = uint64_t(height_);
  const int bpp = PackedBytes(fourcc_);
  if (bpp) {
    lineBytes_ = in.bytesperline ? in.bytesperline : size_t(w * uint64_t(bpp));
    if (lineBytes_ < w * uint64_t(bpp) || lineBytes_ > (1u << 20)) {
      error_ = "driver line length implausible";
      return false;
    }
    needed_ = size_t(uint64_t(lineBytes_) * (h - 1) + w * uint64_t(bpp));
    in_ = TDSFrameFormat{DSLayoutOfFourcc(fourcc_), width_, height_, false, int(lineBytes_), nullptr};
    if (fourcc_ != V4L2_PIX_FMT_RGB24 && DSLayoutOfFourcc(fourcc_) != out_.format) {
      error_ = "native layout differs from the output";
      return false;
    }
  } else if (fourcc_ == V4L2_PIX_FMT_NV12 || fourcc_ == V4L2_PIX_FMT_YUV420) {
    lineBytes_ = in.bytesperline ? in.bytesperline : size_t(w);
    if (lineBytes_ < w || lineBytes_ > (1u << 20) || (w & 1) || (h & 1)) {
      error_ = "driver planar layout implausible";
      return false;
    }
    // Luma plane, then NV12's interleaved chroma or YU12's two half-width planes.
    needed_ = size_t(uint64_t(lineBytes_) * h + uint64_t(lineBytes_) * (h / 2));
  } else if (IsJpeg(fourcc_)) {
    needed_ = 4;
  } else {
    error_ = "pixel format not supported";
    return false;
  }
  if (!(out_.format == vfYUY2 || DSLayoutOfFourcc(fourcc_) == out_.format ||
        (IsJpeg(fourcc_) && out_.format == vfRGB24))) {
    error_ = "no conversion to the output";
    return false;
  }
  if ((fourcc_ == V4L2_PIX_FMT_NV12 || fourcc_ == V4L2_PIX_FMT_YUV420 || IsJpeg(fourcc_)) &&
      !(out_.format == vfYUY2 || (IsJpeg(fourcc_) && out_.format == vfRGB24))) {
    error_ = "no conversion to the output";
    return false;
  }
  return true;
}

TDSUnpackResult TDSFrameUnpacker::Unpack(const uint8_t* src, size_t used, uint8_t* dst, size_t dstSize) {
  if (!src || !dst || dstSize < OutputBytes()) {
    error_ = "sample buffer too small";
    return TDSUnpackResult::shortBuffer;
  }
  if (used < needed_) {
    error_ = "driver buffer shorter than a frame";
    return TDSUnpackResult::shortBuffer;
  }
  if (IsJpeg(fourcc_)) {
    const bool ok = out_.format == vfYUY2
                        ? jpeg_.DecodeToYuy2(src, used, width_, height_, dst, out_.stride)
                        : jpeg_.DecodeToBgr(src, used, width_, height_, dst, out_.stride, out_.bottomUp);
    if (!ok) error_ = jpeg_.LastError();
    return ok ? TDSUnpackResult::ok : TDSUnpackResult::corrupt;
  }
  const int ls = int(lineBytes_);
  switch (fourcc_) {
    case V4L2_PIX_FMT_NV12:
      DSNv12ToYuy2(src, ls, src + ptrdiff_t(ls) * height_, ls, width_, height_, dst, out_.stride);
      return TDSUnpackResult::ok;
    case V4L2_PIX_FMT_YUV420: {
      const uint8_t* u = src + ptrdiff_t(ls) * height_;
      const uint8_t* v = u + ptrdiff_t(ls / 2) * (height_ / 2);
      DSPlanarToYuy2(src, ls, u, ls / 2, v, ls / 2, 1, width_, height_, dst, out_.stride);
      return TDSUnpackResult::ok;
    }
    case V4L2_PIX_FMT_RGB24:
      // Red first in memory: swapped to the bitmap's blue-first order while
      // turning the picture bottom-up.
      for (int r = 0; r < height_; ++r) {
        const uint8_t* s = src + ptrdiff_t(r) * ls;
        uint8_t* d = dst + ptrdiff_t(out_.bottomUp ? height_ - 1 - r : r) * out_.stride;
        for (int i = 0; i < width_; ++i) {
          d[3 * i] = s[3 * i + 2];
          d[3 * i + 1] = s[3 * i + 1];
          d[3 * i + 2] = s[3 * i];
        }
      }
      return TDSUnpackResult::ok;
    default:
      converter_.Convert(src, in_, dst, out_);
      return TDSUnpackResult::ok;
  }
}

}  // namespace lumicar
