#pragma once
// TDSGraph: the holder of one filter graph for a component. It makes the
// graph and the capture graph builder on demand, adds the additional filters,
// runs and stops the graph, registers it in the running object table, brings
// the graph's events to the component on the user-interface thread, owns the
// hidden window that hosts a renderer's video window when previewing, and is
// the one place through which graph failures are reported.
//
// Everything but the setters of events and Register, and GraphEvent, runs on
// the caller's thread without a lock of its own; the hidden window and the
// event route belong to the thread that made the holder (the user-interface
// thread), which is also the one that destroys it.

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "components/lp_persistent.h"
#include "dsbase/graph/builder_interfaces.h"
#include "dsbase/graph/graph_interfaces.h"
#include "dsbase/graph/video_renderer_interfaces.h"
#include "dsbase/holder/filter_item.h"
#include "dsbase/holder/filters_view.h"
#include "dsbase/holder/graph_events.h"
#include "dsbase/holder/graph_pin.h"
#include "dsbase/holder/preview_dock.h"
#include "runtime/component.h"

class QObject;

namespace lumicar {

// The message with which the graph's event notification reaches the holder.
constexpr int32_t kDSGraphNotifyMessage = 0x8001;

class TDSGraph : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool Register READ Register WRITE SetRegister)
  Q_PROPERTY(lumicar::TDSFilterItems* AdditionalFilters READ AdditionalFilters WRITE SetAdditionalFilters)
  Q_PROPERTY(lumicar::TOWMLGraphSourcePin* GraphPin READ GraphPin)
  Q_PROPERTY(lumicar::TDSErrorEvent OnError READ OnError WRITE SetOnError)
  Q_PROPERTY(lumicar::TDSWarningEvent OnWarning READ OnWarning WRITE SetOnWarning)
  Q_PROPERTY(lumicar::TNotifyEvent OnGraphBuilt READ OnGraphBuilt WRITE SetOnGraphBuilt)
  Q_PROPERTY(lumicar::TNotifyEvent OnDeviceLost READ OnDeviceLost WRITE SetOnDeviceLost)
  Q_PROPERTY(lumicar::TNotifyEvent OnAborted READ OnAborted WRITE SetOnAborted)
  Q_PROPERTY(lumicar::TNotifyEvent OnStarvation READ OnStarvation WRITE SetOnStarvation)
  Q_CLASSINFO("Default.Register", "False")

 public:
  // Belongs to owner (the sender of every event) and shares its lock;
  // callback receives every graph event.
#ifndef Q_MOC_RUN
  template <LPLockOwner Owner>
  requires std::derived_from<Owner, TComponent>
  explicit TDSGraph(Owner* owner, TDSGraphEventCallback callback = {})
      : TDSGraph(owner, owner != nullptr ? owner->Lock() : nullptr, std::move(callback)) {}
#endif
  // Shares lock (a lock of its own when lock is none).
  TDSGraph(TComponent* owner, ILPLock* lock, TDSGraphEventCallback callback = {});
  ~TDSGraph() override;

  // ---- Published ----
  bool Register() const { return Lock()->Getter(register_); }
  // Under the write lock; while the graph is registered the entry is added or
  // removed at once.
  void SetRegister(bool value);
  TDSFilterItems* AdditionalFilters() const { return additionalFilters_.get(); }
  void SetAdditionalFilters(TDSFilterItems* source);
  TOWMLGraphSourcePin* GraphPin() const { return graphPin_.get(); }

  TDSErrorEvent OnError() const;
  void SetOnError(const TDSErrorEvent& event);
  TDSWarningEvent OnWarning() const;
  void SetOnWarning(const TDSWarningEvent& event);
  TNotifyEvent OnGraphBuilt() const;
  void SetOnGraphBuilt(const TNotifyEvent& event);
  TNotifyEvent OnDeviceLost() const;
  void SetOnDeviceLost(const TNotifyEvent& event);
  TNotifyEvent OnAborted() const;
  void SetOnAborted(const TNotifyEvent& event);
  TNotifyEvent OnStarvation() const;
  void SetOnStarvation(const TNotifyEvent& event);

  // ---- The graph ----
  // Makes the filter graph manager unless there is one. Failure: error
  // "Can't build DirectShow graph.".
  bool CreateGraph();
  // Makes the capture graph builder unless there is one and gives it the
  // graph. Failure of either step: error "Can't build DirectShow graph builder.".
  bool CreateGraphBuilder();
  // Adds every additional filter under "<FilterName>(Additional <n>)"; false
  // when any had no moniker or failed, but every one is tried.
  bool RegisterAdditionalFilters();
  // Failure: error "Can't obtain IMediaControl.".
  bool GetMediaControl();
  // Failure (also without media control): the graph is stopped and error
  // "Can't start DirectShow graph." is reported with the code.
  bool Run();
  // A failure is reported as "Can't stop DirectShow graph." only with report.
  void Stop(bool report = true);
  // Obtains the media event and directs its notification to this holder.
  bool SetMediaEvent();
  // Detaches and releases the media event (also part of DestroyGraph).
  void ReleaseMediaEvent();
  // Once per graph: adds it to the running object table when Register is
  // true. With LUMICAR_GRAPH_DUMP set, the graph is described in the log.
  void RegisterGraph();
  void UnregisterGraph();
  bool IsRegistered() const { return registered_; }
  // The name the graph has (or would have) in the running object table.
  QString RunningObjectName() const;
  // Sends the graph as it is now out of GraphPin (and to the log with
  // LUMICAR_GRAPH_DUMP set).
  void GraphChanged();
  // Raises OnGraphBuilt.
  void GraphBuilt();
  // Releases the graph, its builder and interfaces (the running object table
  // entry and the media event's notification included), hides the hidden
  // window and announces the change; the next CreateGraph makes a new graph.
  void DestroyGraph();

  // ---- Failures ----
  // OnError (owner, message, code, handled := false); unless the handler set
  // handled, raises ESLException "<message> - <code unsigned> - <code hex>".
  void Error(const QString& message, HRESULT code);
  // OnWarning (owner, message, code) when assigned; nothing else.
  void Warning(const QString& message, HRESULT code);
  // Warning when code is a failure code.
  void CheckWarning(const QString& message, HRESULT code);
  // The exception text Error raises.
  static QString ErrorText(const QString& message, HRESULT code);

  // ---- Filters ----
  // Removes everything downstream (upstream) of filter from the graph,
  // farthest first. Downstream failures are passed over.
  void DestroyDownstream(IBaseFilter* filter);
  void DestroyUpstream(IBaseFilter* filter);
  // The first video (audio) renderer in the graph, or none.
  TIntf<IBaseFilter> GetVideoRender();
  TIntf<IBaseFilter> GetAudioRender();
  TIntf<IBaseFilter> GetFilterByClassID(const TGUID& classId);
  // The registered filter of that name (as the filter list shows it), bound.
  TIntf<IBaseFilter> CreateFilterByName(const QString& name);
  // Connects the first output pin of filter that connects to pin.
  bool ConnectFilterToPin(IBaseFilter* filter, IPin* pin);
  // One line per filter; false without a list or graph.
  bool GetFilterList(QStringList* strings);
  // There is no structured storage on Linux: writes the readable description
  // of the graph (filters, pins, connections, media types, state) instead.
  // False without a graph or when the file cannot be written.
  bool SaveToFile(const QString& path);

  // ---- Video window ----
  // Places the graph's video window in dock (or, without one, in the hidden
  // window, shown when show is true). False when the graph has no video window.
  bool ConfigVideoWindow(IDSPreviewDock* dock, bool show, const QSize& size);
  void SetMsgEvent(TDSMessageEvent event);
  void SetDrainMessage(IDSPreviewDock* dock);
  IDSPreviewDock* DrainDock() const { return drainDock_.get(); }

  // ---- Graph events ----
  // Takes every queued event (time-out 0) and hands each to the raw callback,
  // then raises OnAborted (3), OnStarvation (23) or OnDeviceLost (31); under
  // the write lock (nothing when the lock gives no section). Runs when the
  // graph's notification arrives; callable directly on the same thread.
  void GraphEvent();

  // ---- State for the owner ----
  TComponent* Owner() const { return owner_; }
  IGraphBuilder* Graph() const { return graph_.get(); }
  ICaptureGraphBuilder2* GraphBuilder() const { return builder_.get(); }
  IMediaControl* MediaControl() const { return mediaControl_.get(); }
  IMediaEventEx* MediaEvent() const { return mediaEvent_.get(); }
  // The video window slot, filled by ConfigVideoWindow or by the owner.
  IVideoWindow* VideoWindow() const { return videoWindow_.get(); }
  void SetVideoWindow(IVideoWindow* window) { videoWindow_ = window; }
  // The hidden window captioned "Video Preview" (none without a widget
  // application).
  QWidget* OwnerWindow() const { return ownerWindow_.data(); }
  // The object the graph's notification is posted to.
  QObject* EventTarget() const { return eventTarget_.get(); }
  const TDSFilters& FiltersView() const { return filters_; }
  // COM needs no initialisation here; kept so that the life cycle reads as
  // the holder's owners expect.
  bool InitialisedCOM() const { return initialisedCom_; }

 protected:
  // The hidden window got a new size: the video window follows it when the
  // window hosts it.
  virtual void DoFormResize();
  // A message of the hidden window other than the graph notification: to the
  // message event and the drain dock first.
  virtual void WindowMessage(QEvent* message);
  // Announces a stop on GraphPin and lets go of everything; the destructor
  // calls it, descendants that need their own fields for it call it first.
  void ShutDown();

 private:
  class TEventTarget;
  class TWindowHook;

  void AddToROT();
  void RemoveFromROT();
  void DumpGraph(const char* why);
  TIntf<IVideoWindow> FindVideoWindow();
  void NotifyOwner(const TNotifyEvent& event);
  template <typename T>
  T ReadEvent(const T& field) const;
  template <typename T>
  void WriteEvent(T& field, const T& value);

  TComponent* owner_;
  // Lives exactly as long as the holder: handlers called from GraphEvent may
  // destroy it.
  std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
  bool initialisedCom_ = false;
  bool shutDown_ = false;
  std::unique_ptr<QObject> eventTarget_;
  QPointer<QWidget> ownerWindow_;
  std::unique_ptr<QObject> windowHook_;

  TIntf<IGraphBuilder> graph_;
  TIntf<ICaptureGraphBuilder2> builder_;
  TIntf<IMediaControl> mediaControl_;
  TIntf<IMediaEventEx> mediaEvent_;
  TIntf<IVideoWindow> videoWindow_;
  TIntf<IDSPreviewDock> drainDock_;
  bool registered_ = false;
  uint32_t rotCookie_ = 0;
  bool inError_ = false;

  // Guarded by the lock.
  bool register_ = false;
  TDSErrorEvent onError_;
  TDSWarningEvent onWarning_;
  TNotifyEvent onGraphBuilt_;
  TNotifyEvent onDeviceLost_;
  TNotifyEvent onAborted_;
  TNotifyEvent onStarvation_;
  TDSGraphEventCallback rawCallback_;
  TDSMessageEvent msgEvent_;

  std::unique_ptr<TDSFilterItems> additionalFilters_;
  TOWPinPtr<TOWMLGraphSourcePin> graphPin_;
  TDSFilters filters_;
};

}  // namespace lumicar
