#include "app/viewer_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSettings>
#include <QStandardPaths>

#include "app/app_log.h"

namespace lumicar {

namespace {

constexpr int kMaxVideoSide = 16384;  // beyond any camera; guards against nonsense
constexpr int kMaxWindowSide = 65535;

const char* const kPresentationNames[] = {"normal", "maximised", "fullScreen"};

std::optional<bool> ReadBool(const QSettings& file, const char* key) {
  const QVariant value = file.value(QLatin1String(key));
  if (!value.isValid()) return std::nullopt;
  const QString text = value.toString().trimmed().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
  if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
  qCWarning(lcStartup).noquote() << "settings: ignoring" << key << "=" << value.toString() << "(not true or false)";
  return std::nullopt;
}

std::optional<int> ReadInt(const QSettings& file, const char* key, int min, int max) {
  const QVariant value = file.value(QLatin1String(key));
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const int number = value.toString().trimmed().toInt(&ok);
  if (ok && number >= min && number <= max) return number;
  qCWarning(lcStartup).noquote() << "settings: ignoring" << key << "=" << value.toString() << "(not a number from"
                                 << min << "to" << max << ")";
  return std::nullopt;
}

std::optional<QString> ReadText(const QSettings& file, const char* key) {
  const QVariant value = file.value(QLatin1String(key));
  if (!value.isValid()) return std::nullopt;
  return value.toString();
}

std::optional<TVLVideoFormat> ReadFormat(const QSettings& file, const char* key) {
  const std::optional<QString> text = ReadText(file, key);
  if (!text) return std::nullopt;
  const QMetaEnum formats = QMetaEnum::fromType<TVLVideoFormat>();
  bool ok = false;
  const int value = formats.keyToValue(text->trimmed().toLatin1().constData(), &ok);
  if (ok && VLIsValidFormat(value)) return TVLVideoFormat(value);
  qCWarning(lcStartup).noquote() << "settings: ignoring" << key << "=" << *text << "(no such pixel format)";
  return std::nullopt;
}

std::optional<TViewerPresentation> ReadPresentation(const QSettings& file, const char* key) {
  const std::optional<QString> text = ReadText(file, key);
  if (!text) return std::nullopt;
  for (int i = 0; i < int(std::size(kPresentationNames)); ++i) {
    if (*text == QLatin1String(kPresentationNames[i])) return TViewerPresentation(i);
  }
  qCWarning(lcStartup).noquote() << "settings: ignoring" << key << "=" << *text << "(no such window state)";
  return std::nullopt;
}

}  // namespace

TViewerSettingsStore::TViewerSettingsStore(QString path) : path_(std::move(path)) {}

QString TViewerSettingsStore::DefaultPath() {
  // Honours XDG_CONFIG_HOME; ~/.config without it.
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/lumicar/lumicar.ini");
}

TViewerSettings TViewerSettingsStore::Load() {
  TViewerSettings s;
  broken_ = false;
  const QFileInfo info(path_);
  if (!info.exists()) return s;
  if (!info.isFile() || !info.isReadable()) {
    qCWarning(lcStartup).noquote() << "settings: cannot read" << path_ << "- starting with the design's values";
    return s;
  }
  QSettings file(path_, QSettings::IniFormat);
  if (file.status() != QSettings::NoError) {
    broken_ = file.status() == QSettings::FormatError;
    qCWarning(lcStartup).noquote() << "settings:" << path_ << (broken_ ? "is damaged" : "cannot be read") << "(status"
                                   << int(file.status()) << ") - starting with the design's values";
    return s;
  }
  s.cameraIdentity = ReadText(file, "camera/identity");
  s.cameraName = ReadText(file, "camera/name");
  if (s.cameraName && s.cameraName->isEmpty()) s.cameraName.reset();
  if (!s.cameraName) s.cameraIdentity.reset();
  if (s.cameraName && !s.cameraIdentity) s.cameraIdentity = QString();
  s.flip = ReadBool(file, "picture/flip");
  s.speedFirst = ReadBool(file, "capture/speedFirst");
  s.format = ReadFormat(file, "capture/format");
  const std::optional<int> width = ReadInt(file, "capture/width", 1, kMaxVideoSide);
  const std::optional<int> height = ReadInt(file, "capture/height", 1, kMaxVideoSide);
  if (width && height) s.videoSize = QSize(*width, *height);
  s.videoSizeCurrent = ReadBool(file, "capture/sizeCurrent");
  s.proportional = ReadBool(file, "picture/proportional");
  s.stayOnTop = ReadBool(file, "window/stayOnTop");
  const std::optional<int> left = ReadInt(file, "window/left", -kMaxWindowSide, kMaxWindowSide);
  const std::optional<int> top = ReadInt(file, "window/top", -kMaxWindowSide, kMaxWindowSide);
  const std::optional<int> outerWidth = ReadInt(file, "window/width", 1, kMaxWindowSide);
  const std::optional<int> outerHeight = ReadInt(file, "window/height", 1, kMaxWindowSide);
  if (left && top && outerWidth && outerHeight) s.normalGeometry = QRect(*left, *top, *outerWidth, *outerHeight);
  s.presentation = ReadPresentation(file, "window/state");
  s.quarterTurns = ReadInt(file, "tools/quarterTurns", 0, 3);
  s.infoShown = ReadBool(file, "tools/info");
  return s;
}

bool TViewerSettingsStore::Save(const TViewerSettings& s) {
  const QFileInfo info(path_);
  if (broken_ && info.exists()) {
    // Kept for whoever wants to see what went wrong; the new file replaces it.
    const QString aside = path_ + QStringLiteral(".broken");
    QFile::remove(aside);
    if (!QFile::rename(path_, aside)) QFile::remove(path_);
  }
  broken_ = false;
  if (!QDir().mkpath(info.absolutePath())) {
    if (!std::exchange(saveFailed_, true))
      qCWarning(lcStartup).noquote() << "settings: cannot make the folder" << info.absolutePath()
                                     << "- choices are not kept";
    return false;
  }
  QSettings file(path_, QSettings::IniFormat);
  file.clear();
  auto put = [&file](const char* key, const QVariant& value) { file.setValue(QLatin1String(key), value); };
  if (s.cameraName) {
    put("camera/identity", s.cameraIdentity.value_or(QString()));
    put("camera/name", *s.cameraName);
  }
  if (s.flip) put("picture/flip", *s.flip);
  if (s.speedFirst) put("capture/speedFirst", *s.speedFirst);
  if (s.format) put("capture/format", QString::fromLatin1(QMetaEnum::fromType<TVLVideoFormat>().valueToKey(*s.format)));
  if (s.videoSize) {
    put("capture/width", s.videoSize->width());
    put("capture/height", s.videoSize->height());
  }
  if (s.videoSizeCurrent) put("capture/sizeCurrent", *s.videoSizeCurrent);
  if (s.proportional) put("picture/proportional", *s.proportional);
  if (s.stayOnTop) put("window/stayOnTop", *s.stayOnTop);
  if (s.normalGeometry) {
    put("window/left", s.normalGeometry->left());
    put("window/top", s.normalGeometry->top());
    put("window/width", s.normalGeometry->width());
    put("window/height", s.normalGeometry->height());
  }
  if (s.presentation) put("window/state", QLatin1String(kPresentationNames[int(*s.presentation)]));
  if (s.quarterTurns) put("tools/quarterTurns", *s.quarterTurns);
  if (s.infoShown) put("tools/info", *s.infoShown);
  file.sync();
  if (file.status() == QSettings::NoError) {
    saveFailed_ = false;
    return true;
  }
  if (!std::exchange(saveFailed_, true))
    qCWarning(lcStartup).noquote() << "settings: cannot write" << path_ << "(status" << int(file.status())
                                   << ") - choices are not kept";
  return false;
}

bool TViewerSettingsStore::Reset() {
  broken_ = false;
  if (!QFileInfo::exists(path_) || QFile::remove(path_)) return true;
  qCWarning(lcStartup).noquote() << "settings: cannot remove" << path_;
  return false;
}

namespace {
TViewerSettingsStore* theStore = nullptr;
}  // namespace

TViewerSettingsStore* ViewerSettingsStore() { return theStore; }
void SetViewerSettingsStore(TViewerSettingsStore* store) { theStore = store; }

}  // namespace lumicar
