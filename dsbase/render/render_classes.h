#pragma once
// Registers the classes of the media layer's windowed part: the video
// renderer (as the default video renderer and as the mixing renderer) and
// the camera settings page; the core's system classes first. Call once at
// start-up, from whoever starts the media layer; calling again does nothing.

namespace lumicar {

void DSRegisterRenderClasses();

}  // namespace lumicar
