#pragma once
// An input pin that takes samples (IMemInputPin): allocator negotiation
// from the receiving side, the streaming checks every sample passes, media
// type changes carried by samples, and flushing.

#include "dsbase/base/base_pin.h"
#include "dsbase/media/sample_interfaces.h"

namespace lumicar {

class TDSBaseInputPin : public TDSBasePin, public IMemInputPin {
 public:
  TDSBaseInputPin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock, const QString& pinName);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IMemInputPin
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) override;
  HRESULT ReceiveCanBlock() override;

  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT Notify(IBaseFilter*, Quality) override { return S_OK; }
  HRESULT Inactive() override;
  HRESULT BreakConnect() override;

  // S_OK when a sample may be taken now; see the order of checks there.
  virtual HRESULT CheckStreaming();
  // The properties of the sample being received (valid inside Receive).
  const AM_SAMPLE2_PROPERTIES* SampleProps() const { return &sampleProps_; }
  TIntf<IMemAllocator> Allocator() const;
  bool IsReadOnly() const { return readOnly_; }
  bool IsFlushing() const { return flushing_.load(std::memory_order_acquire); }

 protected:
  TIntf<IMemAllocator> allocator_;  // guarded by peerLock_
  bool readOnly_ = false;
  std::atomic<bool> flushing_{false};
  AM_SAMPLE2_PROPERTIES sampleProps_;
};

}  // namespace lumicar
