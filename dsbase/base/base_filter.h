#pragma once
// The base of every media filter of the program: reference counting, the
// Stop/Pause/Run state machine over its connected pins, the clock, graph
// membership and event reporting. A derived filter supplies its pins.

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

#include "dsbase/base/safe_section.h"
#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_interfaces.h"
#include "dsbase/media/media_type.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSBasePin;
class IMediaEventSink;

class TDSBaseFilter : public TDSDualUnknown, public IBaseFilter {
 public:
  TDSBaseFilter(const QString& name, IUnknown* outer, const TGUID& classId);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IPersist / IMediaFilter / IBaseFilter
  HRESULT GetClassID(TGUID* classId) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(uint32_t timeoutMs, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(const char16_t* id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, const char16_t* name) override;
  HRESULT QueryVendorInfo(char16_t** vendorInfo) override;

  // Clock time minus the start time; VFW_E_NO_CLOCK without a clock.
  virtual HRESULT StreamTime(REFERENCE_TIME* time);
  virtual int32_t GetPinVersion() const { return pinVersion_.load(std::memory_order_acquire); }
  virtual int GetPinCount() = 0;
  // The pin at `index` (not counted), or nullptr.
  virtual TDSBasePin* GetPin(int index) = 0;

  // Passes an event to the graph's sink; for EC_COMPLETE the second
  // parameter becomes this filter.
  HRESULT NotifyEvent(int32_t code, intptr_t param1, intptr_t param2);
  // Asks the graph to reconnect `pin` with `mt`; E_NOINTERFACE outside a graph.
  HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* mt);
  bool IsActive() const { return state_.load(std::memory_order_acquire) != State_Stopped; }
  bool IsStopped() const { return state_.load(std::memory_order_acquire) == State_Stopped; }
  FILTER_STATE State() const { return state_.load(std::memory_order_acquire); }
  TVLSafeSection* FilterLock() { return lock_.get(); }
  void IncrementPinVersion() { pinVersion_.fetch_add(1, std::memory_order_acq_rel); }
  QString FilterName() const;
  IFilterGraph* Graph() const { return graph_.load(std::memory_order_acquire); }

 protected:
  ~TDSBaseFilter() override;
  void SetState(FILTER_STATE s) { state_.store(s, std::memory_order_release); }

  std::atomic<FILTER_STATE> state_{State_Stopped};
  // The clock is read on the sample path (StreamTime), which must not take
  // the filter lock: a leaf lock of its own guards it.
  mutable TLeafMutex clockLock_{"filter clock lock"};
  TIntf<IReferenceClock> clock_;
  std::atomic<REFERENCE_TIME> start_{0};
  TGUID classId_;
  std::unique_ptr<TVLSafeSection> lock_;
  QString name_;
  // Not counted: the graph owns us. Atomic because the streaming path reports
  // events without the filter lock, which it must never take.
  std::atomic<IFilterGraph*> graph_{nullptr};
  std::atomic<IMediaEventSink*> eventSink_{nullptr};
  std::atomic<int32_t> pinVersion_{1};
};

}  // namespace lumicar
