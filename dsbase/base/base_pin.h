#pragma once
// The base of every pin: connection (type agreement in two rounds),
// disconnection, pin information and quality sink. A pin shares its
// filter's lock and lives as long as its filter: its references go to the
// filter.

#include <QString>
#include <atomic>
#include <mutex>

#include "dsbase/base/safe_section.h"
#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_interfaces.h"
#include "dsbase/media/media_type.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSBaseFilter;

class TDSBasePin : public TDSDualUnknown, public IPin, public IQualityControl {
 public:
  TDSBasePin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock, const QString& pinName,
             PIN_DIRECTION dir);

  // Pins belong to their filter, which destroys them with itself.
  ~TDSBasePin() override;

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  uint32_t NonDelegatingAddRef() override;
  uint32_t NonDelegatingRelease() override;

  // IPin
  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PIN_DIRECTION* dir) override;
  HRESULT QueryId(char16_t** id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) override;
  HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT QueryInternalConnections(IPin** pins, uint32_t* count) override;
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IQualityControl
  HRESULT Notify(IBaseFilter* self, Quality q) override;
  HRESULT SetSink(IQualityControl* sink) override;

  virtual int32_t GetMediaTypeVersion() const { return typeVersion_.load(std::memory_order_acquire); }
  void IncrementTypeVersion() { typeVersion_.fetch_add(1, std::memory_order_acq_rel); }
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME /*start*/) { return S_OK; }
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT CompleteConnect(IPin* /*receivePin*/) { return S_OK; }
  // Fills the type at `position` (handed in prepared); VFW_S_NO_MORE_ITEMS
  // past the last one. The base pin has none.
  virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt);

  bool IsConnected() const;
  // The connected pin, counted; empty when unconnected.
  TIntf<IPin> GetConnected() const;
  PIN_DIRECTION Direction() const { return dir_; }
  const QString& PinName() const { return pinName_; }
  TDSBaseFilter* Filter() const { return filter_; }
  bool IsStopped() const;
  const AM_MEDIA_TYPE& CurrentMediaType() const { return mt_.Get(); }
  TIntf<IQualityControl> QualitySink() const;
  void SetTryMyTypesFirst(bool on) { tryMyTypesFirst_ = on; }
  void SetCanReconnectWhenActive(bool on) { canReconnectWhenActive_ = on; }
  REFERENCE_TIME SegmentStart() const { return segmentStart_; }
  REFERENCE_TIME SegmentStop() const { return segmentStop_; }
  double SegmentRate() const { return segmentRate_; }
  int32_t PinRefCount() const { return pinRefs_.load(std::memory_order_relaxed); }

 protected:
  void SetConnected(IPin* pin);
  HRESULT AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* mt);
  HRESULT TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* mt, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& mt);
  // CheckMediaType's answer as a connection sees it.
  HRESULT CheckTypeForConnection(const AM_MEDIA_TYPE* mt);

  QString pinName_;
  PIN_DIRECTION dir_;
  TVLSafeSection* lock_;  // the filter's, not owned
  std::atomic<bool> runtimeError_{false};
  bool canReconnectWhenActive_ = false;
  TDSBaseFilter* filter_;  // not counted: it owns us
  std::atomic<int32_t> typeVersion_{1};
  TDSMediaType mt_;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_;
  double segmentRate_ = 1.0;
  std::atomic<int32_t> pinRefs_{0};
  bool tryMyTypesFirst_ = false;

  // Guards the peer and the pointers the streaming path reads (peer,
  // allocator, quality sink) against a concurrent connect or disconnect. A
  // leaf lock: nothing is called while it is held.
  mutable TLeafMutex peerLock_{"media pin peer lock"};

 private:
  TIntf<IPin> connected_;
  TIntf<IQualityControl> qualitySink_;
};

}  // namespace lumicar
