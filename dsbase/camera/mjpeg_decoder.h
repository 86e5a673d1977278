#pragma once
// Decodes camera MJPEG frames with TurboJPEG: to YUY2 through the JPEG's own
// planar YUV and our packing kernels, or to BGR rows for RGB output. A frame
// that is corrupt, truncated or of another size than expected is refused,
// and nothing is written past the destination.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumicar {

class TDSMjpegDecoder {
 public:
  TDSMjpegDecoder();
  ~TDSMjpegDecoder();
  TDSMjpegDecoder(const TDSMjpegDecoder&) = delete;
  TDSMjpegDecoder& operator=(const TDSMjpegDecoder&) = delete;

  // `dst` holds `height` rows of `dstStride` bytes (at least 2 × width).
  bool DecodeToYuy2(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* dst, int dstStride);
  // 24-bit blue-green-red rows, bottom row first when `bottomUp`.
  bool DecodeToBgr(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* dst, int dstStride, bool bottomUp);
  // Why the last decode failed, for the log.
  const char* LastError() const { return error_.c_str(); }

 private:
  bool Fail(const char* why);
  bool ReadHeader(const uint8_t* jpeg, size_t size, int width, int height, int* subsampling);

  void* handle_;  // tjhandle
  std::vector<uint8_t> planes_;
  std::string error_;
};

}  // namespace lumicar
