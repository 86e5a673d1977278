#include "dsbase/filters/frame_conversion.h"

#include <cstring>

#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info_view.h"
#include "kernels/channel_copy.h"
#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "kernels/fused_bgr24_to_yuv422.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/packing16.h"

namespace lumicar {

namespace {

constexpr int kSwapRedBlue[3] = {2, 1, 0};
constexpr Ipp32f kGrayWeights[3] = {0.114f, 0.587f, 0.299f};
// Larger frames are refused: 16384 x 16384 is far above any camera.
constexpr int kMaxSide = 16384;

Ipp16u* Words(uint8_t* p) { return reinterpret_cast<Ipp16u*>(p); }
const Ipp16u* Words(const uint8_t* p) { return reinterpret_cast<const Ipp16u*>(p); }

bool Yuy2ToBgrBuiltin() {
  return IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R) &&
         IsBuiltin(ippiSwapChannels_8u_C3IR, &builtin::ippiSwapChannels_8u_C3IR);
}
// The one-pass 4:2:2 -> RGBA32 kernels give the bytes of the bound chain only when it is all built in.
bool Yuy2ToBgraFused(TVLVideoFormat from) {
  return Yuy2ToBgrBuiltin() && IsBuiltin(ippiCopy_8u_C3AC4R, &builtin::ippiCopy_8u_C3AC4R) &&
         (from == vfYUY2 || IsBuiltin(ippsSwapBytes_16u, &builtin::ippsSwapBytes_16u));
}
bool BgrToYuy2Builtin() {
  return IsBuiltin(ippiSwapChannels_8u_C3R, &builtin::ippiSwapChannels_8u_C3R) &&
         IsBuiltin(ippiRGBToYUV422_8u_C3C2R, &builtin::ippiRGBToYUV422_8u_C3C2R);
}

// One row of `from` into blue, green, red.
void RowToBgr(const TDSFrameFormat& from, const uint8_t* src, uint8_t* bgr, std::vector<uint8_t>& scratch) {
  const int w = from.width;
  const IppiSize row{w, 1};
  switch (from.format) {
    case vfRGB24:
    case vfRGB:
      std::memcpy(bgr, src, size_t(3) * w);
      break;
    case vfRGBA32:
      ippiCopy_8u_AC4C3R(src, 4 * w, bgr, 3 * w, row);
      break;
    case vfRGB565:
      builtin::ippiRGB565ToRGB_8u_C3R(src, 2 * w, bgr, 3 * w, row);
      break;
    case vfRGB555:
      builtin::ippiRGB555ToRGB_8u_C3R(src, 2 * w, bgr, 3 * w, row);
      break;
    case vfUYVY:
      if (Yuy2ToBgrBuiltin() && IsBuiltin(ippsSwapBytes_16u, &builtin::ippsSwapBytes_16u)) {
        builtin::fused_uyvy_to_bgr24(src, 2 * w, bgr, 3 * w, row);
        break;
      }
      ippsSwapBytes_16u(Words(src), Words(scratch.data()), w);
      src = scratch.data();
      [[fallthrough]];
    case vfYUY2:
      if (Yuy2ToBgrBuiltin()) {
        builtin::fused_yuy2_to_bgr24(src, 2 * w, bgr, 3 * w, row);
      } else {
        ippiYUV422ToRGB_8u_C2C3R(src, 2 * w, bgr, 3 * w, row);
        ippiSwapChannels_8u_C3IR(bgr, 3 * w, row, kSwapRedBlue);
      }
      break;
    case vfGrayScale:
      for (int x = 0; x < w; ++x) {
        const uint8_t v = src[x];
        if (from.palette) {
          std::memcpy(bgr + 3 * x, from.palette + 4 * v, 3);
        } else {
          bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
        }
      }
      break;
  }
}

// Blue, green, red into one row of `to`.
void RowFromBgr(const TDSFrameFormat& to, const uint8_t* bgr, uint8_t* dst, std::vector<uint8_t>& scratch) {
  const int w = to.width;
  const IppiSize row{w, 1};
  switch (to.format) {
    case vfRGB24:
    case vfRGB:
      std::memcpy(dst, bgr, size_t(3) * w);
      break;
    case vfRGBA32:
      builtin::CopyC3ToOpaqueC4(bgr, 3 * w, dst, 4 * w, row);
      break;
    case vfRGB565:
      builtin::ippiRGB_8u_C3RToRGB565(bgr, 3 * w, dst, 2 * w, row);
      break;
    case vfRGB555:
      builtin::ippiRGB_8u_C3RToRGB555(bgr, 3 * w, dst, 2 * w, row);
      break;
    case vfYUY2:
    case vfUYVY:
      if (BgrToYuy2Builtin()) {
        builtin::fused_bgr24_to_yuy2(bgr, 3 * w, dst, 2 * w, row);
      } else {
        ippiSwapChannels_8u_C3R(bgr, 3 * w, scratch.data(), 3 * w, row, kSwapRedBlue);
        ippiRGBToYUV422_8u_C3C2R(scratch.data(), 3 * w, dst, 2 * w, row);
      }
      if (to.format == vfUYVY) ippsSwapBytes_16u_I(Words(dst), w);
      break;
    case vfGrayScale:
      ippiColorToGray_8u_C3C1R(bgr, 3 * w, dst, w, row, kGrayWeights);
      break;
  }
}

}  // namespace

bool DSDescribeFrame(const AM_MEDIA_TYPE& mt, TDSFrameFormat* frame) {
  if (!(mt.majortype == MEDIATYPE_Video)) return false;
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(mt);
  const TVLPixelFormatInfo* info = VLPixelFormatOfSubtype(mt.subtype);
  if (!bmi || !info) return false;
  TDSFrameFormat f;
  f.format = info->layout;
  if (bmi->biBitCount != info->bitsPerPixel || bmi->biWidth <= 0 || bmi->biHeight == 0) return false;
  if (bmi->biWidth > kMaxSide || bmi->biHeight > kMaxSide || bmi->biHeight < -kMaxSide) return false;
  if (info->packed422 && (bmi->biWidth & 1)) return false;  // 4:2:2 pairs pixels
  f.width = bmi->biWidth;
  f.height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
  f.bottomUp = info->bottomUpByDefault && bmi->biHeight > 0;
  f.stride = int(VLSampleStride(f.format, f.width));
  if (f.format == vfGrayScale) f.palette = TDSVideoInfoView(mt).TailOf(1024);
  *frame = f;
  return true;
}

void TDSFrameConverter::Convert(const uint8_t* src, const TDSFrameFormat& from, uint8_t* dst,
                                const TDSFrameFormat& to) {
  const int w = from.width, h = from.height;
  bgr_.resize(size_t(3) * w);
  scratch_.resize(size_t(3) * w);
  const TVLVideoFormat a = VLLayoutOf(from.format), b = VLLayoutOf(to.format);
  for (int y = 0; y < h; ++y) {
    // y counts rows of the picture from its top.
    const uint8_t* s = src + ptrdiff_t(from.bottomUp ? h - 1 - y : y) * from.stride;
    uint8_t* d = dst + ptrdiff_t(to.bottomUp ? h - 1 - y : y) * to.stride;
    const IppiSize row{w, 1};
    if (a == b && !(a == vfGrayScale && from.palette)) {
      std::memcpy(d, s, size_t(VLBytesPerPixel(a)) * w);
    } else if ((a == vfYUY2 && b == vfUYVY) || (a == vfUYVY && b == vfYUY2)) {
      ippsSwapBytes_16u(Words(s), Words(d), w);
    } else if (a == vfRGB565 && b == vfRGB555) {
      builtin::ippiRGB565ToRGB555(s, 2 * w, d, 2 * w, row);
    } else if (a == vfRGB555 && b == vfRGB565) {
      builtin::ippiRGB555ToRGB565(s, 2 * w, d, 2 * w, row);
    } else if (b == vfRGBA32 && (a == vfYUY2 || a == vfUYVY) && Yuy2ToBgraFused(a)) {
      (a == vfYUY2 ? builtin::fused_yuy2_to_bgra32 : builtin::fused_uyvy_to_bgra32)(s, 2 * w, d, 4 * w, row);
    } else if (b == vfRGB24) {
      RowToBgr(from, s, d, scratch_);
    } else if (a == vfRGB24) {
      RowFromBgr(to, s, d, scratch_);
    } else {
      RowToBgr(from, s, bgr_.data(), scratch_);
      RowFromBgr(to, bgr_.data(), d, scratch_);
    }
  }
}

}  // namespace lumicar
