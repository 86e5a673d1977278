#pragma once
// IVLDSCaptureRunHost: what the capture's run control asks of the capture it
// works for, kept narrow so that the run control sees nothing else of it.

#include <QString>

#include "buffers/video_format.h"
#include "capture/camera_status.h"

namespace lumicar {

// What starting and stopping ask of the capture: the setting an open graph
// must still match, and the steps that reach its pins, adjustments and
// handlers.
class IVLDSCaptureRunHost {
 public:
  // The pixel format asked for: an open graph negotiated for another is
  // stale.
  virtual TVLVideoFormat RequestedFormat() const = 0;
  // A start applies the camera adjustments to the opened camera.
  virtual void ApplyAdjustments() = 0;
  // A start announces the negotiated video and audio formats downstream.
  virtual void AnnounceFormats() = 0;
  // A stop sends the stop operation out of every output pin.
  virtual void StopOutputs() = 0;
  // A stop ends: the OnStop handler runs.
  virtual void RaiseOnStop() = 0;
  // The camera's status changed (or was found again): `error` is the errno
  // behind it, `what` what was being done, `detail` the identity of a camera
  // waited for or the format shown instead. Any thread, any lock held.
  virtual void ReportCamera(TVLCameraStatus status, int error, const QString& what, const QString& detail = {}) = 0;

 protected:
  ~IVLDSCaptureRunHost() = default;
};

}  // namespace lumicar
