#include "app/startup.h"

#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QRawFont>
#include <QTimer>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/about_form.h"
#include "app/app_log.h"
#include "app/command_line.h"
#include "app/icon.h"
#include "app/main_form.h"
#include "app/viewer_classes.h"
#include "app/viewer_settings.h"
#include "buffers/block_pool.h"
#include "buffers/pool_trim_clock.h"
#include "capture/camera_replug.h"
#include "capture/ds_capture.h"
#include "dsbase/camera/camera_watch.h"
#include "kernels/dispatch/dispatch.h"
#include "runtime/component.h"
#include "ui/application.h"
#include "ui/message_box.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcStartup, "lumicar.app")

namespace {

const char kTitle[] = "Lumicar";
// The Debian package of the Japanese Gothic face the designs name.
const char kFontPackage[] = "fonts-ipafont-gothic";

}  // namespace

bool NoGraphicalDisplay(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display) {
  const QByteArray platform = qpaPlatform.split(':').front().trimmed();
  if (platform.isEmpty()) return waylandDisplay.isEmpty() && display.isEmpty();
  if (platform == "xcb") return display.isEmpty();
  if (platform.startsWith("wayland")) return waylandDisplay.isEmpty();
  // offscreen, vnc, eglfs and the like need no display server.
  return false;
}

QString NoGraphicalDisplayMessage() {
  return QStringLiteral(
      "Lumicar: no graphical display was found (neither DISPLAY nor WAYLAND_DISPLAY is set); start the viewer "
      "from a desktop session, or name the display, e.g. DISPLAY=:0 lumicar");
}

bool InstalledFontCovers(const QString& text) {
  QList<uint> characters;
  for (uint c : text.toUcs4()) {
    if (c > ' ' && !characters.contains(c)) characters.append(c);
  }
  QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
  for (const QString& family : QFontDatabase::families()) {
    if (!families.contains(family)) families.append(family);
  }
  for (const QString& family : families) {
    const QRawFont raw = QRawFont::fromFont(QFont(family));
    if (!raw.isValid()) continue;
    const bool all =
        std::all_of(characters.begin(), characters.end(), [&raw](uint c) { return raw.supportsCharacter(c); });
    if (all) return true;
  }
  return false;
}

void CheckCaptionFont() {
  // A sample of the menu's captions: kana, kanji and the full-width letters of
  // the face's name.
  if (InstalledFontCovers(QString::fromUtf8("フルスクリーン上下反転常に手前に表示ビデオ設定終了ＭＳ"))) return;
  qCWarning(lcStartup,
            "Lumicar: no installed font has the Japanese characters of the menus and captions, which show as boxes; "
            "install the package %s (on Debian: sudo apt-get install %s)",
            kFontPackage, kFontPackage);
}

QString PreferredPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display,
                          bool xcbAvailable) {
  if (!qpaPlatform.isEmpty() || waylandDisplay.isEmpty() || display.isEmpty() || !xcbAvailable) return {};
  return QStringLiteral("xcb");
}

bool XcbPlatformAvailable() {
  const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
  return QFileInfo::exists(plugins + QStringLiteral("/platforms/libqxcb.so"));
}

void ChoosePlatform() {
  const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
  const QString platform =
      PreferredPlatform(qgetenv("QT_QPA_PLATFORM"), wayland, qgetenv("DISPLAY"), XcbPlatformAvailable());
  if (platform.isEmpty()) return;
  qputenv("QT_QPA_PLATFORM", platform.toLatin1());
  qInfo(
      "Lumicar: Wayland session (%s): using the X11 platform through XWayland, so that stay-on-top and "
      "centring work; set QT_QPA_PLATFORM=wayland to use Wayland itself.",
      wayland.constData());
}

TViewerApplication::TViewerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TViewerApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const Exception& e) {
    HandleException(e);
    return false;
  }
}

TViewerWindows::TViewerWindows() = default;
TViewerWindows::TViewerWindows(TViewerWindows&&) noexcept = default;

TViewerWindows& TViewerWindows::operator=(TViewerWindows&& other) noexcept {
  if (this == &other) return *this;
  // The About window belongs to the main window's window: it goes first.
  about.reset();
  main.reset();
  main = std::move(other.main);
  about = std::move(other.about);
  return *this;
}

TViewerWindows::~TViewerWindows() {
  about.reset();
  main.reset();
}

TViewerWindows AssembleViewerWindows(std::unique_ptr<TForm1> main, std::unique_ptr<TForm2> about) {
  TViewerWindows windows;
  windows.main = std::move(main);
  windows.about = std::move(about);
  TLPForm::SetMainForm(windows.main.get());
  windows.about->SetOwnerForm(windows.main.get());
  windows.main->SetAboutForm(windows.about.get());
  windows.main->Show();
  return windows;
}

TViewerWindows CreateViewerWindows() {
  RegisterViewerClasses();
  std::unique_ptr<TForm1> main(NewComponent<TForm1>(nullptr));
  std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
  return AssembleViewerWindows(std::move(main), std::move(about));
}

namespace {

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc && argv[i]; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  return arguments;
}

}  // namespace

int RunViewer(int& argc, char** argv) {
  // The command line first: a mistake in it, and the commands that only
  // print, need no display.
  const TParsedCommandLine line = ParseViewerCommandLine(ArgumentsOf(argc, argv));
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "lumicar: %s\n", qPrintable(line.error));
    return kUsageExitCode;
  }
  const TViewerOptions& options = line.options;
  if (options.PrintsOnly()) return RunPrintingCommand(argc, argv, options);
  std::optional<TViewerCamera> camera;
  if (!options.device.isEmpty()) {
    camera = FindViewerCamera(ListViewerCameras(), options.device);
    if (!camera) {
      std::fprintf(stderr, "lumicar: no camera named '%s' is present (lumicar --list-devices lists them)\n",
                   qPrintable(options.device));
      return kUsageExitCode;
    }
  }
  if (NoGraphicalDisplay(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"))) {
    qCCritical(lcStartup).noquote() << NoGraphicalDisplayMessage();
    return 1;
  }
  ChoosePlatform();
  // The kernel tables are bound once, before any component can call a kernel.
  InitializeKernelDispatch();
  {
    TViewerApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kTitle));
    QApplication::setApplicationVersion(ViewerVersion());
    // The desktop finds the installed launcher and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumicar"));
    QApplication::setWindowIcon(ViewerIcon());
    SetApplicationTitle(QString::fromLatin1(kTitle));
    CheckCaptionFont();
    // Before the window reads what it remembers.
    if (options.resetSettings) ResetViewerSettings();

    // The block pool gives unused frame blocks back to the system on the
    // user-interface thread's own clock.
    TSLPoolTrimClock trimClock;
    QTimer trimTimer;
    trimTimer.setInterval(SLMemoryTickInterval);
    QObject::connect(&trimTimer, &QTimer::timeout, [&trimClock] { trimClock.Advance(); });
    trimTimer.start();

    // What the user chose in the last run; kept again on every change.
    TViewerSettingsStore settings(TViewerSettingsStore::DefaultPath());
    SetViewerSettingsStore(&settings);
    try {
      TViewerWindows windows = CreateViewerWindows();
      ApplyViewerOptions(*windows.main, options, camera);
      // Declared after the windows, so it stops before they go: nothing it
      // posted reaches a capture that is gone.
      TDSCameraWatch cameraWatch;
      ConnectCameraWatch(cameraWatch, *windows.main->VLDSCapture1);
      cameraWatch.Start();
      QApplication::exec();
    } catch (const Exception& e) {
      ShowErrorMessage(e.Message());
    }
    TLPForm::SetMainForm(nullptr);
    SetViewerSettingsStore(nullptr);
  }
  SLMemoryCleanUp();
  FinalizeKernelDispatch();
  return 0;
}

}  // namespace lumicar
