#pragma once
// Cameras the scripted node can be, each a small table taken from what such
// devices report through V4L2: their nodes, formats with sizes and frame
// intervals, controls, and the quirks of their drivers (rows padded past the
// picture, buffers larger than a frame, control reads that fail). A test
// that runs over CameraProfiles() sees the filter against every kind of
// camera it may meet, not only the document camera it was made with.

#include <string>
#include <vector>

#include "testing/camera/fake_v4l2_device.h"

namespace lumicar::camtest {

struct TCameraProfile {
  std::string name;  // letters and digits only: it names parameterised tests
  std::vector<TFakeV4L2Device::TNode> nodes;
  std::vector<TFakeV4L2Device::TInterval> intervals;
  std::vector<TFakeV4L2Device::TStepwise> stepwise;
  std::vector<TFakeV4L2Device::TControl> controls;
  uint32_t rowAlign = 1, rowPadding = 0, sizeImageSlack = 0;
  int controlReadError = 0;  // errno of every control read, or 0
};

// The USB document camera the viewer is made for (the scripted node's
// default): YUYV 640 × 480 and 1600 × 1200 at 7 fps, MJPEG up to 1600 × 1200
// at 30 fps.
const TCameraProfile& DocumentCameraProfile();
// A common 1080p webcam: YUYV up to 1280 × 720 at 10 fps (smaller sizes at
// 30), MJPEG up to 1920 × 1080 at 30 fps, H.264 on its capture node, a
// metadata node and a second node that offers only H.264.
const TCameraProfile& WebcamProfile();
// A greyscale infrared camera: GREY 640 × 360, buffers rounded up to whole
// pages.
const TCameraProfile& InfraredCameraProfile();
// An industrial camera: NV12 only, sizes as one stepwise range, rows
// aligned to 64 bytes.
const TCameraProfile& IndustrialCameraProfile();
// A cheap YUYV / YU12 camera (640 × 480 at 30 fps only as YU12) whose
// driver pads every row by 32 bytes and whose control reads fail with EIO.
const TCameraProfile& FaultyControlsCameraProfile();
// A camera with a metadata node next to its capture node (YUYV and MJPEG).
const TCameraProfile& MetadataNodeCameraProfile();

// A document camera with an 8 MP sensor: MJPEG 3840 × 2160 and 3264 × 2448
// at 30 fps (one such frame takes most of a frame period to decode), MJPEG
// 1920 × 1080 and 640 × 480 at 30, YUYV only at 640 × 480 (15 fps) and
// 1920 × 1080 (5 fps), as USB 2 leaves no room for more. Not among
// CameraProfiles(): its frames are costly to make, so the tests that want it
// name it.
const TCameraProfile& DocumentCamera4KProfile();

// Every profile above, the document camera first.
const std::vector<TCameraProfile>& CameraProfiles();

// Makes `fake` the camera of `profile` (before any filter opens it).
void ApplyCameraProfile(TFakeV4L2Device& fake, const TCameraProfile& profile);

}  // namespace lumicar::camtest
