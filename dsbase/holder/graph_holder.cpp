#include "dsbase/holder/graph_holder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSaveFile>
#include <QThread>
#include <QWidget>
#include <exception>

#include "buffers/sl_exception.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/graph/graph_notify_event.h"
#include "dsbase/holder/graph_log.h"
#include "dsbase/holder/graph_surgery.h"
#include "dsbase/holder/running_object_table.h"
#include "pins/operations.h"
#include "runtime/log_gate.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

// The holder whose Error is calling its OnError handler on this thread: an
// error reported from inside that handler raises at once instead of calling
// the handler again, so a handler that retries cannot report in a loop.
thread_local const TDSGraph* tReportingHolder = nullptr;

bool GraphDumpWanted() {
  const QByteArray value = qgetenv("LUMICAR_GRAPH_DUMP");
  return !value.isEmpty() && value != "0";
}

}  // namespace

// Receives the graph's notification on the holder's thread.
class TDSGraph::TEventTarget : public QObject {
 public:
  explicit TEventTarget(TDSGraph* holder) : holder_(holder) {}

  // The holder goes: from inside a notification the target outlives this
  // call (it is deleted once the notification has returned), otherwise it
  // goes at once together with the notifications still posted to it.
  static void Release(std::unique_ptr<QObject>& target) {
    auto* self = static_cast<TEventTarget*>(target.get());
    if (self == nullptr) return;
    self->holder_ = nullptr;
    if (self->dispatching_) {
      target.release()->deleteLater();
    } else {
      target.reset();
    }
  }

  bool event(QEvent* e) override {
    const TDSGraphNotifyEvent* notify = TDSGraphNotifyEvent::From(e);
    if (notify == nullptr) return QObject::event(e);
    if (holder_ == nullptr || notify->Message() != kDSGraphNotifyMessage) return true;
    // Nothing may leave a Qt event handler by exception. A failure is
    // written once, here; the events not yet taken wait for their own
    // notifications, so nothing repeats it.
    dispatching_ = true;
    try {
      holder_->GraphEvent();
    } catch (const Exception& error) {
      qCCritical(lcGraph).noquote() << "Graph event handling failed:" << error.Message();
    } catch (const std::exception& error) {
      qCCritical(lcGraph) << "Graph event handling failed:" << error.what();
    } catch (...) {
      qCCritical(lcGraph) << "Graph event handling failed";
    }
    dispatching_ = false;
    return true;
  }

 private:
  TDSGraph* holder_;
  bool dispatching_ = false;
};

// Sees the hidden window's messages before the window handles them.
class TDSGraph::TWindowHook : public QObject {
 public:
  explicit TWindowHook(TDSGraph* holder) : holder_(holder) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != holder_->OwnerWindow()) return false;
    try {
      holder_->WindowMessage(e);
      if (e->type() == QEvent::Resize) holder_->DoFormResize();
    } catch (...) {
      // The window goes on with its own handling whatever a hook did. Every
      // message of the window passes here: a failing hook is written at most
      // once a second.
      static TLogGate hookLog;
      if (hookLog.Open())
        qCWarning(lcGraph).noquote() << "Passing window event" << int(e->type())
                                     << "to the graph failed:" << CurrentExceptionText();
    }
    return false;
  }

 private:
  TDSGraph* holder_;
};

TDSGraph::TDSGraph(TComponent* owner, ILPLock* lock, TDSGraphEventCallback callback)
    : TLPPersistent(owner, lock), owner_(owner), rawCallback_(std::move(callback)) {
  // Our object model needs no per-thread initialisation.
  initialisedCom_ = true;
  eventTarget_ = std::make_unique<TEventTarget>(this);
  // The hidden window is a widget: it exists when the program is a widget
  // application and the holder is made on its user-interface thread.
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app != nullptr && QThread::currentThread() == app->thread()) {
    auto* window = new QWidget(nullptr);
    window->setWindowTitle(QStringLiteral("Video Preview"));
    ownerWindow_ = window;
    windowHook_ = std::make_unique<TWindowHook>(this);
    window->installEventFilter(windowHook_.get());
  }
  additionalFilters_ = std::make_unique<TDSFilterItems>(this, Lock());
  graphPin_.reset(new TOWMLGraphSourcePin(owner, Lock()->Instance()));
}

TDSGraph::~TDSGraph() { ShutDown(); }

void TDSGraph::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  try {
    DestroyGraph();
  } catch (...) {
    // A receiver of the change failed; the holder goes all the same.
    qCWarning(lcGraph).noquote() << "Taking the graph down while its holder goes failed:" << CurrentExceptionText();
  }
  try {
    if (graphPin_) graphPin_->Notify(MakeIntf<TOWStopOperation>());
  } catch (...) {
    qCWarning(lcGraph).noquote() << "Sending the stop while the graph holder goes failed:" << CurrentExceptionText();
  }
  graphPin_.reset();
  additionalFilters_.reset();
  filters_.Clear();
  {
    auto section = WriteLock();
    msgEvent_ = {};
    rawCallback_ = {};
  }
  drainDock_.reset();
  windowHook_.reset();
  delete ownerWindow_.data();
  TEventTarget::Release(eventTarget_);
  initialisedCom_ = false;
}

// ---- Published ----

void TDSGraph::SetRegister(bool value) {
  Lock()->Setter(register_, value, [this, value] {
    if (!registered_) return;
    if (value) {
      AddToROT();
    } else {
      RemoveFromROT();
    }
  });
}

void TDSGraph::SetAdditionalFilters(TDSFilterItems* source) {
  if (source != nullptr && source != additionalFilters_.get()) additionalFilters_->Assign(source);
}

template <typename T>
T TDSGraph::ReadEvent(const T& field) const {
  auto section = ReadLock();
  return field;
}

template <typename T>
void TDSGraph::WriteEvent(T& field, const T& value) {
  auto section = WriteLock();
  field = value;
}

TDSErrorEvent TDSGraph::OnError() const { return ReadEvent(onError_); }
void TDSGraph::SetOnError(const TDSErrorEvent& event) { WriteEvent(onError_, event); }
TDSWarningEvent TDSGraph::OnWarning() const { return ReadEvent(onWarning_); }
void TDSGraph::SetOnWarning(const TDSWarningEvent& event) { WriteEvent(onWarning_, event); }
TNotifyEvent TDSGraph::OnGraphBuilt() const { return ReadEvent(onGraphBuilt_); }
void TDSGraph::SetOnGraphBuilt(const TNotifyEvent& event) { WriteEvent(onGraphBuilt_, event); }
TNotifyEvent TDSGraph::OnDeviceLost() const { return ReadEvent(onDeviceLost_); }
void TDSGraph::SetOnDeviceLost(const TNotifyEvent& event) { WriteEvent(onDeviceLost_, event); }
TNotifyEvent TDSGraph::OnAborted() const { return ReadEvent(onAborted_); }
void TDSGraph::SetOnAborted(const TNotifyEvent& event) { WriteEvent(onAborted_, event); }
TNotifyEvent TDSGraph::OnStarvation() const { return ReadEvent(onStarvation_); }
void TDSGraph::SetOnStarvation(const TNotifyEvent& event) { WriteEvent(onStarvation_, event); }

void TDSGraph::SetMsgEvent(TDSMessageEvent event) { WriteEvent(msgEvent_, event); }

void TDSGraph::SetDrainMessage(IDSPreviewDock* dock) { drainDock_ = dock; }

void TDSGraph::NotifyOwner(const TNotifyEvent& event) {
  if (event) event(owner_);
}

// ---- The graph ----

bool TDSGraph::CreateGraph() {
  if (graph_) return true;
  void* raw = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &raw);
  if (SUCCEEDED(hr) && raw == nullptr) hr = E_NOINTERFACE;
  if (FAILED(hr)) {
    Error(QStringLiteral("Can't build DirectShow graph."), hr);
    return false;
  }
  graph_ = TIntf<IGraphBuilder>::Adopt(static_cast<IGraphBuilder*>(raw));
  filters_.SetGraph(graph_.get());
  return true;
}

bool TDSGraph::CreateGraphBuilder() {
  if (builder_) return true;
  void* raw = nullptr;
  HRESULT hr =
      CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2, &raw);
  if (SUCCEEDED(hr) && raw == nullptr) hr = E_NOINTERFACE;
  TIntf<ICaptureGraphBuilder2> builder;
  if (SUCCEEDED(hr)) {
    builder = TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
    hr = graph_ ? builder->SetFiltergraph(graph_.get()) : E_POINTER;
  }
  if (FAILED(hr)) {
    Error(QStringLiteral("Can't build DirectShow graph builder."), hr);
    return false;
  }
  builder_ = std::move(builder);
  return true;
}

bool TDSGraph::RegisterAdditionalFilters() {
  if (!graph_ || !additionalFilters_) return false;
  bool all = true;
  const int count = additionalFilters_->Count();
  for (int i = 0; i < count; ++i) {
    try {
      TDSFilterItem* item = additionalFilters_->Item(i);
      TIntf<IMoniker> moniker = item->GetMoniker();
      if (!moniker) {
        all = false;
        continue;
      }
      void* raw = nullptr;
      if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw)) || raw == nullptr) {
        all = false;
        continue;
      }
      TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
      const QString name = item->FilterName() + QStringLiteral("(Additional %1)").arg(i + 1);
      if (FAILED(graph_->AddFilter(filter.get(), reinterpret_cast<const char16_t*>(name.utf16())))) all = false;
    } catch (...) {
      // A filter that cannot be had is left out; the others are still added.
      qCWarning(lcGraph).noquote() << "Adding additional filter" << i + 1 << "failed:" << CurrentExceptionText();
      all = false;
    }
  }
  return all;
}

bool TDSGraph::GetMediaControl() {
  void* raw = nullptr;
  HRESULT hr = graph_ ? graph_->QueryInterface(IID_IMediaControl, &raw) : E_POINTER;
  if (SUCCEEDED(hr) && raw == nullptr) hr = E_NOINTERFACE;
  if (FAILED(hr)) {
    mediaControl_.reset();
    Error(QStringLiteral("Can't obtain IMediaControl."), hr);
    return false;
  }
  mediaControl_ = TIntf<IMediaControl>::Adopt(static_cast<IMediaControl*>(raw));
  return true;
}

bool TDSGraph::Run() {
  // Without media control there is nothing that could start the graph.
  HRESULT hr = E_NOINTERFACE;
  if (mediaControl_) hr = mediaControl_->Run();
  if (SUCCEEDED(hr)) return true;
  if (mediaControl_) mediaControl_->Stop();
  Error(QStringLiteral("Can't start DirectShow graph."), hr);
  return false;
}

void TDSGraph::Stop(bool report) {
  if (!mediaControl_) return;
  const HRESULT hr = mediaControl_->Stop();
  if (FAILED(hr) && report) Error(QStringLiteral("Can't stop DirectShow graph."), hr);
}

bool TDSGraph::SetMediaEvent() {
  TIntf<IMediaEventEx> events = QueryIntf<IMediaEventEx>(graph_.get(), IID_IMediaEventEx);
  if (events != mediaEvent_) ReleaseMediaEvent();
  if (!events) return false;
  mediaEvent_ = events;
  if (FAILED(events->SetNotifyWindow(eventTarget_.get(), kDSGraphNotifyMessage, 0))) return false;
  return SUCCEEDED(events->SetNotifyFlags(0));
}

void TDSGraph::ReleaseMediaEvent() {
  // Once SetNotifyWindow returns, the graph posts nothing more to us: a
  // graph that outlives this holder can never reach it.
  if (mediaEvent_) mediaEvent_->SetNotifyWindow(nullptr, 0, 0);
  mediaEvent_.reset();
}

QString TDSGraph::RunningObjectName() const {
  if (!graph_) return {};
  const auto address = reinterpret_cast<quintptr>(static_cast<IUnknown*>(graph_.get()));
  return QStringLiteral("FilterGraph %1 pid %2")
      .arg(QString::number(address, 16).toUpper().rightJustified(8, QLatin1Char('0')))
      .arg(QString::number(QCoreApplication::applicationPid(), 16).rightJustified(8, QLatin1Char('0')));
}

void TDSGraph::AddToROT() {
  if (!graph_ || rotCookie_ != 0) return;
  IRunningObjectTable* rawTable = nullptr;
  if (FAILED(GetRunningObjectTable(0, &rawTable)) || rawTable == nullptr) return;
  TIntf<IRunningObjectTable> table = TIntf<IRunningObjectTable>::Adopt(rawTable);
  const QString name = RunningObjectName();
  IMoniker* rawMoniker = nullptr;
  if (FAILED(CreateItemMoniker(u"!", reinterpret_cast<const char16_t*>(name.utf16()), &rawMoniker)) ||
      rawMoniker == nullptr)
    return;
  TIntf<IMoniker> moniker = TIntf<IMoniker>::Adopt(rawMoniker);
  uint32_t cookie = 0;
  if (SUCCEEDED(table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph_.get(), moniker.get(), &cookie)))
    rotCookie_ = cookie;
}

void TDSGraph::RemoveFromROT() {
  if (rotCookie_ == 0) return;
  IRunningObjectTable* rawTable = nullptr;
  if (SUCCEEDED(GetRunningObjectTable(0, &rawTable)) && rawTable != nullptr) {
    TIntf<IRunningObjectTable> table = TIntf<IRunningObjectTable>::Adopt(rawTable);
    table->Revoke(rotCookie_);
  }
  rotCookie_ = 0;
}

void TDSGraph::RegisterGraph() {
  if (registered_ || !graph_) return;
  if (Register()) AddToROT();
  registered_ = true;
  DumpGraph("registered");
}

void TDSGraph::UnregisterGraph() {
  if (!registered_) return;
  RemoveFromROT();
  registered_ = false;
}

void TDSGraph::GraphChanged() {
  if (graphPin_) graphPin_->Notify(MakeIntf<TOWMLGraphChangeOperation>(graph_.get()));
  DumpGraph("changed");
}

void TDSGraph::DumpGraph(const char* why) {
  if (!GraphDumpWanted()) return;
  const QString owner = owner_ != nullptr && !owner_->Name().isEmpty() ? owner_->Name() : ClassNameOf(owner_);
  const QString name = graph_ ? RunningObjectName() : QStringLiteral("graph");
  qCInfo(lcGraph).noquote() << filters_.Describe(QStringLiteral("%1 of %2 (%3)").arg(name, owner, QLatin1String(why)));
}

void TDSGraph::GraphBuilt() { NotifyOwner(OnGraphBuilt()); }

void TDSGraph::DestroyGraph() {
  // The table entry keeps the graph alive and belongs to this graph only.
  UnregisterGraph();
  ReleaseMediaEvent();
  mediaControl_.reset();
  videoWindow_.reset();
  if (ownerWindow_) ownerWindow_->hide();
  filters_.Clear();
  graph_.reset();
  builder_.reset();
  drainDock_.reset();
  GraphChanged();
}

// ---- Failures ----

QString TDSGraph::ErrorText(const QString& message, HRESULT code) {
  return QString::asprintf("%s - %u - %x", message.toUtf8().constData(), static_cast<unsigned>(uint32_t(code)),
                           static_cast<unsigned>(uint32_t(code)));
}

void TDSGraph::Error(const QString& message, HRESULT code) {
  // Written whether or not a handler takes it: a handler may mark it handled
  // and say nothing, and without one the exception may end in a guard.
  qCWarning(lcGraph).noquote() << ErrorText(message, code);
  bool handled = false;
  TDSErrorEvent handler = OnError();
  if (handler && tReportingHolder != this) {
    const TDSGraph* outer = tReportingHolder;
    tReportingHolder = this;
    try {
      handler(owner_, message, code, &handled);
    } catch (...) {
      tReportingHolder = outer;
      throw;
    }
    tReportingHolder = outer;
  }
  if (!handled) throw ESLException(ErrorText(message, code));
}

void TDSGraph::Warning(const QString& message, HRESULT code) {
  TDSWarningEvent handler = OnWarning();
  if (handler) {
    handler(owner_, message, code);
  } else {
    qCWarning(lcGraph).noquote() << ErrorText(message, code);
  }
}

void TDSGraph::CheckWarning(const QString& message, HRESULT code) {
  if (FAILED(code)) Warning(message, code);
}

// ---- Filters ----

void TDSGraph::DestroyDownstream(IBaseFilter* filter) { DSDestroyDownstream(graph_.get(), filter); }
void TDSGraph::DestroyUpstream(IBaseFilter* filter) { DSDestroyUpstream(graph_.get(), filter); }
TIntf<IBaseFilter> TDSGraph::GetFilterByClassID(const TGUID& classId) { return DSFilterOfClass(filters_, classId); }
TIntf<IBaseFilter> TDSGraph::GetVideoRender() { return DSVideoRenderOf(filters_); }
TIntf<IBaseFilter> TDSGraph::GetAudioRender() { return DSAudioRenderOf(filters_); }
TIntf<IBaseFilter> TDSGraph::CreateFilterByName(const QString& name) { return DSCreateFilterByName(name); }
bool TDSGraph::ConnectFilterToPin(IBaseFilter* filter, IPin* pin) {
  return DSConnectFilterToPin(graph_.get(), filter, pin);
}

bool TDSGraph::GetFilterList(QStringList* strings) {
  if (strings == nullptr) return false;
  strings->clear();
  return filters_.Names(*strings);
}

bool TDSGraph::SaveToFile(const QString& path) {
  if (!graph_) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  const QByteArray text = filters_.Describe(RunningObjectName()).toUtf8() + '\n';
  if (file.write(text) != text.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

// ---- Video window ----

TIntf<IVideoWindow> TDSGraph::FindVideoWindow() {
  if (!graph_) return {};
  if (TIntf<IVideoWindow> window = QueryIntf<IVideoWindow>(graph_.get(), IID_IVideoWindow)) return window;
  // A graph manager that does not hand out its renderer's video window
  // itself: the first filter that has one.
  std::vector<TIntf<IBaseFilter>> filters;
  filters_.Filters(filters);
  for (const TIntf<IBaseFilter>& filter : filters)
    if (TIntf<IVideoWindow> window = QueryIntf<IVideoWindow>(filter.get(), IID_IVideoWindow)) return window;
  return {};
}

bool TDSGraph::ConfigVideoWindow(IDSPreviewDock* dock, bool show, const QSize& size) {
  TIntf<IVideoWindow> window = FindVideoWindow();
  if (!window) return false;
  videoWindow_ = window;
  QWidget* owner = ownerWindow_.data();
  // The video window is the renderer's: whatever it refuses, the graph runs,
  // and the refusal is logged with what was being asked. A graph whose
  // renderer draws into its component instead of a window of its own
  // answers every call with "no such interface": nothing to place, nothing
  // to say (it would be said on every start of every graph).
  const auto check = [](HRESULT hr, const char* what) {
    if (FAILED(hr) && hr != E_NOINTERFACE)
      qCWarning(lcGraph).nospace() << "Placing the video window: " << what << " failed (code 0x" << Qt::hex
                                   << uint32_t(hr) << Qt::dec << ")";
  };
  try {
    check(window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), "setting its style");
    if (dock != nullptr) {
      if (owner) owner->hide();
      check(window->put_Owner(dock->DockWindow()), "docking it");
      dock->DockResize(size);
      drainDock_ = dock;
      if (QWidget* host = dock->DockWindow())
        check(window->SetWindowPosition(0, 0, host->width(), host->height()), "sizing it to its dock");
    } else {
      check(window->put_Owner(owner), "giving it its owner window");
      drainDock_.reset();
      if (owner) {
        if (show) {
          owner->show();
          check(window->SetWindowPosition(0, 0, owner->width(), owner->height()), "sizing it to its owner");
        } else {
          owner->hide();
        }
      }
    }
    check(window->put_Visible(show ? OATRUE : OAFALSE), "showing or hiding it");
    check(window->put_AutoShow(show ? OATRUE : OAFALSE), "setting whether it shows itself");
    check(window->put_MessageDrain(owner), "passing its messages to the owner");
  } catch (...) {
    qCWarning(lcGraph).noquote() << "Placing the video window failed:" << CurrentExceptionText();
  }
  return true;
}

void TDSGraph::DoFormResize() {
  QWidget* owner = ownerWindow_.data();
  if (!videoWindow_ || drainDock_ || owner == nullptr) return;
  videoWindow_->SetWindowPosition(0, 0, owner->width(), owner->height());
}

void TDSGraph::WindowMessage(QEvent* message) {
  TDSMessageEvent hook = ReadEvent(msgEvent_);
  if (hook) hook(message);
  if (TIntf<IDSPreviewDock> dock = drainDock_) dock->DrainMessage(message);
}

// ---- Graph events ----

void TDSGraph::GraphEvent() {
  auto section = WriteLock();
  if (!section) return;
  TIntf<IMediaEventEx> events = mediaEvent_;
  if (!events) return;
  // A handler may destroy the graph or the holder itself: the token goes
  // with the holder, so it tells whether this object still exists.
  std::weak_ptr<int> alive = lifeToken_;
  int32_t code = 0;
  intptr_t param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    const bool freeFirst = code == EC_ERRORABORT || code == EC_DEVICE_LOST;
    if (freeFirst) events->FreeEventParams(code, param1, param2);
    struct TFreeAfter {
      IMediaEventEx* events;
      int32_t code;
      intptr_t p1, p2;
      bool active;
      ~TFreeAfter() {
        if (active) events->FreeEventParams(code, p1, p2);
      }
    } freeAfter{events.get(), code, param1, param2, !freeFirst};

    if (TDSGraphEventCallback callback = rawCallback_) callback(code, param1, param2);
    if (alive.expired()) return;
    switch (code) {
      case EC_ERRORABORT:
        NotifyOwner(TNotifyEvent(onAborted_));
        break;
      case EC_STARVATION:
        NotifyOwner(TNotifyEvent(onStarvation_));
        break;
      case EC_DEVICE_LOST:
        NotifyOwner(TNotifyEvent(onDeviceLost_));
        break;
      default:
        break;
    }
    // The graph was released or replaced meanwhile: what it still holds is
    // no longer this holder's business.
    if (alive.expired() || mediaEvent_ != events) return;
  }
}

}  // namespace lumicar
