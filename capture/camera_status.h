#pragma once
// What the capture tells its user about the camera beyond the picture: why no
// picture comes (the camera is held by another program, unplugged, silent, or
// the USB bus has no bandwidth left) or that it shows less than was asked for.
// Each status comes with a short text meant to be shown over the picture.

#include <QString>

#include "runtime/event.h"

namespace lumicar::camera_status {
Q_NAMESPACE

enum TVLCameraStatus {
  cstReady = 0,     // frames flow (or nothing is wrong): no text
  cstBusy,          // another program holds the camera; retried every 2 s
  cstDisconnected,  // the camera is gone; waiting for it to come back
  cstSilent,        // the camera streams but sends no frames; retried every 5 s
  cstLowBandwidth,  // the USB bus forced a smaller or compressed format
  cstNoBandwidth,   // no format fits the USB bus's bandwidth; retried every 2 s
};
Q_ENUM_NS(TVLCameraStatus)

}  // namespace lumicar::camera_status

namespace lumicar {

using camera_status::TVLCameraStatus;
using enum camera_status::TVLCameraStatus;

// (sender, status, text to show; empty for cstReady).
using TVLCameraStatusEvent = TEvent<TObject*, camera_status::TVLCameraStatus, QString>;

// The text a status is shown with; `detail` completes the texts that name
// what the camera does instead (the format a smaller bandwidth forced).
QString VLCameraStatusText(TVLCameraStatus status, const QString& detail = {});
// Whether the capture keeps trying by itself while in this status.
bool VLCameraStatusRetries(TVLCameraStatus status);

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TVLCameraStatusEvent)
