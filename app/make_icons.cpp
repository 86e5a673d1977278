// Writes the program's icon as PNG files in the hicolor layout
// (<dir>/<n>x<n>/lumicar.png) for installation; run by the build.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "app/icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  // Painting needs no window system.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : lumicar::ViewerIconSizes()) {
    const QString dir = QStringLiteral("%1/%2x%2").arg(root).arg(size);
    const QString file = dir + QStringLiteral("/lumicar.png");
    if (!QDir().mkpath(dir) || !lumicar::PaintViewerIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
