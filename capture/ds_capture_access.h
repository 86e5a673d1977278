#pragma once
// Lets tests run one step of the capture's graph building on its own, where
// the public life cycle stops before it (Open gives up without a camera
// before the binding would report its error), and reach its graph builder.

#include "capture/ds_capture.h"

namespace lumicar {

struct TVLDSCaptureGraphAccess {
  static bool InitCaptureFilters(TVLDSCapture& capture) { return capture.run_->InitCaptureFilters(); }
  static TVLDSCaptureGraphBuilder& Builder(TVLDSCapture& capture) { return *capture.builder_; }
};

}  // namespace lumicar
