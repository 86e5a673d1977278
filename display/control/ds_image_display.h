#pragma once
// TVLDSImageDisplay: the viewer's display. For every started stream it builds
// a small media graph of its own, our push source "VideoSource" feeding the
// video renderer, whose window it keeps as a child on the picture rectangle
// of the frame layout (or hands to the renderer's full-screen mode). Each
// frame that reaches RenderImage is pushed into that source on the caller's
// thread, holding none of the display's locks while it travels.
//
// Locks: the component lock comes first, DisplayLock (graph and window
// state) after it, on every thread; neither is held while a frame is pushed.

#include <QEvent>
#include <QImage>
#include <cstdint>
#include <memory>
#include <mutex>

#include "display/control/common_image_display.h"
#include "display/control/view_tools.h"
#include "dsbase/holder/graph_holder.h"
#include "runtime/event.h"
#include "runtime/sync/critical_section.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSVideoSourceFilter;

class TVLDSImageDisplay : public TVLCommonImageDisplay {
  Q_OBJECT
  Q_PROPERTY(lumicar::TDSGraph* Graph READ Graph WRITE SetGraph)
  Q_PROPERTY(bool FullScreen READ FullScreen WRITE SetFullScreen)
  Q_PROPERTY(bool UseVMR READ UseVMR WRITE SetUseVMR)
  Q_PROPERTY(bool ShowCursor READ ShowCursor WRITE SetShowCursor)
  Q_PROPERTY(lumicar::TNotifyEvent OnFullScreenLost READ OnFullScreenLost WRITE SetOnFullScreenLost)
  Q_PROPERTY(lumicar::TNotifyEvent OnWindowDestroyed READ OnWindowDestroyed WRITE SetOnWindowDestroyed)
  Q_CLASSINFO("Default.FullScreen", "False")
  Q_CLASSINFO("Default.UseVMR", "False")
  Q_CLASSINFO("Default.ShowCursor", "True")

 public:
  // The source filter's class identifier in the display graph.
  static const TGUID kSourceClassId;
  // The frame duration of a stream started without a pin: 29.97 frames a second.
  static constexpr int64_t kDefaultFrameDuration = 333667;

  Q_INVOKABLE explicit TVLDSImageDisplay(lumicar::TComponent* owner = nullptr);
  ~TVLDSImageDisplay() override;

  // ---- Published ----
  TDSGraph* Graph() const { return graph_.get(); }
  // Takes over the settings of source (its additional filters, Register).
  void SetGraph(TDSGraph* source);
  bool FullScreen();
  // Applied to the current video window, or to the next one a build makes.
  void SetFullScreen(bool value);
  bool UseVMR();
  // Restarts the stream with the other renderer when a frame size is known.
  void SetUseVMR(bool value);
  bool ShowCursor();
  void SetShowCursor(bool value);
  TNotifyEvent OnFullScreenLost() const;
  void SetOnFullScreenLost(const TNotifyEvent& event);
  TNotifyEvent OnWindowDestroyed() const;
  void SetOnWindowDestroyed(const TNotifyEvent& event);

  // ---- Streams ----
  // A stream without a pin: square pixels, 29.97 frames a second.
  void Start(int32_t width, int32_t height, TVLVideoFormat format);
  // Records the stream and builds its graph (a new one every time); nothing
  // for an empty size.
  void IntStart(int32_t width, int32_t height, int32_t refWidth, int32_t refHeight, int64_t frameDuration,
                TVLVideoFormat format) override;
  // Pushes the frame into the running graph on the calling thread, with the
  // thread's hold on the component lock suspended meanwhile.
  void RenderImage(IVLImageBuffer* frame) override;
  // Removes the graph when no stream is started.
  void Clear() override;

  // ---- The graph ----
  // BuildGraph; a failed build is taken down again. An error not handled by
  // the holder's OnError leaves by exception, after the take-down.
  bool GetGraph();
  // Stops and releases the graph (quietly).
  void DestroyGraph();

  // ---- Layout and painting ----
  // The inherited layout, then the video window moved onto the picture.
  void CalcFrameLayout(int32_t width, int32_t height) override;
  // The bands around a shown video window; the whole control otherwise.
  void DrawFrame(QPainter& painter) override;
  // The control and all its parent windows are shown.
  bool GetIsVisible() const;
  // The aspect-corrected size, on its side at an odd number of quarter turns.
  QPoint GetDisplayImageSize() override;

  // ---- View tools (window's thread): zoom 1..8 about the shown centre or
  // about a control point, pan by control pixels (within the picture),
  // clockwise quarter turns (modulo 4), freeze. Applied where the picture is
  // drawn, and given to each new video window. Snapshot: the frame shown
  // (the frozen one) at its own size, turned, not cropped, RGB32; null
  // without one. The info text is a box at the picture's top left, none when
  // empty. FrameCounts: the current renderer's, zeros without one. ----
  double Zoom() const { return viewTools_.View().zoom; }
  void SetZoom(double factor) { viewTools_.SetZoom(factor); }
  void ZoomAt(QPointF controlPoint, double factor) { viewTools_.ZoomAt(controlPoint, factor); }
  void PanBy(QPointF controlDelta) { viewTools_.PanBy(controlDelta); }
  void ResetView() { viewTools_.ResetView(); }  // rotation and freeze stay
  int QuarterTurns() const { return viewTools_.QuarterTurns(); }
  void SetQuarterTurns(int turns) { viewTools_.SetQuarterTurns(turns); }
  bool Frozen() const { return viewTools_.View().frozen; }
  void SetFrozen(bool frozen) { viewTools_.SetFrozen(frozen); }
  QImage Snapshot() { return viewTools_.Snapshot(); }
  void SetInfoText(const QString& text) { viewTools_.SetInfoText(text); }
  TDSVideoFrameCounts FrameCounts() { return viewTools_.FrameCounts(); }

  // ---- State, for the viewer's menus, diagnostics and tests ----
  bool GraphRunning();
  TVLVideoFormat SourceFormat();
  TIntf<TDSVideoSourceFilter> SourceFilter();
  // The graph's video window, or none.
  TIntf<IVideoWindow> VideoWindow();
  // The renderer made for UseVMR, or none.
  TIntf<IBaseFilter> Renderer();

 protected:
  // The graph of the current stream, step by step; false (or an exception
  // from the holder's Error) on failure. A graph that exists is kept.
  virtual bool BuildGraph();
  // Releases the holder's graph and the filters kept here.
  void DisconnectInterfaces();
  // (code, parameter 1, parameter 2) of each graph event, on the window's thread.
  void GraphEvent(int32_t code, intptr_t param1, intptr_t param2);
  // The renderer left full screen by itself: the picture comes back here.
  void DoFullScreenLost();
  void DoWindowDestroyed();
  // The full-screen switch a build with FullScreen set leaves for the
  // window's event loop.
  void InitSetFullScreen();

  bool PaintWindow(const QRect& dirty) override;
  void Resized() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The component lock and then DisplayLock, held together.
  struct TDisplaySection {
    TIntf<IOWLockSection> component;
    std::unique_lock<TOWCriticalSection> display;
  };
  TDisplaySection LockDisplay() const;
  // What HideCursor is given: OATRUE when ShowCursor is off.
  OABOOL CursorHiddenFlag() const;
  // Owner, drain, style and visibility of a freshly rendered video window,
  // then the layout that places it (window's thread).
  void SetUpVideoWindow();
  void SetVideoWindow(IVideoWindow* window);
  // Posts the private full-screen message to the control's window.
  void PostInitFullScreen();
  // The video window covers the whole control: stretched without
  // proportions, and not in full screen.
  bool CoversControl();
  // The inherited layout and the video window on the picture; true when
  // placed there (window's thread, not in full screen).
  bool LayOutVideoWindow(int32_t width, int32_t height);
  // The renderer of the current graph, or none.
  TIntf<IBaseFilter> VideoRenderer();
  // Where the video window is placed on the control.
  QRect PictureArea() const;

  std::unique_ptr<TDSGraph> graph_;
  // DisplayLock: the graph and window state below (ranked, recursive).
  mutable TOWCriticalSection displayLock_{TLockRank::kDisplay};
  bool graphRunning_ = false;
  TIntf<TDSVideoSourceFilter> sourceFilter_;
  TIntf<IBaseFilter> renderer_;
  TVLVideoFormat sourceFormat_ = vfRGB24;
  bool fullScreen_ = false;
  bool useVMR_ = false;
  bool showCursor_ = true;
  bool shuttingDown_ = false;

  // The holder's video window once more, for the window's events: read there
  // without any ranked lock, since Qt may deliver an event to the control
  // while the thread holds a graph or filter lock. A leaf.
  mutable TLeafMutex eventWindowLock_{"display event window lock"};
  TIntf<IVideoWindow> eventWindow_;

  // Guarded by the component lock.
  TNotifyEvent onFullScreenLost_;
  TNotifyEvent onWindowDestroyed_;

  // Window's thread (its turns readable anywhere).
  TVLDisplayViewTools viewTools_;
};

// The event type of the private full-screen message.
QEvent::Type VLDSInitFullScreenEvent();

}  // namespace lumicar
