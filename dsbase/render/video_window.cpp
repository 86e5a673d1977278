#include "dsbase/render/video_window.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

#include "dsbase/com/media_event_sink.h"
#include "dsbase/graph/video_renderer_interfaces.h"
#include "dsbase/render/video_frame_exchange.h"
#include "dsbase/render/video_surface.h"

namespace lumicar {

namespace {

constexpr QSize kDefaultSize(320, 240);

bool Frameless(int32_t style) { return (style & WS_CAPTION) != WS_CAPTION; }

}  // namespace

TDSVideoWindow::TDSVideoWindow(std::shared_ptr<TDSVideoFrameExchange> frames, TDSVideoRenderPath path)
    : QWidget(nullptr, Qt::Window),
      path_(path),
      frames_(std::move(frames)),
      surface_(DSCreateVideoSurface(path, frames_, this)),
      style_(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS) {
  setFocusPolicy(Qt::NoFocus);
  // Moves without a button pressed go to the drain as well, and show the
  // pointer again in full screen.
  setMouseTracking(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setAutoFillBackground(true);
  resize(kDefaultSize);
  surface_->Widget()->setGeometry(rect());

  idle_.setSingleShot(true);
  idle_.setInterval(kDefaultCursorIdleMs);
  connect(&idle_, &QTimer::timeout, this, &TDSVideoWindow::CursorIdleElapsed);
  connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
    if (fullScreen_ && screen == screen_) LoseFullScreenLater();
  });
  // Another application took over (the user switched away): the picture
  // gives up the screen as it would to a window placed over it.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (!fullScreen_) return;
    if (state == Qt::ApplicationActive)
      appWasActive_ = true;
    else if (appWasActive_)
      LoseFullScreenLater();
  });
}

TDSVideoWindow::~TDSVideoWindow() { disconnect(ownerGone_); }

void TDSVideoWindow::SetOwner(QWidget* owner) {
  if (owner != owner_.data()) {
    disconnect(ownerGone_);
    owner_ = owner;
    if (owner) {
      // A child window goes with its owner; a full-screen one is no child
      // and has to let go of the screen itself.
      ownerGone_ = connect(owner, &QObject::destroyed, this, [this] {
        if (!fullScreen_) return;
        shown_ = false;
        LeaveFullScreen(true);
      });
    }
  }
  if (!fullScreen_) ApplyWindowed();
}

void TDSVideoWindow::SetWindowStyle(int32_t style) {
  style_ = style;
  if (!fullScreen_) ApplyWindowed();
}

void TDSVideoWindow::SetShown(bool shown) {
  shown_ = shown;
  if (fullScreen_) return;
  ++switching_;
  setVisible(shown);
  --switching_;
}

void TDSVideoWindow::SetPlace(const QRect& place) {
  place_ = place;
  if (!fullScreen_) setGeometry(place);
}

QRect TDSVideoWindow::Place() const {
  if (!fullScreen_ && place_) return *place_;
  return geometry();
}

void TDSVideoWindow::ApplyWindowed() {
  QWidget* parent = owner_.data();
  const bool child = parent && (style_ & WS_CHILD);
  const bool frameless = !child && Frameless(style_);
  Qt::WindowFlags flags = child ? Qt::Widget : Qt::Window;
  if (frameless) flags |= Qt::FramelessWindowHint;
  ++switching_;
  const bool reparent = parentWidget() != parent || isWindow() == child ||
                        (!child && windowFlags().testFlag(Qt::FramelessWindowHint) != frameless);
  if (reparent) setParent(parent, flags);
  if (windowState() & Qt::WindowFullScreen) setWindowState(windowState() & ~Qt::WindowFullScreen);
  if (place_)
    setGeometry(*place_);
  else if (nativeSize_.isValid())
    resize(nativeSize_);
  setVisible(shown_);
  --switching_;
}

bool TDSVideoWindow::SetFullScreen(bool fullScreen) {
  if (fullScreen == fullScreen_) return true;
  if (!fullScreen) {
    LeaveFullScreen(false);
    return true;
  }
  QScreen* screen = owner_ ? owner_->screen() : this->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return false;
  ++switching_;
  fullScreen_ = true;
  ++fullScreenRound_;
  screen_ = screen;
  appWasActive_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
  setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
  setFocusPolicy(Qt::StrongFocus);
  setScreen(screen);
  // The geometry first: without a window manager that honours the
  // full-screen state it is what makes the window cover the screen.
  setGeometry(screen->geometry());
  showFullScreen();
  raise();
  activateWindow();
  setFocus(Qt::OtherFocusReason);
  --switching_;
  idleHidden_ = false;
  idle_.start();
  UpdateCursor();
  return true;
}

void TDSVideoWindow::LeaveFullScreen(bool lost) {
  if (!fullScreen_) return;
  ++switching_;
  fullScreen_ = false;
  screen_ = nullptr;
  idle_.stop();
  idleHidden_ = false;
  setFocusPolicy(Qt::NoFocus);
  ApplyWindowed();
  --switching_;
  UpdateCursor();
  if (lost && onEvent_) onEvent_(EC_FULLSCREEN_LOST);
}

void TDSVideoWindow::LoseFullScreenLater() {
  const uint64_t round = fullScreenRound_;
  QMetaObject::invokeMethod(
      this,
      [this, round] {
        if (fullScreen_ && fullScreenRound_ == round) LeaveFullScreen(true);
      },
      Qt::QueuedConnection);
}

void TDSVideoWindow::SetCursorHidden(bool hidden) {
  cursorHidden_ = hidden;
  UpdateCursor();
}

void TDSVideoWindow::OwnerEvent(QEvent* event) {
  // The owner went out of sight (its window closed or minimised): the
  // full-screen picture goes with it.
  if (event && event->type() == QEvent::Hide && fullScreen_) LoseFullScreenLater();
}

void TDSVideoWindow::GraphStarting() {
  if (autoShow_ && !shown_) SetShown(true);
}

void TDSVideoWindow::FrameArrived() { surface_->FrameArrived(); }

QImage TDSVideoWindow::GrabPicture() { return surface_->Grab(); }

void TDSVideoWindow::SetView(const TDSVideoView& view) { surface_->SetView(view); }

bool TDSVideoWindow::HasFrame() const { return frames_ && frames_->Current(); }

QImage TDSVideoWindow::CurrentFrame() const {
  // The painter's own frame, read on the painter's thread: it stays until
  // the next paint takes a newer one.
  const TDSVideoFrame* frame = frames_ ? frames_->Current() : nullptr;
  if (!frame || !frame->pixels) return {};
  const TDSFrameFormat& from = frame->format;
  if (from.width <= 0 || from.height <= 0 || frame->size < DSFrameBytes(from)) return {};
  QImage picture(from.width, from.height, QImage::Format_RGB32);
  if (picture.isNull()) {
    qCWarning(lcVideoRender) << "no memory for a" << from.width << "x" << from.height << "copy of the frame shown";
    return {};
  }
  // Converted as the painting surface does, so both paths give the same.
  const TDSFrameFormat to{vfRGBA32, from.width, from.height, false, int(picture.bytesPerLine()), nullptr};
  TDSFrameConverter converter;
  converter.Convert(frame->pixels, from, picture.bits(), to);
  return picture;
}

void TDSVideoWindow::CursorIdleElapsed() {
  if (!fullScreen_) return;
  idleHidden_ = true;
  UpdateCursor();
}

bool TDSVideoWindow::CursorShown() const { return cursor().shape() != Qt::BlankCursor; }

void TDSVideoWindow::NoteActivity() {
  if (!fullScreen_) return;
  if (idleHidden_) {
    idleHidden_ = false;
    UpdateCursor();
  }
  idle_.start();
}

void TDSVideoWindow::UpdateCursor() {
  if (cursorHidden_ || idleHidden_)
    setCursor(Qt::BlankCursor);
  else
    unsetCursor();
}

bool TDSVideoWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
      NoteActivity();
      if (ForwardToDrain(event)) return true;
      break;
    case QEvent::ContextMenu:
    case QEvent::KeyRelease:
      if (ForwardToDrain(event)) return true;
      break;
    case QEvent::ShortcutOverride:
      // Esc belongs to the full-screen window, whatever shortcut the
      // application has on it.
      if (fullScreen_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (fullScreen_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        LeaveFullScreen(true);
        return true;
      }
      if (ForwardToDrain(event)) return true;
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

QPointF TDSVideoWindow::DrainPoint(const QPointF& local, const QPointF& global) const {
  QWidget* drain = drain_.data();
  if (fullScreen_ && place_ && !place_->isEmpty() && width() > 0 && height() > 0) {
    // The point of the picture where it was before full screen, so that the
    // drain reads positions on the picture the same way in both modes.
    const QRectF place(*place_);
    const QPointF inPlace(place.x() + local.x() * place.width() / width(),
                          place.y() + local.y() * place.height() / height());
    const bool child = owner_ && (style_ & WS_CHILD);
    return drain->mapFromGlobal(child ? owner_->mapToGlobal(inPlace) : inPlace);
  }
  return drain->mapFromGlobal(global);
}

bool TDSVideoWindow::ForwardToDrain(QEvent* event) {
  QWidget* drain = drain_.data();
  if (!drain || drain == this) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPointF local = DrainPoint(mouse->position(), mouse->globalPosition());
      QMouseEvent copy(mouse->type(), local, drain->mapTo(drain->window(), local), mouse->globalPosition(),
                       mouse->button(), mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
      copy.setTimestamp(mouse->timestamp());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      const QPointF local = DrainPoint(wheel->position(), wheel->globalPosition());
      QWheelEvent copy(local, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                       wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source(), wheel->pointingDevice());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::ContextMenu: {
      auto* menu = static_cast<QContextMenuEvent*>(event);
      const QPointF local = DrainPoint(QPointF(menu->pos()), QPointF(menu->globalPos()));
      QContextMenuEvent copy(menu->reason(), local.toPoint(), menu->globalPos(), menu->modifiers());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                     key->nativeModifiers(), key->text(), key->isAutoRepeat(), quint16(key->count()), key->device());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    default:
      return false;
  }
  event->accept();
  return true;
}

void TDSVideoWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  surface_->Widget()->setGeometry(rect());
}

void TDSVideoWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Hidden by someone else while covering the screen (minimised, or the
  // window system took it away).
  if (fullScreen_ && !switching_) LoseFullScreenLater();
}

void TDSVideoWindow::closeEvent(QCloseEvent* event) {
  if (fullScreen_) {
    event->ignore();
    LoseFullScreenLater();
    return;
  }
  shown_ = false;
  QWidget::closeEvent(event);
}

}  // namespace lumicar
