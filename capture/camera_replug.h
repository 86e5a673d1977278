#pragma once
// Cameras plugged in while the viewer runs. The capture retries a lost or
// busy camera on its own clock; udev's add events (the camera watch) let it
// look at once whenever a camera node appears, so a camera plugged back in
// shows again without waiting for the next retry. Whether the new node is
// its camera the capture decides by the camera's identity, so any camera
// appearing is reason enough to look, and so is a burst of udev events that
// was lost.

namespace lumicar {

class TDSCameraWatch;
class TVLDSCapture;

// Connects for as long as both live; the watch is started by the caller.
void ConnectCameraWatch(TDSCameraWatch& watch, TVLDSCapture& capture);

}  // namespace lumicar
