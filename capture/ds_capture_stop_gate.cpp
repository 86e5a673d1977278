#include "capture/ds_capture_stop_gate.h"

#include <mutex>

#include "capture/frames/capture_log.h"

namespace lumicar {

void TVLDSCaptureStopGate::StopBegins() {
  std::lock_guard guard(lock_);
  ++stopsUnderWay_;
}

void TVLDSCaptureStopGate::StopEnds() {
  {
    std::lock_guard guard(lock_);
    --stopsUnderWay_;
  }
  ended_.notify_all();
}

bool TVLDSCaptureStopGate::AwaitStopEnd() {
  std::unique_lock guard(lock_);
  ++startsWaiting_;
  ended_.wait(guard, [this] { return stopsUnderWay_ == 0 || closed_; });
  --startsWaiting_;
  if (closed_) qCInfo(lcCapture) << "Start given up: the capture is being destroyed";
  return !closed_;
}

void TVLDSCaptureStopGate::Close() {
  {
    std::lock_guard guard(lock_);
    closed_ = true;
  }
  ended_.notify_all();
}

int TVLDSCaptureStopGate::StartsWaiting() const {
  std::lock_guard guard(lock_);
  return startsWaiting_;
}

}  // namespace lumicar
