#pragma once
// What the viewer keeps between runs: the camera chosen, the picture and
// capture choices of the menu, the window's place and presentation and the
// display tools' states, in an INI file under the user's configuration
// folder. Each value read is checked; a value that is missing or makes no
// sense leaves the design's value. A file that cannot be read or parsed
// means the design's values and one log line, never a failed start; one
// that cannot be written (a read-only home) costs one log line, and the
// viewer goes on.

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

#include "buffers/video_format.h"

namespace lumicar {

enum class TViewerPresentation { kNormal, kMaximised, kFullScreen };

struct TViewerSettings {
  // The chosen camera as the device choice keeps it: its display name (the
  // stable identity it is found by again, empty for "Default") and shown name.
  std::optional<QString> cameraIdentity;
  std::optional<QString> cameraName;
  std::optional<bool> flip;
  std::optional<bool> speedFirst;  // the speed/quality item checked
  std::optional<TVLVideoFormat> format;
  std::optional<QSize> videoSize;
  std::optional<bool> videoSizeCurrent;
  std::optional<bool> proportional;
  std::optional<bool> stayOnTop;
  std::optional<QRect> normalGeometry;  // outer rectangle in the normal state
  std::optional<TViewerPresentation> presentation;
  std::optional<int> quarterTurns;  // 0..3
  std::optional<bool> infoShown;

  friend bool operator==(const TViewerSettings&, const TViewerSettings&) = default;
};

class TViewerSettingsStore {
 public:
  explicit TViewerSettingsStore(QString path);

  // $XDG_CONFIG_HOME/lumicar/lumicar.ini (~/.config when it is not set).
  static QString DefaultPath();
  const QString& Path() const { return path_; }

  // The values of the file, checked one by one. A file that cannot be read
  // or parsed gives no values; it is moved aside (".broken") at the next
  // save rather than overwritten unseen.
  TViewerSettings Load();
  // Writes every value that is set; false when the file cannot be written
  // (logged once per store).
  bool Save(const TViewerSettings& settings);
  // Forgets everything: the file goes. False (and a log line) when it exists
  // and cannot be removed.
  bool Reset();

 private:
  QString path_;
  bool broken_ = false;      // the file read last could not be parsed
  bool saveFailed_ = false;  // a failed save was logged already
};

// The process's store, which the main window reads at start and writes on
// each change; none (the default) keeps nothing, as in tests.
TViewerSettingsStore* ViewerSettingsStore();
void SetViewerSettingsStore(TViewerSettingsStore* store);

}  // namespace lumicar
