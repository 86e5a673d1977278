#pragma once
// IVLDSCaptureGraphHost: what the capture's graph builder asks of the capture
// it works for, kept narrow so that the builder sees nothing else of it.

#include "buffers/video_format.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

// What a build asks of the capture it works for: the settings it follows and
// the steps that belong to the capture's format negotiation and preview.
class IVLDSCaptureGraphHost {
 public:
  // The pixel format asked for (decides the temporary renderer's order).
  virtual TVLVideoFormat RequestedFormat() const = 0;
  // The camera's stream is taken before any decoder (raw frames).
  virtual bool UsesHardwareCompression() const = 0;
  virtual bool CaptionsEnabled() const = 0;
  virtual bool VideoPreviewEnabled() const = 0;
  virtual bool AudioPreviewEnabled() const = 0;
  virtual void MakeAudioMediaType(AM_MEDIA_TYPE& type) const = 0;
  // A build starts rendering: what it answers is recorded.
  virtual void RenderingStarts() = 0;
  // Whether the camera is set to the requested size and rate before each
  // pixel format is tried, and that setting for one subtype.
  virtual bool PresetsCamera() const = 0;
  virtual void PresetCameraFormat(TVLVideoFormat wanted) = 0;
  // The camera's filters were bound: its stream capabilities can be read.
  virtual void CameraBound() = 0;
  // Sets the preview's video window up; false when it could not be.
  virtual bool ConfigVideoWindow(bool show) = 0;

 protected:
  ~IVLDSCaptureGraphHost() = default;
};

}  // namespace lumicar
