#pragma once
// What the camera adjustments need from the capture component that owns them:
// the picture controls of its open graph, with or without opening it first.

#include "dsbase/camera/camera_interfaces.h"
#include "runtime/interface.h"

namespace lumicar {

class IVLDSAdjustmentHost {
 public:
  // The open graph's picture controls, or none (no graph, or a camera without
  // them). Never opens the graph.
  virtual TIntf<IAMVideoProcAmp> CurrentVideoProcAmp() = 0;
  // Opens the camera first (building the graph when it is closed, without
  // running it), then answers as CurrentVideoProcAmp.
  virtual TIntf<IAMVideoProcAmp> OpenVideoProcAmp() = 0;

 protected:
  ~IVLDSAdjustmentHost() = default;
};

}  // namespace lumicar
