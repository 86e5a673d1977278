#include "display/control/display_ratio.h"

namespace lumicar {

TVLAspectRatioMode TVLAspectRatio::Mode() const {
  auto section = ReadLock();
  return mode_;
}

void TVLAspectRatio::SetMode(TVLAspectRatioMode value) {
  auto section = WriteLock();
  if (mode_ == value) return;
  mode_ = value;
  Lock()->Changed();
}

void TVLAspectRatio::NotifyProp() {
  if (onChange_) onChange_();
}

}  // namespace lumicar
