#pragma once
// The push source of the display graph: one pin "VideoOutput" into which
// the display pushes every frame; each leaves at once, on the caller's
// thread, as one sample of the agreed format. No streaming thread.

#include "display/source/video_source_stream_pin.h"

namespace lumicar {

class TDSVideoSourceFilter : public TDSBaseSourceFilter {
 public:
  TDSVideoSourceFilter(const QString& name, const TGUID& classId, TVLVideoFormat preferred, bool fixedFormat,
                       uint32_t interlaceFlags);

  TDSVideoSourceStreamPin* Pin() const { return pin_; }
  // Size and frame duration of the types offered; before the filter is
  // connected.
  HRESULT SetSizeDelay(int width, int height, int64_t frameDuration) {
    return pin_->SetSizeDelay(width, height, frameDuration);
  }
  // The frame is only read, so the caller's frame stays as it is.
  bool SendBuffer(IVLImageBuffer* buffer, int64_t start, int64_t stop) { return pin_->SendBuffer(buffer, start, stop); }
  // Begin and end of a flush, downstream.
  HRESULT Flush();

 private:
  TDSVideoSourceStreamPin* pin_;  // owned by the pin list
};

}  // namespace lumicar
