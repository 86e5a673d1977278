#include "capture/video_size.h"

namespace lumicar {

void TVLVideoSize::NotifyProp() {
  if (onChange_) onChange_();
}

void TVLOptionalVideoSize::SetCurrent(bool value) {
  auto section = WriteLock();
  current_ = value;
}

}  // namespace lumicar
