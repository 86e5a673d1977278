#include "filters/mirror.h"

#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "kernels/fused_yuv422_to_bgr24_mirror.h"
#include "kernels/memory_ops.h"
#include "kernels/mirror.h"
#include "kernels/swap_channels.h"
#include "kernels/yuv422_rgb.h"

namespace lumicar {

namespace {

// A camera's packed 4:2:2 frame is converted and flipped in one pass over
// the picture, instead of converting it into an RGB24 container first and
// flipping that into another. The fused kernel may stand in for the
// conversion and the flip only while every kernel of that chain is the
// built-in one: only then are the bytes guaranteed equal.
bool FlipsWhileConverting(TVLVideoFormat format) {
  if (format != vfYUY2 && format != vfUYVY) return false;
  const bool yuy2 = IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R) &&
                    IsBuiltin(ippiSwapChannels_8u_C3IR, &builtin::ippiSwapChannels_8u_C3IR) &&
                    IsBuiltin(ippiMirror_8u_C3R, &builtin::ippiMirror_8u_C3R);
  return yuy2 && (format == vfYUY2 || IsBuiltin(ippsSwapBytes_16u, &builtin::ippsSwapBytes_16u));
}

}  // namespace

TVLMirror::TVLMirror(TComponent* owner) : TVLCommonFilter(owner) {}

TVLMirror::~TVLMirror() { ShutDownPins(); }

TVLMirrorType TVLMirror::MirrorType() const {
  auto section = ReadLock();
  return mirrorType_;
}

void TVLMirror::SetMirrorType(TVLMirrorType value) {
  // Stored also when the lock is not obtained (the filter is stopping).
  auto section = WriteLock();
  mirrorType_ = value;
}

void TVLMirror::SetVideoFormat(TVLImageBuffer& frame) {
  const TVLVideoFormat format = frame.GetFormat();
  if (format == vfGrayScale || format == vfRGBA32) return;
  // Converted by the flip itself (FilterInternalOperation).
  if (FlipsWhileConverting(format)) return;
  frame.SetFormat(vfRGB24);
}

void TVLMirror::FilterInternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output) {
  if (!output) output = MakeIntf<TVLImageBuffer>(input);
  const QSize size = input.GetDimSize();
  const auto axis = static_cast<IppiAxis>(mirrorType_);
  const TVLVideoFormat format = input.GetFormat();
  if (size.width() > 0 && size.height() > 0 && FlipsWhileConverting(format)) {
    // The output gets a fresh RGB24 container of the frame's size, as if the
    // frame had been converted on its own (such a container starts without
    // media time stamps), and the converted picture goes straight into it.
    output->Assign(MakeIntf<TVLImageBuffer>(size.width(), size.height(), vfRGB24).get());
    uint8_t* target = output->Write();  // the only owner: no copy is made
    const uint8_t* source = input.Read();
    if (!source || !target) return;
    const IppiSize roi{size.width(), size.height()};
    if (format == vfYUY2) {
      builtin::fused_yuy2_to_bgr24_mirror(source, input.GetStep(), target, output->GetStep(), roi, axis);
    } else {
      builtin::fused_uyvy_to_bgr24_mirror(source, input.GetStep(), target, output->GetStep(), roi, axis);
    }
    return;
  }
  // Only these layouts have a kernel; anything else (a descendant's own
  // SetVideoFormat, or a packed frame the fused kernel may not convert) is
  // made RGB24 rather than read with the wrong geometry.
  if (format != vfGrayScale && format != vfRGBA32 && format != vfRGB24) input.SetFormat(vfRGB24);
  output->Assign(&input);
  const uint8_t* source = input.Read();
  // Both handles own the container, so this gives the output a fresh one of
  // the same geometry (and time stamps) without copying the pixels.
  uint8_t* target = output->Write();
  if (size.width() <= 0 || size.height() <= 0 || !source || !target) return;
  const int step = output->GetStep();
  const IppiSize roi{size.width(), size.height()};
  switch (input.GetFormat()) {
    case vfGrayScale:
      ippiMirror_8u_C1R(source, step, target, step, roi, axis);
      break;
    case vfRGBA32:
      // All four bytes: the alpha travels with its pixel instead of being
      // left as whatever the fresh container held.
      ippiMirror_8u_C4R(source, step, target, step, roi, axis);
      break;
    default:
      ippiMirror_8u_C3R(source, step, target, step, roi, axis);
      break;
  }
}

}  // namespace lumicar
