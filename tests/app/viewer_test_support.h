#pragma once
// What the viewer's tests share: the main window read from its own design
// (with the display class a test chooses), the synthetic camera as the
// default device, counting the capture's restarts, answering modal dialogs
// (the device dialog by choosing a device), and finding the test pattern's
// marker in a picture.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/about_form.h"
#include "app/main_form.h"

namespace lumicar::test {

// The main window without a design of its own: the test reads the viewer's
// design into it, naming the display class the test can show.
class TTestForm1 : public TForm1 {
  Q_OBJECT
 public:
  using TForm1::TForm1;
  QString DesignResource() const override { return {}; }
};

// The viewer's design text, compiled into the program.
QByteArray ViewerDesignText();
// What a test changes in the viewer's design before reading it.
struct TDesignChanges {
  // The camera is asked for this many frames a second (0: as the design
  // says). Sanitizer builds paint the synthetic camera's large frames slowly;
  // a low rate keeps every frame whole.
  int framesPerSecond = 0;
  // The capture does not start when the window is read.
  bool captureDisabled = false;
};

// The main window read from the viewer's design with the changes. Registers
// the viewer's classes first.
std::unique_ptr<TTestForm1> MakeMainWindow(const TDesignChanges& changes);

// Counts the capture's orderly stops (each restart makes one).
class TStopCounter {
 public:
  explicit TStopCounter(TVLDSCapture* capture);
  int Stops() const { return *stops_; }

 private:
  std::shared_ptr<int> stops_ = std::make_shared<int>(0);
};

// While it lives, every modal dialog that opens is answered at once with
// reject (Cancel); counts them.
class TModalAnswerer {
 public:
  TModalAnswerer();
  int Answered() const { return answered_; }

 private:
  QTimer timer_;
  int answered_ = 0;
};

// While it lives, answers the device dialog as a user does: selects the line
// with the chosen name and presses OK. When the list has no such line (the
// camera is not plugged in), presses Cancel, or OK on the line shown
// preselected when told to. Any other modal dialog is rejected and counted.
class TDeviceChooser {
 public:
  enum class TIfMissing { Cancel, AcceptAsShown };

  explicit TDeviceChooser(const QString& name, TIfMissing ifMissing = TIfMissing::Cancel);
  // Device dialogs answered by choosing the name.
  int Chosen() const { return chosen_; }
  // Device dialogs that did not list the name.
  int Missing() const { return missing_; }
  // Modal dialogs other than the device dialog, and what they said (a
  // message box's text, another dialog's title).
  int Others() const { return others_; }
  QStringList OtherTexts() const { return otherTexts_; }
  // The lines of the device dialog seen last.
  QStringList LastLines() const { return lastLines_; }
  // Run when a device dialog is seen, before it is answered (something the
  // user does while the dialog is open).
  void SetOnShown(std::function<void()> onShown) { onShown_ = std::move(onShown); }

 private:
  void Answer();

  QString name_;
  TIfMissing ifMissing_;
  std::function<void()> onShown_;
  QTimer timer_;
  int chosen_ = 0, missing_ = 0, others_ = 0;
  QStringList lastLines_, otherTexts_;
};

// Where the test pattern's corner marker (and the frame counter under it)
// is in picture: the centre of the pixels that differ from the picture's
// middle row. The pattern's bars are the same in every row, turned or not,
// so only the marker and counter differ; rows of one colour (bands around
// the picture) are left out. (-1, -1) when nothing differs.
QPoint FindPatternMarker(const QImage& picture);

}  // namespace lumicar::test
