#pragma once
// A top-level window as the X server and its window manager see it, read
// straight from the server, and the requests a window manager takes from a
// mapped window. Qt's own view of a window follows the window manager's
// answers only as its events arrive; these arrive late and, between several
// requests, out of order, so a window that must end in a given state reads
// the truth here and asks again where it differs.
//
// Everything here is a no-op on other platforms (Wayland, offscreen): the
// readers return an unknown state and the requests return false.

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWindow>
#include <functional>

namespace lumicar {

struct TX11WindowState {
  // The platform is X11, the window has a native window and could be read.
  bool known = false;
  bool mapped = false;
  // The inside of the window on the root window.
  QRect client;
  // The frame the window manager put around it (_NET_FRAME_EXTENTS); none
  // without a window manager or a frame.
  QMargins frame;
  // The window manager's _NET_WM_STATE.
  bool fullScreen = false;
  bool maximized = false;  // both directions
  bool above = false;
  QRect Outer() const { return client.marginsAdded(frame); }
  bool operator==(const TX11WindowState&) const = default;
};

// Whether the application runs on X11.
bool X11Platform();
// Whether a window manager runs (it announces itself with
// _NET_SUPPORTING_WM_CHECK on the root window).
bool X11WindowManagerRunning();
// Reads the window's state from the server (one round trip per item).
TX11WindowState ReadX11WindowState(const QWindow* window);

// The _NET_WM_STATE atoms a request names.
enum class TX11NetState { kAbove, kFullScreen, kMaximized };
// Asks the window manager to add or remove a state of a mapped window (the
// request a window manager's own buttons make). False when it cannot be sent.
bool RequestX11NetState(const QWindow* window, TX11NetState state, bool add);
// Asks for the window's outer frame at outer (the window is placed by its
// frame's top-left corner; the size is the inside's). False when it cannot be sent.
bool RequestX11Geometry(const QWindow* window, const QRect& client, const QMargins& frame);

// Calls back for every configure notification of the window and every change
// of its window-manager state or frame extents, before Qt handles the event.
class TX11WindowWatch : public QAbstractNativeEventFilter {
 public:
  TX11WindowWatch(QWindow* window, std::function<void()> onChange);
  ~TX11WindowWatch() override;
  TX11WindowWatch(const TX11WindowWatch&) = delete;
  TX11WindowWatch& operator=(const TX11WindowWatch&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QPointer<QWindow> window_;
  std::function<void()> onChange_;
};

}  // namespace lumicar
