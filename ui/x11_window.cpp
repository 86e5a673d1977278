#include "ui/x11_window.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace lumicar {

Q_LOGGING_CATEGORY(lcX11Window, "lumicar.ui.x11")

namespace {

template <typename T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* Connection() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  return it.rem > 0 ? it.data->root : XCB_NONE;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  TReply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The well-known atoms, interned once per connection.
struct TAtoms {
  xcb_atom_t wmState, above, fullScreen, maxVert, maxHorz, frameExtents, supportingWmCheck;
};

const TAtoms& Atoms(xcb_connection_t* c) {
  static xcb_connection_t* owner = nullptr;
  static TAtoms atoms{};
  if (owner != c) {
    atoms = {Atom(c, "_NET_WM_STATE"),
             Atom(c, "_NET_WM_STATE_ABOVE"),
             Atom(c, "_NET_WM_STATE_FULLSCREEN"),
             Atom(c, "_NET_WM_STATE_MAXIMIZED_VERT"),
             Atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ"),
             Atom(c, "_NET_FRAME_EXTENTS"),
             Atom(c, "_NET_SUPPORTING_WM_CHECK")};
    owner = c;
  }
  return atoms;
}

// A property of 32-bit items; empty when it is not there.
std::vector<uint32_t> Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
  TReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 64), nullptr), &std::free);
  if (!reply || reply->format != 32) return {};
  const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  return std::vector<uint32_t>(data, data + count);
}

xcb_window_t NativeWindow(const QWindow* window) {
  if (window == nullptr || window->handle() == nullptr) return XCB_NONE;
  return static_cast<xcb_window_t>(window->winId());
}

bool SendNetState(xcb_connection_t* c, xcb_window_t window, bool add, xcb_atom_t first, xcb_atom_t second) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atoms(c).wmState;
  event.data.data32[0] = add ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
  event.data.data32[1] = first;
  event.data.data32[2] = second;
  event.data.data32[3] = 1;  // from an application
  xcb_void_cookie_t cookie =
      xcb_send_event_checked(c, 0, Root(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                             reinterpret_cast<const char*>(&event));
  TReply<xcb_generic_error_t> error(xcb_request_check(c, cookie), &std::free);
  if (error) {
    qCWarning(lcX11Window, "the window manager state request failed with X error %d", error->error_code);
    return false;
  }
  return true;
}

}  // namespace

bool X11Platform() { return Connection() != nullptr; }

bool X11WindowManagerRunning() {
  xcb_connection_t* c = Connection();
  if (c == nullptr) return false;
  const std::vector<uint32_t> check = Property32(c, Root(c), Atoms(c).supportingWmCheck, XCB_ATOM_WINDOW);
  return !check.empty() && check.front() != XCB_NONE;
}

TX11WindowState ReadX11WindowState(const QWindow* window) {
  TX11WindowState state;
  xcb_connection_t* c = Connection();
  const xcb_window_t id = NativeWindow(window);
  if (c == nullptr || id == XCB_NONE) return state;
  const TAtoms& atoms = Atoms(c);
  TReply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr), &std::free);
  TReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &std::free);
  TReply<xcb_translate_coordinates_reply_t> origin(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, Root(c), 0, 0), nullptr), &std::free);
  if (!attributes || !geometry || !origin) return state;
  state.known = true;
  state.mapped = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  state.client = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
  const std::vector<uint32_t> extents = Property32(c, id, atoms.frameExtents, XCB_ATOM_CARDINAL);
  if (extents.size() >= 4) {
    state.frame = QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
                           static_cast<int>(extents[3]));
  }
  bool vert = false, horz = false;
  for (uint32_t atom : Property32(c, id, atoms.wmState, XCB_ATOM_ATOM)) {
    if (atom == atoms.fullScreen) state.fullScreen = true;
    if (atom == atoms.above) state.above = true;
    if (atom == atoms.maxVert) vert = true;
    if (atom == atoms.maxHorz) horz = true;
  }
  state.maximized = vert && horz;
  return state;
}

bool RequestX11NetState(const QWindow* window, TX11NetState state, bool add) {
  xcb_connection_t* c = Connection();
  const xcb_window_t id = NativeWindow(window);
  if (c == nullptr || id == XCB_NONE) return false;
  const TAtoms& atoms = Atoms(c);
  switch (state) {
    case TX11NetState::kAbove:
      return SendNetState(c, id, add, atoms.above, XCB_ATOM_NONE);
    case TX11NetState::kFullScreen:
      return SendNetState(c, id, add, atoms.fullScreen, XCB_ATOM_NONE);
    case TX11NetState::kMaximized:
      return SendNetState(c, id, add, atoms.maxVert, atoms.maxHorz);
  }
  return false;
}

bool RequestX11Geometry(const QWindow* window, const QRect& client, const QMargins& frame) {
  xcb_connection_t* c = Connection();
  const xcb_window_t id = NativeWindow(window);
  if (c == nullptr || id == XCB_NONE || client.isEmpty()) return false;
  // Where the request's place is depends on the window's gravity, which Qt
  // changes between placing a window by its frame (north-west: the frame's
  // corner goes there) and by its inside (static: the inside's corner goes
  // there).
  const std::vector<uint32_t> hints = Property32(c, id, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS);
  constexpr uint32_t kWinGravityFlag = 1u << 9;
  const bool placedByInside =
      hints.size() >= 18 && (hints[0] & kWinGravityFlag) != 0 && hints[17] == XCB_GRAVITY_STATIC;
  const QPoint place = placedByInside ? client.topLeft() : client.topLeft() - QPoint(frame.left(), frame.top());
  const uint32_t values[] = {static_cast<uint32_t>(place.x()), static_cast<uint32_t>(place.y()),
                             static_cast<uint32_t>(client.width()), static_cast<uint32_t>(client.height())};
  const uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
  xcb_configure_window(c, id, mask, values);
  xcb_flush(c);
  return true;
}

TX11WindowWatch::TX11WindowWatch(QWindow* window, std::function<void()> onChange)
    : window_(window), onChange_(std::move(onChange)) {
  if (X11Platform()) QCoreApplication::instance()->installNativeEventFilter(this);
}

TX11WindowWatch::~TX11WindowWatch() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TX11WindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
  const xcb_window_t id = NativeWindow(window_.data());
  if (id == XCB_NONE) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & ~0x80) {
    case XCB_CONFIGURE_NOTIFY: {
      const auto* configure = static_cast<const xcb_configure_notify_event_t*>(message);
      if (configure->window == id) onChange_();
      break;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
      xcb_connection_t* c = Connection();
      if (property->window == id && c != nullptr &&
          (property->atom == Atoms(c).wmState || property->atom == Atoms(c).frameExtents))
        onChange_();
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace lumicar
