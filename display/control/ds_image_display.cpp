#include "display/control/ds_image_display.h"

#include <QCoreApplication>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "display/control/display_log.h"
#include "display/source/video_source_filter.h"
#include "dsbase/com/media_event_sink.h"
#include "runtime/runtime_log.h"

namespace lumicar {

const TGUID TVLDSImageDisplay::kSourceClassId = TGUID::FromString("{E436EBB3-524F-4EDE-AFCD-8302E1BEAC35}");

QEvent::Type VLDSInitFullScreenEvent() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

TVLDSImageDisplay::TVLDSImageDisplay(TComponent* owner)
    : TVLCommonImageDisplay(owner),
      viewTools_({.control = [this] { return InWindowThread() ? Widget() : nullptr; },
                  .renderer = [this] { return VideoRenderer(); },
                  .area = [this] { return PictureArea(); },
                  .turned =
                      [this] {
                        AdjustControlSize();
                        Invalidate();
                      }}) {
  graph_ = std::make_unique<TDSGraph>(
      this, [this](int32_t code, intptr_t param1, intptr_t param2) { GraphEvent(code, param1, param2); });
  // The bands, or the whole client area, are painted on every paint; the
  // picture itself is the video window's.
  SetOpaquePainting(true);
}

TVLDSImageDisplay::~TVLDSImageDisplay() {
  // No frame and no start may arrive while the graph goes.
  ShutDownPins();
  {
    std::lock_guard display(displayLock_);
    shuttingDown_ = true;
  }
  try {
    DestroyGraph();
  } catch (...) {
    // A receiver of the graph change failed; the display goes all the same.
    qCWarning(lcDisplay).noquote() << "Taking the graph down while the display goes failed:" << CurrentExceptionText();
  }
  graph_.reset();
}

TVLDSImageDisplay::TDisplaySection TVLDSImageDisplay::LockDisplay() const {
  TDisplaySection section;
  section.component = WriteLock();
  section.display = std::unique_lock<TOWCriticalSection>(displayLock_);
  return section;
}

// ---- Published ----

void TVLDSImageDisplay::SetGraph(TDSGraph* source) {
  if (source != nullptr && source != graph_.get()) graph_->Assign(source);
}

bool TVLDSImageDisplay::FullScreen() {
  std::lock_guard display(displayLock_);
  return fullScreen_;
}

bool TVLDSImageDisplay::UseVMR() {
  std::lock_guard display(displayLock_);
  return useVMR_;
}

bool TVLDSImageDisplay::ShowCursor() {
  std::lock_guard display(displayLock_);
  return showCursor_;
}

TNotifyEvent TVLDSImageDisplay::OnFullScreenLost() const {
  auto section = ReadLock();
  return onFullScreenLost_;
}

void TVLDSImageDisplay::SetOnFullScreenLost(const TNotifyEvent& event) {
  auto section = WriteLock();
  onFullScreenLost_ = event;
}

TNotifyEvent TVLDSImageDisplay::OnWindowDestroyed() const {
  auto section = ReadLock();
  return onWindowDestroyed_;
}

void TVLDSImageDisplay::SetOnWindowDestroyed(const TNotifyEvent& event) {
  auto section = WriteLock();
  onWindowDestroyed_ = event;
}

OABOOL TVLDSImageDisplay::CursorHiddenFlag() const { return showCursor_ ? OAFALSE : OATRUE; }

void TVLDSImageDisplay::SetFullScreen(bool value) {
  bool leaving = false;
  {
    TDisplaySection locked = LockDisplay();
    fullScreen_ = value;
    TIntf<IVideoWindow> window = VideoWindow();
    if (!window) return;
    window->HideCursor(CursorHiddenFlag());
    window->put_FullScreenMode(value ? OATRUE : OAFALSE);
    leaving = !value;
  }
  // The control may have changed its size meanwhile: the window goes back
  // onto the picture as it is now.
  if (leaving) AdjustControlSize();
}

void TVLDSImageDisplay::SetShowCursor(bool value) {
  TDisplaySection locked = LockDisplay();
  if (showCursor_ == value) return;
  showCursor_ = value;
  if (TIntf<IVideoWindow> window = VideoWindow()) window->HideCursor(CursorHiddenFlag());
}

void TVLDSImageDisplay::SetUseVMR(bool value) {
  auto section = WriteLock();
  {
    std::lock_guard display(displayLock_);
    if (useVMR_ == value) return;
    useVMR_ = value;
  }
  const QSize frame = FrameSize();
  const QSize reference = AutoAspect();
  const int64_t duration = FrameDuration();
  TVLVideoFormat format = vfRGB24;
  {
    std::lock_guard display(displayLock_);
    format = sourceFormat_;
  }
  IntStop();
  IntStart(frame.width(), frame.height(), reference.width(), reference.height(), duration, format);
}

// ---- State ----

bool TVLDSImageDisplay::GraphRunning() {
  std::lock_guard display(displayLock_);
  return graphRunning_;
}

TVLVideoFormat TVLDSImageDisplay::SourceFormat() {
  std::lock_guard display(displayLock_);
  return sourceFormat_;
}

TIntf<TDSVideoSourceFilter> TVLDSImageDisplay::SourceFilter() {
  std::lock_guard display(displayLock_);
  return sourceFilter_;
}

TIntf<IVideoWindow> TVLDSImageDisplay::VideoWindow() {
  std::lock_guard display(displayLock_);
  return TIntf<IVideoWindow>(graph_ ? graph_->VideoWindow() : nullptr);
}

TIntf<IBaseFilter> TVLDSImageDisplay::Renderer() {
  std::lock_guard display(displayLock_);
  return renderer_;
}

void TVLDSImageDisplay::SetVideoWindow(IVideoWindow* window) {
  {
    std::lock_guard display(displayLock_);
    if (graph_) graph_->SetVideoWindow(window);
  }
  std::lock_guard guard(eventWindowLock_);
  eventWindow_ = window;
}

TIntf<IBaseFilter> TVLDSImageDisplay::VideoRenderer() {
  std::lock_guard display(displayLock_);
  if (renderer_) return renderer_;
  return graph_ ? graph_->GetVideoRender() : TIntf<IBaseFilter>();
}

bool TVLDSImageDisplay::GetIsVisible() const {
  const QWidget* window = Widget();
  return window != nullptr && InWindowThread() && window->isVisible();
}

// ---- Layout and painting ----

QPoint TVLDSImageDisplay::GetDisplayImageSize() {
  const QPoint size = TVLCommonImageDisplay::GetDisplayImageSize();
  // A quarter turn stands the picture on its side, aspect and all.
  return viewTools_.QuarterTurns() % 2 ? QPoint(size.y(), size.x()) : size;
}

QRect TVLDSImageDisplay::PictureArea() const {
  if (!HasFrameSize()) return {};
  // Where LayOutVideoWindow puts the video window.
  const TFrameLayout l = Layout();
  return QRect(l.imageLeft, l.imageTop, std::max(l.imageWidth - 2 * l.borderInsetX, 0),
               std::max(l.imageHeight - 2 * l.borderInsetY, 0));
}

void TVLDSImageDisplay::CalcFrameLayout(int32_t width, int32_t height) {
  // The boxes over the picture follow it, outside the locks.
  if (LayOutVideoWindow(width, height)) viewTools_.PlaceOverlays();
}

bool TVLDSImageDisplay::LayOutVideoWindow(int32_t width, int32_t height) {
  TDisplaySection locked = LockDisplay();
  TVLCommonImageDisplay::CalcFrameLayout(width, height);
  if (fullScreen_ || !InWindowThread()) return false;
  TIntf<IVideoWindow> window = VideoWindow();
  if (!window) return false;
  const TFrameLayout& l = layout_;
  window->SetWindowPosition(l.imageLeft, l.imageTop, std::max(l.imageWidth - 2 * l.borderInsetX, 0),
                            std::max(l.imageHeight - 2 * l.borderInsetY, 0));
  const OABOOL visible = GetIsVisible() ? OATRUE : OAFALSE;
  window->put_Visible(visible);
  window->put_AutoShow(visible);
  window->HideCursor(CursorHiddenFlag());
  return true;
}

void TVLDSImageDisplay::DrawFrame(QPainter& painter) {
  bool bands = false;
  {
    TDisplaySection locked = LockDisplay();
    bands = VideoWindow() && hasFrameSize_ && !fullScreen_;
  }
  if (bands) {
    TVLCommonImageDisplay::DrawFrame(painter);
  } else {
    painter.fillRect(QRect(0, 0, Width(), Height()), ResolvedColor());
  }
}

bool TVLDSImageDisplay::CoversControl() {
  TDisplaySection locked = LockDisplay();
  return Stretch() && !Proportional() && VideoWindow() && !fullScreen_;
}

bool TVLDSImageDisplay::PaintWindow(const QRect&) {
  QWidget* window = Widget();
  if (window == nullptr) return false;
  QPainter painter(window);
  if (!HasFrameSize()) {
    painter.fillRect(window->rect(), ResolvedColor());
  } else {
    CalcFrameLayout(Width(), Height());
    // Stretched without proportions the video window covers the control
    // and nothing shows around it. Without a video window the background
    // is painted all the same, so no stale pixels stay.
    if (!CoversControl()) DrawFrame(painter);
  }
  ShowRect(painter);
  return true;
}

void TVLDSImageDisplay::Resized() {
  TVLCommonImageDisplay::Resized();
  AdjustControlSize();
}

// ---- Window messages ----

bool TVLDSImageDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Widget()) {
    TIntf<IVideoWindow> window;
    {
      std::lock_guard guard(eventWindowLock_);
      window = eventWindow_;
    }
    // The renderer hears of everything the control's window receives (it
    // follows the owner's visibility in full screen).
    if (window) window->NotifyOwnerMessage(Widget(), event);
    // The wheel zooms and a left drag pans; other mouse events go on.
    if (viewTools_.MouseEvent(event)) return true;
    if (event->type() == VLDSInitFullScreenEvent()) {
      InitSetFullScreen();
      return true;
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
      // The video window follows the control's visibility.
      const bool result = TVLCommonImageDisplay::eventFilter(watched, event);
      AdjustControlSize();
      return result;
    }
  }
  return TVLCommonImageDisplay::eventFilter(watched, event);
}

void TVLDSImageDisplay::PostInitFullScreen() {
  if (QWidget* window = Widget()) QCoreApplication::postEvent(window, new QEvent(VLDSInitFullScreenEvent()));
}

// ---- Graph events ----

void TVLDSImageDisplay::GraphEvent(int32_t code, intptr_t, intptr_t) {
  {
    std::lock_guard display(displayLock_);
    if (shuttingDown_) return;
  }
  switch (code) {
    case EC_FULLSCREEN_LOST:
      DoFullScreenLost();
      break;
    case EC_WINDOW_DESTROYED:
      DoWindowDestroyed();
      break;
    default:
      // Aborts and lost devices are the holder's own events.
      break;
  }
}

void TVLDSImageDisplay::InitSetFullScreen() {
  TDisplaySection locked = LockDisplay();
  TIntf<IVideoWindow> window = VideoWindow();
  if (!window || !fullScreen_) return;
  window->put_MessageDrain(Widget());
  window->HideCursor(CursorHiddenFlag());
  window->put_FullScreenMode(OATRUE);
}

void TVLDSImageDisplay::DoFullScreenLost() {
  {
    TDisplaySection locked = LockDisplay();
    fullScreen_ = false;
    if (TIntf<IVideoWindow> window = VideoWindow()) {
      QWidget* handle = Widget();
      window->put_Owner(handle);
      window->put_MessageDrain(handle);
      window->put_Visible(OAFALSE);
      window->put_FullScreenMode(OAFALSE);
      window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
      window->put_Visible(GetIsVisible() ? OATRUE : OAFALSE);
      window->HideCursor(CursorHiddenFlag());
    }
  }
  AdjustControlSize();
  Invalidate();
  if (TNotifyEvent handler = OnFullScreenLost()) handler(this);
}

void TVLDSImageDisplay::DoWindowDestroyed() {
  if (TNotifyEvent handler = OnWindowDestroyed()) handler(this);
}

}  // namespace lumicar
