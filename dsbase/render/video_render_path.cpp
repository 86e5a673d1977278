#include "dsbase/render/video_render_path.h"

#include <QDir>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <mutex>

namespace lumicar {

Q_LOGGING_CATEGORY(lcVideoRender, "lumicar.render")

namespace {

struct TChoice {
  TDSVideoRenderPath path = TDSVideoRenderPath::kPainter;
  QString reason;
};

TChoice Probe() {
  if (qEnvironmentVariable("LUMICAR_VIDEO_RENDERER").compare(QStringLiteral("painter"), Qt::CaseInsensitive) == 0)
    return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter, as LUMICAR_VIDEO_RENDERER asks")};
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter (no window system)")};
  // The offscreen platform may hand out a context, but widgets drawing
  // through OpenGL do not work on it.
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
    return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter (the %1 platform has no OpenGL)").arg(platform)};
  const bool openGLAsked =
      qEnvironmentVariable("LUMICAR_VIDEO_RENDERER").compare(QStringLiteral("opengl"), Qt::CaseInsensitive) == 0;
  if (!openGLAsked) {
    const QString why =
        DSProcessorOnlyOpenGL(QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("renderD*")}, QDir::System),
                              qgetenv("LIBGL_ALWAYS_SOFTWARE"));
    if (!why.isEmpty()) return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter (%1)").arg(why)};
  }
  QOpenGLContext context;
  context.setFormat(DSVideoSurfaceFormat());
  if (!context.create()) return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter (no OpenGL context)")};
  const QSurfaceFormat got = context.format();
  if (got.majorVersion() < 3)
    return {
        TDSVideoRenderPath::kPainter,
        QStringLiteral("QPainter (OpenGL %1.%2 is older than 3.0)").arg(got.majorVersion()).arg(got.minorVersion())};
  QOffscreenSurface surface;
  surface.setFormat(got);
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface))
    return {TDSVideoRenderPath::kPainter, QStringLiteral("QPainter (the OpenGL context cannot draw)")};
  const auto* renderer = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
  const QString name = renderer ? QString::fromUtf8(renderer) : QStringLiteral("unknown renderer");
  context.doneCurrent();
  // A rasteriser on the processor spends tens of milliseconds of CPU on
  // every large frame, so that frames queue up and most are dropped; plain
  // painting shows every frame for a fraction of that.
  if (DSIsSoftwareRasteriser(name) && !openGLAsked)
    return {TDSVideoRenderPath::kPainter,
            QStringLiteral("QPainter (OpenGL draws on the processor here: %1)").arg(name)};
  return {TDSVideoRenderPath::kOpenGL, QStringLiteral("OpenGL%1 %2.%3 (%4)")
                                           .arg(context.isOpenGLES() ? QStringLiteral(" ES") : QString())
                                           .arg(got.majorVersion())
                                           .arg(got.minorVersion())
                                           .arg(name)};
}

const TChoice& Choice() {
  static std::once_flag once;
  static TChoice choice;
  std::call_once(once, [] {
    choice = Probe();
    qCInfo(lcVideoRender).noquote() << "video renderer draws with" << choice.reason;
  });
  return choice;
}

}  // namespace

bool DSIsSoftwareRasteriser(const QString& glRenderer) {
  // Mesa's llvmpipe, softpipe and swrast, and SwiftShader, by the names
  // their GL_RENDERER strings carry.
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader"})
    if (glRenderer.contains(QLatin1String(name), Qt::CaseInsensitive)) return true;
  return false;
}

QString DSProcessorOnlyOpenGL(const QStringList& renderNodes, const QByteArray& alwaysSoftware) {
  if (!alwaysSoftware.isEmpty() && alwaysSoftware != "0" && alwaysSoftware.compare("false", Qt::CaseInsensitive) != 0)
    return QStringLiteral("LIBGL_ALWAYS_SOFTWARE is set: OpenGL would draw on the processor");
  if (renderNodes.isEmpty()) return QStringLiteral("no graphics device: OpenGL would draw on the processor");
  return {};
}

TDSVideoRenderPath DSVideoRenderPath() { return Choice().path; }

QString DSVideoRenderPathReason() { return Choice().reason; }

QSurfaceFormat DSVideoSurfaceFormat() {
  QSurfaceFormat format;
  if (QOpenGLContext::openGLModuleType() == QOpenGLContext::LibGLES) {
    format.setRenderableType(QSurfaceFormat::OpenGLES);
    format.setVersion(3, 0);
  } else {
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
  }
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);
  return format;
}

}  // namespace lumicar
