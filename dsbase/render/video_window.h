#pragma once
// The video renderer's window: a child of its owner's window at the place
// the owner gives it (or a window of its own), or covering the owner's
// screen in full-screen mode. Its mouse and keyboard input goes to the
// message drain; in full screen it hides the idle mouse pointer and leaves
// by itself on Esc or when it loses the screen. Lives on the user-interface
// thread; the picture inside is a video surface.

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "dsbase/render/video_render_path.h"
#include "dsbase/render/video_view.h"

class QScreen;

namespace lumicar {

class TDSVideoFrameExchange;
class TDSVideoSurface;

class TDSVideoWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultCursorIdleMs = 2000;

  TDSVideoWindow(std::shared_ptr<TDSVideoFrameExchange> frames, TDSVideoRenderPath path);
  ~TDSVideoWindow() override;

  // Receives the graph events the window raises (EC_FULLSCREEN_LOST).
  void SetEventHandler(std::function<void(int32_t code)> handler) { onEvent_ = std::move(handler); }

  // nullptr: a window of its own. With WS_CHILD in the style the window is a
  // child of the owner's window, else a window of its own above it.
  void SetOwner(QWidget* owner);
  QWidget* Owner() const { return owner_.data(); }
  void SetMessageDrain(QWidget* drain) { drain_ = drain; }
  QWidget* MessageDrain() const { return drain_.data(); }
  void SetWindowStyle(int32_t style);
  int32_t WindowStyle() const { return style_; }
  void SetAutoShow(bool autoShow) { autoShow_ = autoShow; }
  bool AutoShow() const { return autoShow_; }
  // Shown in its place; in full screen this is what leaving restores.
  void SetShown(bool shown);
  bool Shown() const { return fullScreen_ || shown_; }
  // The place in the owner's coordinates (screen coordinates without an
  // owner); in full screen this is what leaving restores.
  void SetPlace(const QRect& place);
  QRect Place() const;
  // The frame size, for a window that was never given a place.
  void SetNativeSize(const QSize& size) { nativeSize_ = size; }
  // False when there is no screen to cover.
  bool SetFullScreen(bool fullScreen);
  bool FullScreen() const { return fullScreen_; }
  void SetCursorHidden(bool hidden);
  bool CursorHidden() const { return cursorHidden_; }
  // An event the owner's window received.
  void OwnerEvent(QEvent* event);
  // The graph starts: shows the window when it shows itself.
  void GraphStarting();
  // A newer frame waits: paint it.
  void FrameArrived();
  // The picture as the window shows it now.
  QImage GrabPicture();
  // How the picture is shown: zoom, pan, quarter turns, freeze.
  void SetView(const TDSVideoView& view);
  // The frame shown now (the held one while frozen) at its own size, top
  // down, unturned and uncropped, as 32-bit RGB; a null image before the
  // first frame or for a frame too short for its format.
  QImage CurrentFrame() const;
  // A frame has been painted (and is kept for repaints).
  bool HasFrame() const;
  TDSVideoRenderPath Path() const { return path_; }

  // The mouse pointer disappears this long after the last movement in full
  // screen.
  void SetCursorIdleTimeout(int ms) { idle_.setInterval(ms); }
  bool CursorIdlePending() const { return idle_.isActive(); }
  // What the idle timer does when it runs out.
  void CursorIdleElapsed();
  bool CursorShown() const;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Parent, window flags, geometry and visibility of the windowed state.
  void ApplyWindowed();
  void LeaveFullScreen(bool lost);
  // Leaves full screen once control is back in the event loop (not from
  // inside Qt's own handling of the event that lost the screen).
  void LoseFullScreenLater();
  bool ForwardToDrain(QEvent* event);
  QPointF DrainPoint(const QPointF& local, const QPointF& global) const;
  void NoteActivity();
  void UpdateCursor();

  const TDSVideoRenderPath path_;
  const std::shared_ptr<TDSVideoFrameExchange> frames_;
  TDSVideoSurface* surface_;  // a child widget
  std::function<void(int32_t)> onEvent_;

  QPointer<QWidget> owner_;
  QPointer<QWidget> drain_;
  QMetaObject::Connection ownerGone_;
  int32_t style_;
  bool autoShow_ = true;
  bool shown_ = false;
  std::optional<QRect> place_;
  QSize nativeSize_;

  bool fullScreen_ = false;
  uint64_t fullScreenRound_ = 0;  // counts the times full screen was entered
  int switching_ = 0;             // inside our own parent or state change
  QPointer<QScreen> screen_;
  bool appWasActive_ = false;  // the application was active since full screen began

  bool cursorHidden_ = false;
  bool idleHidden_ = false;
  QTimer idle_;
};

}  // namespace lumicar
