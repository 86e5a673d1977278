#include "app/snapshot_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>

#include "app/app_log.h"

namespace lumicar {

namespace {

constexpr int kMaxNameTries = 1000;  // one a second would need a very busy user

}  // namespace

QString SnapshotFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QStringLiteral("/Lumicar");
}

QString SnapshotPath(const QString& folder, const QDateTime& when) {
  const QString stem = folder + QStringLiteral("/Lumicar_") + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
  QString path = stem + QStringLiteral(".png");
  for (int n = 2; QFileInfo::exists(path) && n <= kMaxNameTries; ++n) path = stem + QStringLiteral("_%1.png").arg(n);
  return path;
}

TSnapshotResult SaveSnapshot(const QImage& image, const QString& folder, const QDateTime& when) {
  TSnapshotResult result;
  result.path = SnapshotPath(folder, when);
  auto fail = [&result](const QString& reason) {
    result.reason = reason;
    qCWarning(lcStartup).noquote() << "snapshot: saving" << result.path << "failed:" << reason;
    return result;
  };
  if (image.isNull()) return fail(QStringLiteral("there is no picture to save"));
  if (!QDir().mkpath(folder)) return fail(QStringLiteral("the folder %1 cannot be made").arg(folder));
  QFile file(result.path);
  // NewOnly: a file that appeared since the name was chosen stays untouched.
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return fail(file.errorString());
  QImageWriter writer(&file, "png");
  const bool written = writer.write(image);
  const QString writeError = written ? QString() : writer.errorString();
  const bool flushed = written && file.flush();
  const QString fileError = file.errorString();
  file.close();
  if (!written || !flushed || file.error() != QFileDevice::NoError) {
    file.remove();
    return fail(!written ? writeError : fileError);
  }
  result.saved = true;
  qCInfo(lcStartup).noquote() << "snapshot saved:" << result.path;
  return result;
}

}  // namespace lumicar
