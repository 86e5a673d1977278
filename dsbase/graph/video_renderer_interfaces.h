#pragma once
// What an application drives a video renderer's window through (whose child
// it is, where it sits, whether it shows, full-screen mode, the cursor), and
// the mixing renderer's stream configuration.

#include <cstdint>

#include "runtime/interface.h"

class QEvent;
class QWidget;

namespace lumicar {

inline const TGUID IID_IVideoWindow = TGUID::FromString("{56A868B4-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IVMRFilterConfig9 = TGUID::FromString("{5A804648-4F66-4867-9C43-4F5C822CF1B8}");

// A window handle is the widget itself: owners and message drains are the
// windows of the controls that show the video.
using OAHWND = QWidget*;
// Boolean arguments of the window interface; any value but OAFALSE counts
// as true.
using OABOOL = int32_t;
constexpr OABOOL OATRUE = -1;
constexpr OABOOL OAFALSE = 0;

// Window styles: WS_CHILD makes the window a child of its owner; without it
// the window is a top-level window (with a title bar when WS_CAPTION is set).
constexpr int32_t WS_CHILD = 0x40000000;
constexpr int32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr int32_t WS_CLIPCHILDREN = 0x02000000;
constexpr int32_t WS_CAPTION = 0x00C00000;
constexpr int32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;

// A window call made away from the user-interface thread.
constexpr HRESULT RPC_E_WRONG_THREAD = HRESULT(0x8001010Eu);

// Every call runs on the user-interface thread (RPC_E_WRONG_THREAD
// elsewhere). Positions are in the owner's coordinates for a child window,
// in screen coordinates otherwise.
class IVideoWindow : public virtual IUnknown {
 public:
  virtual HRESULT put_WindowStyle(int32_t style) = 0;
  virtual HRESULT get_WindowStyle(int32_t* style) = 0;
  // Shown by itself whenever its graph starts (pauses or runs).
  virtual HRESULT put_AutoShow(OABOOL autoShow) = 0;
  virtual HRESULT get_AutoShow(OABOOL* autoShow) = 0;
  virtual HRESULT put_Visible(OABOOL visible) = 0;
  virtual HRESULT get_Visible(OABOOL* visible) = 0;
  // nullptr: no owner, the window stands on its own.
  virtual HRESULT put_Owner(OAHWND owner) = 0;
  virtual HRESULT get_Owner(OAHWND* owner) = 0;
  // The window that gets the mouse and keyboard input of the video window.
  virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
  virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
  // OATRUE covers the screen the owner is on; the window leaves that mode by
  // itself on Esc or when it loses the screen, and then raises
  // EC_FULLSCREEN_LOST. Leaving it through this call raises nothing.
  virtual HRESULT put_FullScreenMode(OABOOL fullScreen) = 0;
  virtual HRESULT get_FullScreenMode(OABOOL* fullScreen) = 0;
  virtual HRESULT SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  virtual HRESULT GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) = 0;
  // OATRUE hides the mouse pointer over the video window.
  virtual HRESULT HideCursor(OABOOL hide) = 0;
  virtual HRESULT IsCursorHidden(OABOOL* hidden) = 0;
  // The owner passes on each event its window receives.
  virtual HRESULT NotifyOwnerMessage(OAHWND owner, QEvent* message) = 0;
};

class IVMRFilterConfig9 : public virtual IUnknown {
 public:
  // The number of input streams mixed; this renderer draws one.
  virtual HRESULT SetNumberOfStreams(uint32_t streams) = 0;
  virtual HRESULT GetNumberOfStreams(uint32_t* streams) = 0;
};

}  // namespace lumicar
