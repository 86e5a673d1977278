#pragma once
// The viewer's command line: what it asks of the start-up (a camera, full
// screen, the picture turned, the remembered settings forgotten) and the
// commands that answer without a window (help, version, the camera list).
// Everything here works without a display.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QTextStream;

namespace lumicar {

class TForm1;

struct TViewerOptions {
  bool fullScreen = false;
  bool flip = false;
  bool resetSettings = false;
  // The camera asked for, as given (shown name, identity or node); empty
  // when none was asked for and the window keeps its own choice.
  QString device;
  // The commands that print and end the program.
  bool help = false;
  bool version = false;
  bool listDevices = false;

  bool PrintsOnly() const { return help || version || listDevices; }
};

// The outcome of reading the arguments (the program's name first, as in
// argv): the options, or the one line that says what was wrong (the program
// then ends with kUsageExitCode).
struct TParsedCommandLine {
  TViewerOptions options;
  QString error;
};
inline constexpr int kUsageExitCode = 2;

TParsedCommandLine ParseViewerCommandLine(const QStringList& arguments);
// The --help text.
QString ViewerHelpText();
// "1.1.2.0" and "lumicar 1.1.2.0": the project version, the program's file
// and product version as it always was.
QString ViewerVersion();
QString ViewerVersionText();

// One camera of the video input category as the command line names it.
struct TViewerCamera {
  QString shownName;  // as the device dialog shows it (numbered when alike)
  QString identity;   // the stable name a choice is found again by
  QString node;       // /dev/videoN, or the synthetic camera's own path
};
// The cameras present now, in the device dialog's order.
std::vector<TViewerCamera> ListViewerCameras();
// The camera `given` names: by shown name first, then by identity (whole, or
// the part after the category), then by node (a link such as
// /dev/v4l/by-id/... names the node it points at). None when nothing
// matches.
std::optional<TViewerCamera> FindViewerCamera(const std::vector<TViewerCamera>& cameras, const QString& given);

// --list-devices: every camera as a block (names, node, then its formats
// with sizes and frame rates) on out. 0, or 1 with a line on err when no
// camera at all is listed.
int ListViewerDevices(QTextStream& out, QTextStream& err);

// Forgets the viewer's remembered settings (removes the settings file);
// runs before the window is made.
void ResetViewerSettings();

// What the options ask of the window once it is shown: the camera (chosen
// in the capture with one restart, since the window starts its capture
// while it reads its design; none when it remembered that camera), then the
// picture turned, then full screen (each only when the window, as it
// remembered itself, is not so already).
// A command that fails is reported as the menu reports it; the rest still
// run.
void ApplyViewerOptions(TForm1& form, const TViewerOptions& options, const std::optional<TViewerCamera>& camera);

// Runs a printing command (help, version or the camera list) on its own
// application object without a display; returns the exit code.
int RunPrintingCommand(int& argc, char** argv, const TViewerOptions& options);

}  // namespace lumicar
