#include "app/startup.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QTimer>
#include <QtGlobal>

#include "app/about_form.h"
#include "app/icon.h"
#include "app/main_form.h"
#include "app/viewer_classes.h"
#include "buffers/block_pool.h"
#include "buffers/pool_trim_clock.h"
#include "kernels/dispatch/dispatch.h"
#include "runtime/component.h"
#include "ui/application.h"
#include "ui/message_box.h"

namespace lumicar {

namespace {

const char kTitle[] = "Lumicar";

}  // namespace

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

int RunViewer(int& argc, char** argv) {
  ChoosePlatform();
  // The kernel tables are bound once, before any component can call a kernel.
  InitializeKernelDispatch();
  {
    TViewerApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kTitle));
    QApplication::setApplicationVersion(QStringLiteral("1.1.2.0"));
    // The desktop finds the installed launcher and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumicar"));
    QApplication::setWindowIcon(ViewerIcon());
    SetApplicationTitle(QString::fromLatin1(kTitle));

    // The block pool gives unused frame blocks back to the system on the
    // user-interface thread's own clock.
    TSLPoolTrimClock trimClock;
    QTimer trimTimer;
    trimTimer.setInterval(SLMemoryTickInterval);
    QObject::connect(&trimTimer, &QTimer::timeout, [&trimClock] { trimClock.Advance(); });
    trimTimer.start();

    try {
      TViewerWindows windows = CreateViewerWindows();
      QApplication::exec();
    } catch (const Exception& e) {
      ShowErrorMessage(e.Message());
    }
    TLPForm::SetMainForm(nullptr);
  }
  SLMemoryCleanUp();
  FinalizeKernelDispatch();
  return 0;
}

}  // namespace lumicar
