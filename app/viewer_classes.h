#pragma once
// Makes everything the viewer's designs name known once per process: the
// media layer's classes (graph services, system filters, cameras, the video
// renderer), the windowing layer's controls and menus, the capture, mirror
// and display components, and the designs themselves (compiled-in resources).

namespace lumicar {

void RegisterViewerClasses();

}  // namespace lumicar
