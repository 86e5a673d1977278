#pragma once
// Start-up: the platform choice made before Qt starts, the windows made at
// start-up, and the whole run of the program from the application object to
// the end of its event loop.

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <memory>

namespace lumicar {

class TForm1;
class TForm2;

// The Qt platform to ask for, or empty to leave Qt's own choice: on a Wayland
// session that also offers an X server (XWayland), and when the user named
// no platform, X11 ("xcb") if its plugin is there, because stay-on-top and
// placing a window centred only work there.
QString PreferredPlatform(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display,
                          bool xcbAvailable);
// Whether Qt's X11 platform plugin is installed.
bool XcbPlatformAvailable();
// Whether no platform Qt could start here has a display to show windows on:
// no platform named (or the X11 or Wayland one) and neither DISPLAY nor
// WAYLAND_DISPLAY set. Qt would abort the program then.
bool NoGraphicalDisplay(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay, const QByteArray& display);
// The one line the program says then.
QString NoGraphicalDisplayMessage();
// Whether one of the installed fonts has every character of text (the
// captions are Japanese: without a Japanese font they show as boxes).
bool InstalledFontCovers(const QString& text);
// Names the package to install when no installed font covers the captions,
// in the log; after the application object exists.
void CheckCaptionFont();
// Sets QT_QPA_PLATFORM from PreferredPlatform and the environment, and says
// so in the log. Before the application object exists.
void ChoosePlatform();

// The application object: a library exception that reaches the event loop
// from any event handler goes to the standard error box, and the program
// goes on.
class TViewerApplication : public QApplication {
 public:
  TViewerApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The two windows that live as long as the program: the main window (made
// first, so it is the main form whose closing ends the program; shown) and
// the About window (made hidden, belonging to the main window).
struct TViewerWindows {
  TViewerWindows();
  TViewerWindows(TViewerWindows&&) noexcept;
  TViewerWindows& operator=(TViewerWindows&& other) noexcept;
  ~TViewerWindows();
  std::unique_ptr<TForm1> main;
  std::unique_ptr<TForm2> about;
};
// Puts the two windows together: main is the main form and gets about
// (which belongs to main's window, hidden) for its version command; main is
// shown.
TViewerWindows AssembleViewerWindows(std::unique_ptr<TForm1> main, std::unique_ptr<TForm2> about);
// Makes both from their designs (main first) and puts them together.
TViewerWindows CreateViewerWindows();

// The program: the command line (app/command_line.h), then application
// object and title, the windows, the event loop. A library exception that
// escapes start-up or the loop is shown in the standard error box and ends
// the program. Returns the exit code: 0; 1 without a display; 2 for a
// mistake on the command line (one line on standard error).
int RunViewer(int& argc, char** argv);

}  // namespace lumicar
