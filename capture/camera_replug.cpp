#include "app/camera_replug.h"

#include "app/app_log.h"
#include "capture/ds_capture.h"
#include "dsbase/camera/camera_watch.h"

namespace lumicar {

void ConnectCameraWatch(TDSCameraWatch& watch, TVLDSCapture& capture) {
  TVLDSCapture* target = &capture;
  // The capture is the context: once it is gone the connections are too.
  QObject::connect(&watch, &TDSCameraWatch::CameraAppeared, target, [target](const TDSCameraEvent& camera) {
    qCInfo(lcStartup).noquote() << "A camera appeared at" << camera.devicePath << "(" << camera.id << ")";
    target->CameraMayBeBack();
  });
  QObject::connect(&watch, &TDSCameraWatch::EventsLost, target, [target] {
    qCInfo(lcStartup) << "udev events were lost: looking for the camera again";
    target->CameraMayBeBack();
  });
}

}  // namespace lumicar
