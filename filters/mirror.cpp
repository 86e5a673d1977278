#include "filters/mirror.h"

#include "kernels/dispatch/image_table.h"

namespace lumicar {

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
  frame.SetFormat(vfRGB24);
}

void TVLMirror::FilterInternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output) {
  // Only these layouts have a kernel; anything else (a descendant's own
  // SetVideoFormat) is made RGB24 rather than read with the wrong geometry.
  const TVLVideoFormat format = input.GetFormat();
  if (format != vfGrayScale && format != vfRGBA32 && format != vfRGB24) input.SetFormat(vfRGB24);
  if (!output) output = MakeIntf<TVLImageBuffer>(input);
  output->Assign(&input);
  const QSize size = input.GetDimSize();
  const uint8_t* source = input.Read();
  // Both handles own the container, so this gives the output a fresh one of
  // the same geometry (and time stamps) without copying the pixels.
  uint8_t* target = output->Write();
  if (size.width() <= 0 || size.height() <= 0 || !source || !target) return;
  const int step = output->GetStep();
  const IppiSize roi{size.width(), size.height()};
  const auto axis = static_cast<IppiAxis>(mirrorType_);
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
