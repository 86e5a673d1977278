#include "capture/camera_replug.h"

#include "capture/ds_capture.h"
#include "capture/frames/capture_log.h"
#include "dsbase/camera/camera_watch.h"

namespace lumicar {

void ConnectCameraWatch(TDSCameraWatch& watch, TVLDSCapture& capture) {
  TVLDSCapture* target = &capture;
  // The capture is the context: once it is gone the connections are too.
  QObject::connect(&watch, &TDSCameraWatch::CameraAppeared, target, [target](const TDSCameraEvent& camera) {
    qCInfo(lcCapture).noquote() << "A camera appeared at" << camera.devicePath << "(" << camera.id << ")";
    target->CameraMayBeBack();
  });
  QObject::connect(&watch, &TDSCameraWatch::EventsLost, target, [target] {
    qCInfo(lcCapture) << "udev events were lost: looking for the camera again";
    target->CameraMayBeBack();
  });
}

}  // namespace lumicar
