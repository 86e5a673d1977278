#pragma once
// The filter graph manager: holds the filters of one graph under their
// names, connects them (directly, or through a converter from the registry),
// runs and stops them downstream first on a shared monotonic clock, and
// queues the events they raise for the application.

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_graph.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/graph/event_queue.h"
#include "dsbase/graph/graph_interfaces.h"
#include "dsbase/media/media_type.h"
#include "runtime/sync/critical_section.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSVideoWindowDistributor;

class TDSFilterGraph final : public TDSDualUnknown,
                             public IFilterGraph2,
                             public IMediaControl,
                             public IMediaEventEx,
                             public IMediaFilter,
                             public IMediaEventSink {
 public:
  TDSFilterGraph();

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IFilterGraph / IGraphBuilder / IFilterGraph2
  HRESULT AddFilter(IBaseFilter* filter, const char16_t* name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(const char16_t* name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
  // Queued and carried out once no graph operation is running: a filter asks
  // for it from inside a connection, holding its own lock.
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) override;

  // IMediaControl and IMediaFilter
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(int32_t msTimeout, int32_t* state) override;
  HRESULT StopWhenReady() override;
  HRESULT GetClassID(TGUID* classId) override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) override;
  // Only while stopped; nullptr runs the graph without a clock.
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  // IMediaEvent / IMediaEventEx
  HRESULT GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2, int32_t msTimeout) override;
  HRESULT WaitForCompletion(int32_t msTimeout, int32_t* eventCode) override;
  HRESULT CancelDefaultHandling(int32_t eventCode) override;
  HRESULT RestoreDefaultHandling(int32_t eventCode) override;
  HRESULT FreeEventParams(int32_t eventCode, intptr_t param1, intptr_t param2) override;
  HRESULT SetNotifyWindow(QObject* target, int32_t message, intptr_t instanceData) override;
  HRESULT SetNotifyFlags(int32_t flags) override;
  HRESULT GetNotifyFlags(int32_t* flags) override;

  // IMediaEventSink: from any thread, never under the graph lock.
  HRESULT Notify(int32_t eventCode, intptr_t param1, intptr_t param2) override;

  // Carries out the queued reconnections now (for callers that need them
  // done before they go on).
  void FlushReconnects();
  int FilterCount();

 private:
  ~TDSFilterGraph() override;

  struct TEntry {
    TIntf<IBaseFilter> filter;
    QString name;
  };
  struct TReconnect {
    TIntf<IPin> pin;
    TDSMediaType mt;
    bool hasType;
  };
  // Holds the graph lock for one public operation; the outermost one carries
  // out the reconnections queued meanwhile.
  class TOperation;

  int IndexOf(IBaseFilter* filter) const;
  bool Contains(IBaseFilter* filter) const;
  bool PinInGraph(IPin* pin) const;
  bool NameTaken(const QString& name) const;
  QString UniqueName(const QString& wanted) const;
  HRESULT CheckPinPair(IPin* out, IPin* in);
  HRESULT ConnectThroughConverter(const TGUID& clsid, IPin* out, IPin* in);
  HRESULT ConnectPreferringInputTypes(IPin* out, IPin* in);
  void DisconnectFilter(IBaseFilter* filter);
  HRESULT RemoveLocked(IBaseFilter* filter);
  std::vector<IBaseFilter*> DownstreamFirst() const;
  HRESULT CheckMandatoryPins() const;
  void PrepareClock();
  HRESULT PauseLocked();
  HRESULT RunLocked(REFERENCE_TIME start, bool startGiven);
  HRESULT StopLocked();
  void QueueReconnect(IPin* pin, const AM_MEDIA_TYPE* mt);
  void RunPendingReconnects();
  void ReconnectLoop();
  // The graph's IVideoWindow, made on first request.
  HRESULT VideoWindow(void** object);

  TOWCriticalSection lock_{TLockRank::kGraph};
  int operationDepth_ = 0;  // guarded by lock_
  std::vector<TEntry> filters_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  TIntf<IReferenceClock> clock_;
  bool clockChosen_ = false;  // SetSyncSource was called since the last default
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME pausedAt_ = 0;
  bool ranSinceStop_ = false;

  TDSEventQueue events_;
  std::atomic<bool> defaultComplete_{true};
  TLeafMutex completeLock_{"graph completion lock"};  // renderer completion accounting
  int renderers_ = 0;
  std::set<intptr_t> completed_;

  TLeafMutex reconnectLock_{"graph reconnection lock"};  // the queue and the worker's flags
  std::condition_variable_any reconnectWake_;
  std::deque<TReconnect> reconnects_;
  bool reconnectQuit_ = false;
  uint64_t reconnectsQueued_ = 0, reconnectsDone_ = 0;
  std::thread reconnectThread_;

  TLeafMutex videoWindowLock_{"graph video window lock"};  // the pointer below
  TDSVideoWindowDistributor* videoWindow_ = nullptr;       // aggregated, owned
};

}  // namespace lumicar
