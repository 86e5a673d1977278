#pragma once
// An output pin: connects to an input pin that takes samples, agrees an
// allocator with it, and delivers samples, end of stream, flushes and new
// segments downstream.

#include "dsbase/base/base_pin.h"
#include "dsbase/media/sample_interfaces.h"

namespace lumicar {

class TDSBaseOutputPin : public TDSBasePin {
 public:
  TDSBaseOutputPin(const QString& objectName, TDSBaseFilter* filter, TVLSafeSection* lock, const QString& pinName);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;
  // Samples do not flow into an output pin.
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }

  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request);
  // E_NOINTERFACE while the pin has no allocator.
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                                    uint32_t flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT InitAllocator(IMemAllocator** allocator);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  TIntf<IMemAllocator> Allocator() const;
  TIntf<IMemInputPin> ConnectedInputPin() const;

 protected:
  void SetAllocator(IMemAllocator* allocator);

 private:
  TIntf<IMemAllocator> allocator_;  // guarded by peerLock_
  TIntf<IMemInputPin> inputPin_;    // guarded by peerLock_
};

}  // namespace lumicar
