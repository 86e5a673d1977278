#pragma once
// How the video renderer draws: through OpenGL when this process can make
// an OpenGL 3 context on a graphics processor, else with plain painting
// (Qt's offscreen platform, a missing or broken driver, a rasteriser that
// runs on the processor). Decided once per process, at the first video
// window, and logged.

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QSurfaceFormat>

namespace lumicar {

// The video renderer's log category ("lumicar.render").
Q_DECLARE_LOGGING_CATEGORY(lcVideoRender)

enum class TDSVideoRenderPath { kOpenGL, kPainter };

// The path of this process. Call on the user-interface thread, with a
// QGuiApplication. LUMICAR_VIDEO_RENDERER=painter in the environment skips
// OpenGL (for a driver that draws wrongly); LUMICAR_VIDEO_RENDERER=opengl
// keeps it even on a rasteriser that runs on the processor.
TDSVideoRenderPath DSVideoRenderPath();
// Whether an OpenGL renderer's name (GL_RENDERER) is one of the rasterisers
// that run on the processor.
bool DSIsSoftwareRasteriser(const QString& glRenderer);
// Why OpenGL can only draw on the processor here, known without making a
// context (which loads the driver and keeps tens of megabytes of it): no
// graphics device node (renderNodes, the /dev/dri/renderD* files) or Mesa told
// to draw in software (LIBGL_ALWAYS_SOFTWARE). Empty when a context must be
// made to know.
QString DSProcessorOnlyOpenGL(const QStringList& renderNodes, const QByteArray& alwaysSoftware);
// What was chosen and why, as logged.
QString DSVideoRenderPathReason();
// The format the OpenGL windows ask for: OpenGL 3.3 core (OpenGL ES 3.0
// where Qt uses ES), swapped on the display's vertical refresh.
QSurfaceFormat DSVideoSurfaceFormat();

}  // namespace lumicar
