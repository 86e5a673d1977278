// TVLDSImageDisplay: the stream and its graph (the window side is in
// ds_image_display.cpp).

#include <QCoreApplication>
#include <algorithm>

#include "display/control/display_log.h"
#include "display/control/ds_image_display.h"
#include "display/source/video_source_filter.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "runtime/runtime_log.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

namespace {

const char16_t kSourceName[] = u"VideoSource";
const char16_t kMixingRendererName[] = u"Video Mixing Renderer 9";

}  // namespace

// ---- Streams ----

void TVLDSImageDisplay::Start(int32_t width, int32_t height, TVLVideoFormat format) {
  IntStart(width, height, width, height, kDefaultFrameDuration, format);
}

void TVLDSImageDisplay::IntStart(int32_t width, int32_t height, int32_t refWidth, int32_t refHeight,
                                 int64_t frameDuration, TVLVideoFormat format) {
  if (width <= 0 || height <= 0) return;
  auto section = WriteLock();
  bool hasGraph = false;
  {
    std::lock_guard display(displayLock_);
    RecordStart(width, height, refWidth, refHeight, frameDuration);
    // The source offers no 32-bit RGB with alpha; the renderer draws the
    // same picture from 24-bit RGB.
    sourceFormat_ = format == vfRGBA32 ? vfRGB24 : format;
    hasGraph = graph_->Graph() != nullptr;
  }
  // Every start gets a graph of its own: size, rate and format may differ.
  if (hasGraph) DestroyGraph();
  if (GetGraph()) {
    AdjustControlSize();
    SetStarted(true);
  }
}

void TVLDSImageDisplay::RenderImage(IVLImageBuffer* frame) {
  if (frame == nullptr) return;
  TIntf<TDSVideoSourceFilter> source;
  {
    TDisplaySection locked = LockDisplay();
    const int32_t width = frame->GetWidth();
    const int32_t height = frame->GetHeight();
    if (!hasFrameSize_ || width != frameWidth_ || height != frameHeight_) SetFrameSize(width, height);
    if (graphRunning_) source = sourceFilter_;
  }
  if (!source) return;
  // The push runs through the graph's own locks down to the renderer, which
  // only hands the frame over to its painter: nothing on the way waits for
  // the window's thread. Holding no section of the component lock meanwhile
  // lets that thread tear the graph down; our reference keeps the filter.
  auto unlocked = UnlockAll();
  source->SendBuffer(frame, 0, 0);
}

void TVLDSImageDisplay::Clear() {
  if (Started()) return;
  DestroyGraph();
  Invalidate();
}

// ---- The graph ----

bool TVLDSImageDisplay::GetGraph() {
  bool built = false;
  try {
    built = BuildGraph();
  } catch (...) {
    // A half-built graph that never ran would only cover the picture with
    // an empty window until the next start: it goes at once.
    try {
      DisconnectInterfaces();
    } catch (...) {
      // The build's own failure is the one that goes on up.
      qCWarning(lcDisplay).noquote() << "Letting a half-built display graph go failed:" << CurrentExceptionText();
    }
    throw;
  }
  if (!built) DisconnectInterfaces();
  return built;
}

bool TVLDSImageDisplay::BuildGraph() {
  auto section = WriteLock();
  if (!section) return false;
  if (graph_->Graph() != nullptr) return true;

  if (!graph_->CreateGraph()) return false;
  graph_->RegisterAdditionalFilters();
  if (!graph_->CreateGraphBuilder()) return false;
  if (!graph_->GetMediaControl()) return false;
  IGraphBuilder* graph = graph_->Graph();

  // The renderer, and the video window it is driven through.
  bool vmr = false;
  TIntf<IBaseFilter> mixer;
  {
    std::lock_guard display(displayLock_);
    vmr = useVMR_;
  }
  if (vmr) {
    void* raw = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw)) &&
        raw != nullptr) {
      mixer = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
    }
  }
  if (mixer) {
    {
      std::lock_guard display(displayLock_);
      renderer_ = mixer;
    }
    const HRESULT added = graph->AddFilter(mixer.get(), kMixingRendererName);
    if (FAILED(added)) {
      graph_->Error(QStringLiteral("Can't create Video Mixing Renderer."), added);
      return false;
    }
    if (TIntf<IVMRFilterConfig9> config = QueryIntf<IVMRFilterConfig9>(mixer.get(), IID_IVMRFilterConfig9))
      config->SetNumberOfStreams(1);
    // Without its window the picture cannot be placed; the control then
    // paints its whole client area.
    SetVideoWindow(QueryIntf<IVideoWindow>(mixer.get(), IID_IVideoWindow).get());
  } else {
    // No mixing renderer asked for, or none to be had: the graph's own
    // window, which follows whichever renderer the builder adds.
    void* raw = nullptr;
    HRESULT hr = graph->QueryInterface(IID_IVideoWindow, &raw);
    if (SUCCEEDED(hr) && raw == nullptr) hr = E_NOINTERFACE;
    if (FAILED(hr)) {
      graph_->Error(QStringLiteral("Can't obtain IVideoWindow."), hr);
      return false;
    }
    TIntf<IVideoWindow> window = TIntf<IVideoWindow>::Adopt(static_cast<IVideoWindow*>(raw));
    SetVideoWindow(window.get());
  }
  if (TIntf<IVideoWindow> window = VideoWindow(); window && InWindowThread()) {
    QWidget* handle = Widget();
    window->put_Owner(handle);
    window->put_MessageDrain(handle);
    window->HideCursor(CursorHiddenFlag());
  }

  // The source the frames are pushed into.
  TIntf<TDSVideoSourceFilter> source;
  {
    std::lock_guard display(displayLock_);
    source = MakeIntf<TDSVideoSourceFilter>(QString::fromUtf16(kSourceName), kSourceClassId, sourceFormat_, false, 0);
    sourceFilter_ = source;
  }
  const QSize frame = FrameSize();
  const HRESULT sized = source->SetSizeDelay(frame.width(), frame.height(), std::max<int64_t>(FrameDuration(), 0));
  if (FAILED(sized)) {
    // A frame size the source cannot offer (beyond its largest side).
    graph_->Error(QStringLiteral("Can't set video source filter."), sized);
    return false;
  }
  const HRESULT added = graph->AddFilter(static_cast<IBaseFilter*>(source.get()), kSourceName);
  if (FAILED(added)) {
    graph_->Error(QStringLiteral("Can't set video source filter."), added);
    return false;
  }
  const HRESULT rendered = graph_->GraphBuilder()->RenderStream(
      nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.get()), nullptr, mixer.get());
  if (FAILED(rendered)) {
    graph_->Error(QStringLiteral("Can't render video output."), rendered);
    return false;
  }

  if (InWindowThread()) {
    SetUpVideoWindow();
  } else {
    // The video window belongs to the window's thread.
    PostOrdered(Widget(), [this] { SetUpVideoWindow(); });
  }

  graph_->GraphBuilt();
  if (!graph_->Run()) return false;
  graph_->SetMediaEvent();
  graph_->RegisterGraph();
  bool fullScreen = false;
  {
    std::lock_guard display(displayLock_);
    graphRunning_ = true;
    fullScreen = fullScreen_;
  }
  if (fullScreen) PostInitFullScreen();
  graph_->GraphChanged();
  return true;
}

void TVLDSImageDisplay::SetUpVideoWindow() {
  bool fullScreen = false;
  {
    TDisplaySection locked = LockDisplay();
    fullScreen = fullScreen_;
    if (TIntf<IVideoWindow> window = VideoWindow()) {
      QWidget* handle = Widget();
      window->put_Owner(handle);
      window->put_MessageDrain(handle);
      window->put_AutoShow(OAFALSE);
      window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
      window->put_Visible(OAFALSE);
      window->HideCursor(CursorHiddenFlag());
    }
  }
  // A new renderer's window: the view carries over from the one before.
  viewTools_.ApplyToWindow();
  // Places and shows it, unless the full-screen switch is on its way.
  if (!fullScreen) AdjustControlSize();
}

void TVLDSImageDisplay::DestroyGraph() {
  auto section = WriteLock();
  graph_->Stop(false);
  {
    std::lock_guard display(displayLock_);
    graphRunning_ = false;
  }
  graph_->UnregisterGraph();
  DisconnectInterfaces();
}

void TVLDSImageDisplay::DisconnectInterfaces() {
  auto section = WriteLock();
  TIntf<TDSVideoSourceFilter> source;
  TIntf<IBaseFilter> renderer;
  {
    std::lock_guard display(displayLock_);
    graphRunning_ = false;
    source = std::move(sourceFilter_);
    renderer = std::move(renderer_);
  }
  SetVideoWindow(nullptr);
  graph_->DestroyGraph();
  // The filters go last, after the graph that held them.
  source.reset();
  renderer.reset();
}

}  // namespace lumicar
