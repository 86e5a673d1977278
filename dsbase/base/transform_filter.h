#pragma once
// A filter with one input and one output pin that turns each received
// sample into a new output sample. The streaming lock serialises the sample
// path against starting and stopping; it is always taken after the filter
// lock, and the sample path takes only it.

#include <atomic>
#include <memory>

#include "dsbase/base/base_filter.h"
#include "dsbase/base/base_input_pin.h"
#include "dsbase/base/base_output_pin.h"
#include "dsbase/base/pos_pass_thru.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSTransformFilter;

class TDSTransformInputPin : public TDSBaseInputPin {
 public:
  TDSTransformInputPin(const QString& objectName, TDSTransformFilter* filter, const QString& pinName);

  HRESULT QueryId(char16_t** id) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT CheckStreaming() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 protected:
  TDSTransformFilter* transform_;
};

class TDSTransformOutputPin : public TDSBaseOutputPin {
 public:
  TDSTransformOutputPin(const QString& objectName, TDSTransformFilter* filter, const QString& pinName);
  ~TDSTransformOutputPin() override;

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT QueryId(char16_t** id) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Notify(IBaseFilter* self, Quality q) override;

 protected:
  TDSTransformFilter* transform_;

 private:
  TLeafMutex passThruLock_{"transform position lock"};
  TDSPosPassThru* passThru_ = nullptr;  // aggregated into this pin, owned
};

class TDSTransformFilter : public TDSBaseFilter {
 public:
  TDSTransformFilter(const QString& name, IUnknown* outer, const TGUID& classId);

  int GetPinCount() override { return 2; }
  TDSBasePin* GetPin(int index) override;
  HRESULT FindPin(const char16_t* id, IPin** pin) override;
  HRESULT Stop() override;
  HRESULT Pause() override;

  // E_UNEXPECTED: a derived filter transforms or overrides Receive.
  virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT StartStreaming() { return S_OK; }
  virtual HRESULT StopStreaming() { return S_OK; }
  // S_FALSE: not handled here, pass the message upstream.
  virtual HRESULT AlterQuality(const Quality&) { return S_FALSE; }
  virtual HRESULT SetMediaType(PIN_DIRECTION, const AM_MEDIA_TYPE*) { return S_OK; }
  virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
  virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
  virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
  // Runs under the streaming lock for every sample the input pin accepted.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT InitializeOutputSample(IMediaSample* sample, IMediaSample** outSample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  TDSTransformInputPin* InputPin();
  TDSTransformOutputPin* OutputPin();
  TVLSafeSection* StreamingLock() { return &streamingLock_; }

 protected:
  ~TDSTransformFilter() override;
  // Creates the two pins; the in-place filter makes its own kind.
  virtual bool CreatePins();
  // A skipped sample: remember it and report the quality change once per Pause.
  void SampleSkipped();

  TVLSafeSection streamingLock_{TLockRank::kStreaming};
  std::atomic<bool> eosDelivered_{false};
  std::atomic<bool> sampleSkipped_{false};
  std::atomic<bool> qualityChanged_{false};
  std::atomic<bool> pinsMade_{false};
  std::unique_ptr<TDSTransformInputPin> input_;
  std::unique_ptr<TDSTransformOutputPin> output_;
};

}  // namespace lumicar
