#include "buffers/image_conversion.h"

#include <algorithm>
#include <cstring>

#include "buffers/image_pool_block.h"
#include "kernels/channel_copy.h"
#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "kernels/fused_bgr24_to_yuv422.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/memory_ops.h"
#include "kernels/packing16.h"
#include "kernels/rgb_yuv422.h"
#include "kernels/swap_channels.h"
#include "kernels/yuv422_rgb.h"

namespace lumicar {

namespace {

// Frames store blue, green, red; the YUV kernels read and write red, green,
// blue. Exchanging the first and third byte turns one into the other.
constexpr int kSwapRedBlue[3] = {2, 1, 0};
// Weights of the stored channels blue, green, red.
constexpr Ipp32f kGrayWeights[3] = {0.114f, 0.587f, 0.299f};

Ipp16u* Words(uint8_t* p) { return reinterpret_cast<Ipp16u*>(p); }
const Ipp16u* Words(const uint8_t* p) { return reinterpret_cast<const Ipp16u*>(p); }

// A fused kernel may stand in for a chain only while every entry of the
// chain runs its built-in kernel: only then are the bytes guaranteed equal.
bool Yuy2ToBgrIsBuiltin() {
  return IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R) &&
         IsBuiltin(ippiSwapChannels_8u_C3IR, &builtin::ippiSwapChannels_8u_C3IR);
}
bool UyvyToBgrIsBuiltin() { return Yuy2ToBgrIsBuiltin() && IsBuiltin(ippsSwapBytes_16u, &builtin::ippsSwapBytes_16u); }
bool BgrToYuy2IsBuiltin() {
  return IsBuiltin(ippiSwapChannels_8u_C3R, &builtin::ippiSwapChannels_8u_C3R) &&
         IsBuiltin(ippiRGBToYUV422_8u_C3C2R, &builtin::ippiRGBToYUV422_8u_C3C2R);
}
bool BgrToUyvyIsBuiltin() {
  return BgrToYuy2IsBuiltin() && IsBuiltin(ippsSwapBytes_16u_I, &builtin::ippsSwapBytes_16u_I);
}

// An RGB24-sized temporary image of the pool, rows at the RGB24 step.
struct TBgrTemporary {
  TBgrTemporary(int width, int height)
      : Step(static_cast<int>(VLRowStep(vfRGB24, width))), Block(static_cast<std::size_t>(Step) * height) {}
  int Step;
  TVLPoolBlock Block;
};

// YUY2 -> blue, green, red: the YUV kernel writes red, green, blue into the
// destination, which is then swapped in place.
void Yuy2ToBgr(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi) {
  if (Yuy2ToBgrIsBuiltin()) {
    builtin::fused_yuy2_to_bgr24(src, srcStep, dst, dstStep, roi);
    return;
  }
  ippiYUV422ToRGB_8u_C2C3R(src, srcStep, dst, dstStep, roi);
  ippiSwapChannels_8u_C3IR(dst, dstStep, roi, kSwapRedBlue);
}

// UYVY -> blue, green, red: byte-swapped into a YUY2 temporary first.
void UyvyToBgr(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi) {
  if (UyvyToBgrIsBuiltin()) {
    builtin::fused_uyvy_to_bgr24(src, srcStep, dst, dstStep, roi);
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(srcStep) * roi.height;
  TVLPoolBlock yuy2(bytes);
  ippsSwapBytes_16u(Words(src), Words(yuy2.Data()), static_cast<int>(bytes / 2));
  Yuy2ToBgr(yuy2.Data(), srcStep, dst, dstStep, roi);
}

// Blue, green, red -> YUY2: red and blue are exchanged into a temporary of
// the source's size and step, which the RGB -> YUV kernel then reads.
void BgrToYuy2(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi) {
  if (BgrToYuy2IsBuiltin()) {
    builtin::fused_bgr24_to_yuy2(src, srcStep, dst, dstStep, roi);
    return;
  }
  TVLPoolBlock rgb(static_cast<std::size_t>(srcStep) * roi.height);
  ippiSwapChannels_8u_C3R(src, srcStep, rgb.Data(), srcStep, roi, kSwapRedBlue);
  ippiRGBToYUV422_8u_C3C2R(rgb.Data(), srcStep, dst, dstStep, roi);
}

// Blue, green, red -> UYVY: as YUY2, then every 16-bit word byte-swapped.
void BgrToUyvy(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep, IppiSize roi) {
  if (BgrToUyvyIsBuiltin()) {
    builtin::fused_bgr24_to_uyvy(src, srcStep, dst, dstStep, roi);
    return;
  }
  BgrToYuy2(src, srcStep, dst, dstStep, roi);
  ippsSwapBytes_16u_I(Words(dst), static_cast<int>(static_cast<std::size_t>(dstStep) * roi.height / 2));
}

// Any layout -> blue, green, red at (dst, dstStep).
void ToBgr(const TVLSmartImageBuffer& source, uint8_t* dst, int dstStep, IppiSize roi) {
  const uint8_t* src = source.GetData();
  const int srcStep = source.RowStep();
  switch (source.GetLayout()) {
    case vfRGB24:
    case vfRGB:
      ippiCopy_8u_C3R(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGBA32:
      ippiCopy_8u_AC4C3R(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGB565:
      builtin::ippiRGB565ToRGB_8u_C3R(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGB555:
      builtin::ippiRGB555ToRGB_8u_C3R(src, srcStep, dst, dstStep, roi);
      break;
    case vfYUY2:
      Yuy2ToBgr(src, srcStep, dst, dstStep, roi);
      break;
    case vfUYVY:
      UyvyToBgr(src, srcStep, dst, dstStep, roi);
      break;
    case vfGrayScale: {
      const Ipp8u* const planes[3] = {src, src, src};
      ippiCopy_8u_P3C3R(planes, srcStep, dst, dstStep, roi);
      break;
    }
  }
}

// Blue, green, red at (src, srcStep) -> any layout.
void FromBgr(const uint8_t* src, int srcStep, TVLSmartImageBuffer& target, IppiSize roi) {
  uint8_t* dst = target.GetData();
  const int dstStep = target.RowStep();
  switch (target.GetLayout()) {
    case vfRGB24:
    case vfRGB:
      ippiCopy_8u_C3R(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGBA32:
      builtin::CopyC3ToOpaqueC4(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGB565:
      builtin::ippiRGB_8u_C3RToRGB565(src, srcStep, dst, dstStep, roi);
      break;
    case vfRGB555:
      builtin::ippiRGB_8u_C3RToRGB555(src, srcStep, dst, dstStep, roi);
      break;
    case vfYUY2:
      BgrToYuy2(src, srcStep, dst, dstStep, roi);
      break;
    case vfUYVY:
      BgrToUyvy(src, srcStep, dst, dstStep, roi);
      break;
    case vfGrayScale:
      ippiColorToGray_8u_C3C1R(src, srcStep, dst, dstStep, roi, kGrayWeights);
      break;
  }
}

// The pairs that have a kernel of their own and need no RGB24 step between.
bool ConvertDirectly(const TVLSmartImageBuffer& source, TVLSmartImageBuffer& target, IppiSize roi) {
  const TVLVideoFormat from = source.GetLayout();
  const TVLVideoFormat to = target.GetLayout();
  const uint8_t* src = source.GetData();
  const int srcStep = source.RowStep();
  uint8_t* dst = target.GetData();
  const int dstStep = target.RowStep();
  const int pixels = roi.width * roi.height;
  if ((from == vfYUY2 && to == vfUYVY) || (from == vfUYVY && to == vfYUY2)) {
    ippsSwapBytes_16u(Words(src), Words(dst), pixels);
    return true;
  }
  if (from == vfRGB565 && to == vfRGB555) {
    builtin::ippiRGB565ToRGB555(src, srcStep, dst, dstStep, roi);
    return true;
  }
  if (from == vfRGB555 && to == vfRGB565) {
    builtin::ippiRGB555ToRGB565(src, srcStep, dst, dstStep, roi);
    return true;
  }
  if (from == vfRGBA32) {
    switch (to) {
      case vfRGB565:
        builtin::ippiRGBA_8u_AC4RToRGB565(src, srcStep, dst, dstStep, roi);
        return true;
      case vfRGB555:
        builtin::ippiRGBA_8u_AC4RToRGB555(src, srcStep, dst, dstStep, roi);
        return true;
      case vfGrayScale:
        ippiColorToGray_8u_AC4C1R(src, srcStep, dst, dstStep, roi, kGrayWeights);
        return true;
      default:
        return false;
    }
  }
  if (to == vfRGBA32) {
    switch (from) {
      case vfRGB565:
        builtin::ippiRGB565ToRGBA_8u_AC4R(src, srcStep, dst, dstStep, roi);
        return true;
      case vfRGB555:
        // The 555 kernel gives alpha 127; a converted picture is opaque.
        builtin::ippiRGB555ToRGBA_8u_AC4R(src, srcStep, dst, dstStep, roi);
        ippiSet_8u_C4CR(255, dst + 3, dstStep, roi);
        return true;
      case vfGrayScale:
        for (int channel = 0; channel < 3; ++channel) ippiCopy_8u_C1C4R(src, srcStep, dst + channel, dstStep, roi);
        ippiSet_8u_C4CR(255, dst + 3, dstStep, roi);
        return true;
      default:
        return false;
    }
  }
  return false;
}

}  // namespace

void VLConvertImage(const TVLSmartImageBuffer& source, TVLSmartImageBuffer& target) {
  const int width = source.GetWidth();
  const int height = source.GetHeight();
  if (width <= 0 || height <= 0) return;
  const IppiSize roi{width, height};
  const TVLVideoFormat from = VLLayoutOf(source.GetLayout());
  const TVLVideoFormat to = VLLayoutOf(target.GetLayout());
  if (from == to) {
    ippsCopy_8u(source.GetData(), target.GetData(),
                static_cast<int>(std::min(source.GetImageSize(), target.GetImageSize())));
    return;
  }
  if (to == vfRGB24) {
    ToBgr(source, target.GetData(), target.RowStep(), roi);
    return;
  }
  if (from == vfRGB24) {
    FromBgr(source.GetData(), source.RowStep(), target, roi);
    return;
  }
  if (ConvertDirectly(source, target, roi)) return;
  // Everything else goes through an RGB24 temporary.
  TBgrTemporary bgr(width, height);
  ToBgr(source, bgr.Block.Data(), bgr.Step, roi);
  FromBgr(bgr.Block.Data(), bgr.Step, target, roi);
}

void VLDecodeYUV422Pixel(const uint8_t* row, int width, int x, bool uyvy, uint8_t rgb[3]) {
  // The region handed to the kernel: the two-pixel group holding x, or for
  // the last pixel of an odd row the three pixels ending there (that pixel
  // takes the V of the pair before it), or the single pixel of a 1-wide row.
  int first = x & ~1;
  int count = 2;
  if (width == 1) {
    first = 0;
    count = 1;
  } else if ((width & 1) != 0 && x == width - 1) {
    first = x - 2;
    count = 3;
  }
  alignas(4) uint8_t yuv[6];
  std::memcpy(yuv, row + 2 * first, static_cast<std::size_t>(2 * count));
  if (uyvy) ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(yuv), count);
  uint8_t decoded[9];
  ippiYUV422ToRGB_8u_C2C3R(yuv, 2 * count, decoded, 3 * count, IppiSize{count, 1});
  std::memcpy(rgb, decoded + 3 * (x - first), 3);
}

}  // namespace lumicar
