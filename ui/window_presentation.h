#pragma once
// TWindowPresentation: holds a top-level window to the presentation last
// asked for (normal at an outer rectangle, maximised, or full screen) until
// the platform shows exactly that. Under a window manager on X11 the
// answers to state and geometry requests come late and, when requests follow
// each other quickly, out of order with them: the window could end screen-
// sized while the state says normal, or a frame's height off its place.
// After every configure notification and every change of the window
// manager's state or frame extents the window's state is read back from the
// server, and what differs from the presentation asked for is asked again.
// Once the window shows it, the presentation is settled and the window is
// left alone (the user may move it).
//
// Without a window manager Qt places the window itself, synchronously, and
// on other platforms nothing can be read back: both are left to Qt.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <memory>

#include "ui/x11_window.h"

class QWidget;

namespace lumicar {

class TWindowPresentation : public QObject {
  Q_OBJECT
 public:
  enum class TKind { kNormal, kMaximized, kFullScreen };

  explicit TWindowPresentation(QWidget* window);
  ~TWindowPresentation() override;

  // Normal at outer (frame included); framed says whether the window manager
  // is to put a frame around it.
  void AskNormal(const QRect& outer, bool framed);
  void AskMaximized();
  void AskFullScreen();
  // True when the platform shows what was asked last (or nothing was asked).
  bool Settled() const { return settled_; }
  // The last normal outer rectangle the platform showed, frame included;
  // invalid before it showed one.
  QRect LastNormalOuter() const { return lastNormalOuter_; }
  // Re-reads the window (its native window may be new).
  void Watch();
  // Checks the window again once the events now queued are handled (Qt's
  // own move, resize and state events call this).
  void Schedule();

 private:
  void Ask(TKind kind);
  void Reconcile();

  QPointer<QWidget> window_;
  std::unique_ptr<TX11WindowWatch> watch_;
  TKind kind_ = TKind::kNormal;
  QRect outer_;
  bool framed_ = true;
  bool settled_ = true;
  bool scheduled_ = false;
  int requests_ = 0;
  // The window as the server showed it when the last request was made: a
  // request is repeated only after the window manager has answered something
  // since (answers to requests still on their way are not refusals).
  TX11WindowState seenAtRequest_;
  QRect lastNormalOuter_;
};

}  // namespace lumicar
