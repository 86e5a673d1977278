#include "ui/window_presentation.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "ui/x11_window.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcPresentation, "lumicar.ui.presentation")

namespace {

// Requests one presentation may make before it gives up: every window
// manager answers a repeated request eventually, so more would mean one that
// refuses it (a tiling manager refusing a size, say), not one that is late.
constexpr int kMaxRequests = 12;

const char* KindName(TWindowPresentation::TKind kind) {
  switch (kind) {
    case TWindowPresentation::TKind::kNormal:
      return "normal";
    case TWindowPresentation::TKind::kMaximized:
      return "maximised";
    case TWindowPresentation::TKind::kFullScreen:
      return "full screen";
  }
  return "?";
}

}  // namespace

TWindowPresentation::TWindowPresentation(QWidget* window) : QObject(window), window_(window) {}

TWindowPresentation::~TWindowPresentation() = default;

void TWindowPresentation::Watch() {
  QWindow* handle = window_ ? window_->windowHandle() : nullptr;
  watch_.reset();
  if (handle == nullptr || !X11Platform()) return;
  watch_ = std::make_unique<TX11WindowWatch>(handle, [this] { Schedule(); });
}

void TWindowPresentation::AskNormal(const QRect& outer, bool framed) {
  outer_ = outer;
  framed_ = framed;
  Ask(TKind::kNormal);
}

void TWindowPresentation::AskMaximized() { Ask(TKind::kMaximized); }
void TWindowPresentation::AskFullScreen() { Ask(TKind::kFullScreen); }

void TWindowPresentation::Ask(TKind kind) {
  kind_ = kind;
  requests_ = 0;
  // Elsewhere Qt's view is all there is to know.
  settled_ = !X11Platform();
  if (settled_) return;
  if (!watch_) Watch();
  // Qt has just made its own requests for this presentation, but maybe not
  // all (it leaves out what it believes is there already): the first check
  // asks for whatever differs.
  seenAtRequest_ = TX11WindowState();
  Schedule();
}

void TWindowPresentation::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  // After Qt has handled the event that brought us here.
  QMetaObject::invokeMethod(
      this,
      [this] {
        scheduled_ = false;
        Reconcile();
      },
      Qt::QueuedConnection);
}

void TWindowPresentation::Reconcile() {
  QWidget* window = window_.data();
  QWindow* handle = window != nullptr ? window->windowHandle() : nullptr;
  if (handle == nullptr) return;
  const TX11WindowState s = ReadX11WindowState(handle);
  if (!s.known) {
    settled_ = true;
    return;
  }
  if (!s.mapped) return;  // mapping brings the next events
  if (!s.fullScreen && !s.maximized && (s.frame != QMargins() || !framed_)) lastNormalOuter_ = s.Outer();
  if (settled_) return;
  if (!X11WindowManagerRunning()) {
    // Qt has placed the window itself.
    settled_ = true;
    return;
  }
  // Nothing answered since the last request: it is still on its way.
  const bool answered = !(s == seenAtRequest_);
  const auto ask = [&](auto&& request) {
    if (!answered) return;
    seenAtRequest_ = s;
    if (requests_ >= kMaxRequests) {
      if (requests_++ == kMaxRequests)
        qCWarning(lcPresentation, "the window manager does not give the window the %s presentation; left as it is",
                  KindName(kind_));
      return;
    }
    ++requests_;
    request();
  };
  switch (kind_) {
    case TKind::kFullScreen: {
      if (s.maximized) ask([&] { RequestX11NetState(handle, TX11NetState::kMaximized, false); });
      if (!s.fullScreen) {
        ask([&] { RequestX11NetState(handle, TX11NetState::kFullScreen, true); });
        return;
      }
      QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
      if (screen == nullptr || s.client != screen->geometry()) return;  // the window manager is placing it
      break;
    }
    case TKind::kMaximized:
      if (s.fullScreen) ask([&] { RequestX11NetState(handle, TX11NetState::kFullScreen, false); });
      if (!s.maximized) ask([&] { RequestX11NetState(handle, TX11NetState::kMaximized, true); });
      if (s.fullScreen || !s.maximized) return;
      break;
    case TKind::kNormal:
      if (s.fullScreen) ask([&] { RequestX11NetState(handle, TX11NetState::kFullScreen, false); });
      if (s.maximized) ask([&] { RequestX11NetState(handle, TX11NetState::kMaximized, false); });
      if (s.fullScreen || s.maximized) return;
      // A frame comes with its extents: until then the outer size is unknown.
      if (framed_ && s.frame == QMargins()) return;
      if (outer_.isValid() && s.Outer() != outer_) {
        const QMargins frame = s.frame;
        ask([&] { RequestX11Geometry(handle, outer_.marginsRemoved(frame), frame); });
        return;
      }
      break;
  }
  // The server shows it; Qt's own view follows with the events in its queue
  // (the window's move and resize events bring us back here).
  if (window->geometry() != s.client) return;
  settled_ = true;
}

}  // namespace lumicar
