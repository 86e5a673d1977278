#include "dsbase/camera/mjpeg_decoder.h"

#include <turbojpeg.h>

#include "dsbase/camera/yuv_repack.h"

namespace lumicar {

TDSMjpegDecoder::TDSMjpegDecoder() : handle_(tjInitDecompress()) {}

TDSMjpegDecoder::~TDSMjpegDecoder() {
  if (handle_) tjDestroy(handle_);
}

bool TDSMjpegDecoder::Fail(const char* why) {
  error_ = why;
  // After an error deep in a frame the library's state is not trusted (the
  // next good frame was seen to fail with it): start afresh.
  if (handle_) tjDestroy(handle_);
  handle_ = tjInitDecompress();
  return false;
}

bool TDSMjpegDecoder::ReadHeader(const uint8_t* jpeg, size_t size, int width, int height, int* subsampling) {
  if (!handle_) {
    error_ = "no JPEG decoder";
    return false;
  }
  // A JPEG has at least its start and end markers.
  if (!jpeg || size < 4 || size > 0x7FFFFFFF || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
    error_ = "not a JPEG frame";
    return false;
  }
  int w = 0, h = 0, colourspace = 0;
  if (tjDecompressHeader3(handle_, jpeg, static_cast<unsigned long>(size), &w, &h, subsampling, &colourspace) != 0)
    return Fail(tjGetErrorStr2(handle_));
  if (w != width || h != height) {
    error_ = "JPEG frame of another size";
    return false;
  }
  return true;
}

bool TDSMjpegDecoder::DecodeToYuy2(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* dst,
                                   int dstStride) {
  int sub = 0;
  if (!ReadHeader(jpeg, size, width, height, &sub)) return false;
  if (sub != TJSAMP_422 && sub != TJSAMP_420 && sub != TJSAMP_444 && sub != TJSAMP_GRAY) {
    error_ = "JPEG chroma subsampling not supported";
    return false;
  }
  int strides[3] = {0, 0, 0};
  unsigned char* planes[3] = {nullptr, nullptr, nullptr};
  size_t total = 0, offsets[3] = {0, 0, 0};
  const int count = sub == TJSAMP_GRAY ? 1 : 3;
  for (int i = 0; i < count; ++i) {
    strides[i] = tjPlaneWidth(i, width, sub);
    const int rows = tjPlaneHeight(i, height, sub);
    if (strides[i] <= 0 || rows <= 0) {
      error_ = "JPEG plane size";
      return false;
    }
    offsets[i] = total;
    total += size_t(strides[i]) * size_t(rows);
  }
  if (planes_.size() < total) planes_.resize(total);
  for (int i = 0; i < count; ++i) planes[i] = planes_.data() + offsets[i];
  // Warnings (a truncated frame) fail the decode too: such a frame is dropped.
  if (tjDecompressToYUVPlanes(handle_, jpeg, static_cast<unsigned long>(size), planes, width, strides, height,
                              TJFLAG_STOPONWARNING) != 0)
    return Fail(tjGetErrorStr2(handle_));
  switch (sub) {
    case TJSAMP_422:
      DSPlanarToYuy2(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], 0, width, height, dst,
                     dstStride);
      break;
    case TJSAMP_420:
      DSPlanarToYuy2(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], 1, width, height, dst,
                     dstStride);
      break;
    case TJSAMP_444:
      DSPlanar444ToYuy2(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], width, height, dst,
                        dstStride);
      break;
    default:
      DSGreyToYuy2(planes[0], strides[0], width, height, dst, dstStride);
      break;
  }
  return true;
}

bool TDSMjpegDecoder::DecodeToBgr(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* dst, int dstStride,
                                  bool bottomUp) {
  int sub = 0;
  if (!ReadHeader(jpeg, size, width, height, &sub)) return false;
  const int flags = TJFLAG_STOPONWARNING | (bottomUp ? TJFLAG_BOTTOMUP : 0);
  if (tjDecompress2(handle_, jpeg, static_cast<unsigned long>(size), dst, width, dstStride, height, TJPF_BGR, flags) !=
      0)
    return Fail(tjGetErrorStr2(handle_));
  return true;
}

}  // namespace lumicar
