#include "dsbase/render/video_renderer.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <thread>

#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/render/video_render_path.h"
#include "dsbase/render/video_window.h"
#include "runtime/log_gate.h"
#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

namespace {

QApplication* WidgetApp() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

bool OnUiThread() {
  QApplication* app = WidgetApp();
  return app && QThread::currentThread() == app->thread();
}

// Runs `call` on the user-interface thread once it is back in its event
// loop; dropped when there is no application.
template <typename Call>
void PostToUi(Call call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  PostOrdered(app, std::move(call));
}

bool Drawable(const AM_MEDIA_TYPE& mt, TDSFrameFormat* frame) {
  return DSDescribeFrame(mt, frame) && VLLayoutOf(frame->format) != vfGrayScale;
}

}  // namespace

struct TDSVideoRenderer::TShared {
  std::shared_ptr<TDSVideoFrameExchange> frames = std::make_shared<TDSVideoFrameExchange>();

  // User-interface thread only.
  QPointer<TDSVideoWindow> window;
  bool droppingWindow = false;  // the renderer itself is freeing the window

  // The window raises graph events through the filter while it lives.
  TLeafMutex filterLock{"video renderer filter lock"};
  TDSVideoRenderer* filter = nullptr;
  QSize nativeSize;               // guarded by filterLock
  std::deque<int32_t> raised;     // guarded by filterLock: not yet handed to the graph
  bool handingOver = false;       // guarded by filterLock: a thread is handing them on
  std::thread::id handingThread;  // guarded by filterLock: which one
  std::condition_variable_any handedOn;

  // The graph's sink takes locks of its own, so it is called with the leaf
  // released. Events are queued under the leaf and handed on by one thread
  // at a time, so the graph sees them in the order they were raised; the
  // sink is looked up for each one, so none reaches a graph the filter left
  // or a filter that went.
  void Raise(int32_t code) {
    {
      std::lock_guard guard(filterLock);
      raised.push_back(code);
      if (handingOver) return;  // the thread handing on takes this one in turn
      handingOver = true;
      handingThread = std::this_thread::get_id();
    }
    for (;;) {
      int32_t next = 0;
      IMediaEventSink* sink = nullptr;
      {
        std::lock_guard guard(filterLock);
        if (raised.empty()) {
          handingOver = false;
          handedOn.notify_all();
          return;
        }
        next = raised.front();
        raised.pop_front();
        if (filter) sink = filter->eventSink_.load(std::memory_order_acquire);
      }
      if (sink) sink->Notify(next, 0, 0);
    }
  }

  TDSVideoWindow* EnsureWindow(const std::shared_ptr<TShared>& self) {
    if (window) return window.data();
    if (!OnUiThread()) return nullptr;
    QSize size;
    {
      // A request posted before the filter went finds nothing to show.
      std::lock_guard guard(filterLock);
      if (!filter) return nullptr;
      size = nativeSize;
    }
    auto* made = new TDSVideoWindow(frames, DSVideoRenderPath());
    made->SetNativeSize(size);
    made->SetEventHandler([self](int32_t code) { self->Raise(code); });
    // Freed by anyone else (its owner's window went): the graph hears of it.
    QObject::connect(made, &QObject::destroyed, [self] {
      if (!self->droppingWindow) self->Raise(EC_WINDOW_DESTROYED);
    });
    window = made;
    return made;
  }

  void DropWindow() {
    droppingWindow = true;
    delete window.data();
    droppingWindow = false;
  }
};

TDSVideoRenderer::TDSVideoRenderer(const TGUID& classId)
    : TDSBaseVideoRenderer(QStringLiteral("Video Renderer"), nullptr, classId), shared_(std::make_shared<TShared>()) {
  shared_->filter = this;
  retired_.reserve(4);
}

TDSVideoRenderer::~TDSVideoRenderer() {
  {
    std::unique_lock guard(shared_->filterLock);
    shared_->filter = nullptr;
    // An event being handed to the graph reaches it before this filter, and
    // so perhaps the graph that released it, goes; unless this very thread is
    // handing it on (the graph let the filter go in answer to the event).
    TShared& shared = *shared_;
    shared.handedOn.wait(
        guard, [&shared] { return !shared.handingOver || shared.handingThread == std::this_thread::get_id(); });
  }
  // The window belongs to the user-interface thread: freed there.
  if (OnUiThread()) {
    shared_->DropWindow();
  } else {
    PostToUi([shared = shared_] { shared->DropWindow(); });
  }
}

TDSVideoRenderer* DSVideoRendererOf(IUnknown* filter) {
  TIntf<IBaseFilter> base = QueryIntf<IBaseFilter>(filter, IID_IBaseFilter);
  return dynamic_cast<TDSVideoRenderer*>(base.get());
}

HRESULT TDSVideoRenderer::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IVideoWindow) return GetInterface<IVideoWindow>(this, object);
  if (iid == IID_IVMRFilterConfig9 && classId_ == CLSID_VideoMixingRenderer9)
    return GetInterface<IVMRFilterConfig9>(this, object);
  return TDSBaseVideoRenderer::NonDelegatingQueryInterface(iid, object);
}

// ---- samples ----

HRESULT TDSVideoRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSFrameFormat frame;
  return Drawable(*mt, &frame) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TDSVideoRenderer::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSFrameFormat frame;
  if (!Drawable(*mt, &frame)) return VFW_E_TYPE_NOT_ACCEPTED;
  {
    std::lock_guard guard(formatLock_);
    format_ = frame;
    format_.palette = nullptr;
    hasFormat_ = true;
  }
  std::lock_guard guard(shared_->filterLock);
  shared_->nativeSize = QSize(frame.width, frame.height);
  return S_OK;
}

HRESULT TDSVideoRenderer::DoRenderSample(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  static TLogGate refusedLog;
  auto refuse = [&](HRESULT hr, const char* why) {
    refused_.fetch_add(1, std::memory_order_relaxed);
    if (refusedLog.Open()) qCWarning(lcVideoRender) << "video renderer drops a sample:" << why;
    return hr;
  };
  // A sample may carry a new type (the upstream filter changed the format
  // on the way).
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    const HRESULT hr = SetMediaType(changed);
    LPDSDeleteMediaType(changed);
    if (FAILED(hr)) return refuse(hr, "its new type cannot be drawn");
  }
  TDSFrameFormat format;
  {
    std::lock_guard guard(formatLock_);
    if (!hasFormat_) return refuse(VFW_E_NOT_CONNECTED, "no type agreed");
    format = format_;
  }
  uint8_t* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data) return refuse(E_POINTER, "no data");
  // A short sample is left out; the stream goes on with the next one.
  if (sample->GetActualDataLength() < DSFrameBytes(format)) return refuse(S_OK, "shorter than a frame");
  bool request;
  try {
    if (keepSamples_.load(std::memory_order_acquire)) {
      TIntf<IMediaSample> overtaken;
      request = shared_->frames->Put(format, sample, data, &overtaken);
      if (overtaken) {
        std::lock_guard guard(retiredLock_);
        retired_.push_back(std::move(overtaken));
      }
    } else {
      request = shared_->frames->Put(format, data);
    }
  } catch (const std::bad_alloc&) {
    return refuse(E_OUTOFMEMORY, "out of memory");
  }
  if (request) PostRepaintRequest();
  return S_OK;
}

HRESULT TDSVideoRenderer::Receive(IMediaSample* sample) {
  const HRESULT hr = TDSBaseVideoRenderer::Receive(sample);
  for (;;) {
    TIntf<IMediaSample> released;
    {
      std::lock_guard guard(retiredLock_);
      if (retired_.empty()) break;
      released = std::move(retired_.back());
      retired_.pop_back();
    }
  }
  return hr;
}

HRESULT TDSVideoRenderer::Active() {
  // Decided from the allocator the upstream pin agreed to take its samples
  // from: its properties cannot change while it is committed, which it is
  // from now until the next stop.
  bool keep = false;
  if (TIntf<IMemAllocator> allocator = InputPin()->Allocator()) {
    ALLOCATOR_PROPERTIES props{};
    keep = SUCCEEDED(allocator->GetProperties(&props)) && props.cBuffers >= kBuffersToKeepSamples;
  }
  keepSamples_.store(keep, std::memory_order_release);
  return TDSBaseVideoRenderer::Active();
}

void TDSVideoRenderer::PostRepaintRequest() {
  PostToUi([shared = shared_] {
    shared->frames->RequestArrived();
    if (shared->window) shared->window->FrameArrived();
  });
}

HRESULT TDSVideoRenderer::Pause() {
  const bool wasStopped = IsStopped();
  const HRESULT hr = TDSBaseVideoRenderer::Pause();
  if (SUCCEEDED(hr) && wasStopped) {
    PostToUi([shared = shared_] {
      if (TDSVideoWindow* window = shared->EnsureWindow(shared)) window->GraphStarting();
    });
  }
  return hr;
}

TDSVideoFrameCounts TDSVideoRenderer::FrameCounts() const { return shared_->frames->Counts(); }

std::shared_ptr<TDSVideoFrameExchange> TDSVideoRenderer::Frames() const { return shared_->frames; }

// ---- window ----

TDSVideoWindow* TDSVideoRenderer::Window() { return shared_->EnsureWindow(shared_); }

template <typename Call>
HRESULT TDSVideoRenderer::OnWindow(Call&& call) {
  if (!WidgetApp()) return E_UNEXPECTED;
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  TDSVideoWindow* window = Window();
  if (!window) return E_UNEXPECTED;
  return call(window);
}

HRESULT TDSVideoRenderer::put_WindowStyle(int32_t style) {
  return OnWindow([&](TDSVideoWindow* w) {
    w->SetWindowStyle(style);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::get_WindowStyle(int32_t* style) {
  if (!style) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *style = w->WindowStyle();
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::put_AutoShow(OABOOL autoShow) {
  return OnWindow([&](TDSVideoWindow* w) {
    w->SetAutoShow(autoShow != OAFALSE);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::get_AutoShow(OABOOL* autoShow) {
  if (!autoShow) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *autoShow = w->AutoShow() ? OATRUE : OAFALSE;
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::put_Visible(OABOOL visible) {
  return OnWindow([&](TDSVideoWindow* w) {
    w->SetShown(visible != OAFALSE);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::get_Visible(OABOOL* visible) {
  if (!visible) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *visible = w->Shown() ? OATRUE : OAFALSE;
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::put_Owner(OAHWND owner) {
  return OnWindow([&](TDSVideoWindow* w) {
    // A window cannot own itself, nor be owned by its own child.
    if (owner && (owner == w || w->isAncestorOf(owner))) return E_INVALIDARG;
    w->SetOwner(owner);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::get_Owner(OAHWND* owner) {
  if (!owner) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *owner = w->Owner();
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::put_MessageDrain(OAHWND drain) {
  return OnWindow([&](TDSVideoWindow* w) {
    if (drain && (drain == w || w->isAncestorOf(drain))) return E_INVALIDARG;
    w->SetMessageDrain(drain);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::get_MessageDrain(OAHWND* drain) {
  if (!drain) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *drain = w->MessageDrain();
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::put_FullScreenMode(OABOOL fullScreen) {
  return OnWindow([&](TDSVideoWindow* w) { return w->SetFullScreen(fullScreen != OAFALSE) ? S_OK : E_FAIL; });
}

HRESULT TDSVideoRenderer::get_FullScreenMode(OABOOL* fullScreen) {
  if (!fullScreen) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *fullScreen = w->FullScreen() ? OATRUE : OAFALSE;
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (width < 0 || height < 0) return E_INVALIDARG;
  return OnWindow([&](TDSVideoWindow* w) {
    w->SetPlace(QRect(left, top, width, height));
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
  if (!left || !top || !width || !height) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    const QRect place = w->Place();
    *left = place.x();
    *top = place.y();
    *width = place.width();
    *height = place.height();
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::HideCursor(OABOOL hide) {
  return OnWindow([&](TDSVideoWindow* w) {
    w->SetCursorHidden(hide != OAFALSE);
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::IsCursorHidden(OABOOL* hidden) {
  if (!hidden) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    *hidden = w->CursorHidden() ? OATRUE : OAFALSE;
    return S_OK;
  });
}

HRESULT TDSVideoRenderer::NotifyOwnerMessage(OAHWND owner, QEvent* message) {
  if (!message) return E_POINTER;
  return OnWindow([&](TDSVideoWindow* w) {
    // Only the owner's own events concern the window; what else a message
    // would tell (palette, screen changes) reaches a Qt window directly.
    if (owner && owner == w->Owner()) w->OwnerEvent(message);
    return S_OK;
  });
}

// ---- mixing renderer configuration ----

HRESULT TDSVideoRenderer::SetNumberOfStreams(uint32_t streams) { return streams == 1 ? S_OK : E_INVALIDARG; }

HRESULT TDSVideoRenderer::GetNumberOfStreams(uint32_t* streams) {
  if (!streams) return E_POINTER;
  *streams = 1;
  return S_OK;
}

}  // namespace lumicar
