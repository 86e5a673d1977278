#pragma once
// Turns one driver buffer into the bytes of one output sample: native layouts
// are copied (RGB turned bottom-up), MJPEG decoded, NV12/YU12 repacked. The
// driver's format is checked against the output once, before any buffer
// arithmetic; each frame is checked against what it must hold.

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>

#include "dsbase/camera/mjpeg_decoder.h"
#include "dsbase/filters/frame_conversion.h"

namespace lumicar {

enum class TDSUnpackResult { ok, shortBuffer, corrupt };

// The frame layout a camera's uncompressed pixel format has in memory; RGB24
// for the formats that are decoded or repacked into it.
TVLVideoFormat DSLayoutOfFourcc(uint32_t fourcc);

class TDSFrameUnpacker {
 public:
  // False (with a reason) when the driver's format cannot fill the output.
  bool Prepare(const v4l2_pix_format& in, const AM_MEDIA_TYPE& out);
  // `used` bytes at `src`; `dst` holds `dstSize` bytes.
  TDSUnpackResult Unpack(const uint8_t* src, size_t used, uint8_t* dst, size_t dstSize);
  size_t OutputBytes() const { return size_t(DSFrameBytes(out_)); }
  const char* LastError() const { return error_; }

 private:
  uint32_t fourcc_ = 0;
  int width_ = 0, height_ = 0;
  size_t lineBytes_ = 0;  // the driver's bytes per line (luma for the planar layouts)
  size_t needed_ = 0;     // bytes an uncompressed frame must hold
  TDSFrameFormat in_, out_;
  TDSFrameConverter converter_;
  TDSMjpegDecoder jpeg_;
  const char* error_ = "";
};

}  // namespace lumicar
