#pragma once
// Snapshots as files: the folder they go to, a name by date and time that
// never takes an existing file's, and a save that leaves nothing half
// written behind when the disk is full or the folder is not writable.

#include <QDateTime>
#include <QImage>
#include <QString>

namespace lumicar {

// The user's pictures folder (XDG_PICTURES_DIR, ~/Pictures without one),
// sub-folder "Lumicar".
QString SnapshotFolder();

// "<folder>/Lumicar_2026-12-10_18-42-54.png", or with "_2", "_3"... before
// the extension when that name is taken.
QString SnapshotPath(const QString& folder, const QDateTime& when);

struct TSnapshotResult {
  bool saved = false;
  QString path;    // the file written, or the one that could not be
  QString reason;  // why not, for the user, when not saved
};

// Makes the folder when needed and writes image as PNG under a new name
// (made by SnapshotPath; a file made meanwhile by someone else is never
// replaced). On failure no partial file stays.
TSnapshotResult SaveSnapshot(const QImage& image, const QString& folder, const QDateTime& when);

}  // namespace lumicar
