#pragma once
// The base of renderers: one input pin, a renderer lock serialising the
// sample path against state changes, each sample rendered once its
// presentation time has come on the reference clock, and end of stream
// reported to the graph with EC_COMPLETE.

#include <atomic>
#include <memory>

#include "dsbase/base/am_event.h"
#include "dsbase/base/base_filter.h"
#include "dsbase/base/base_input_pin.h"
#include "dsbase/base/pos_pass_thru.h"
#include "dsbase/com/result_codes.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSBaseRenderer;

class TDSRendererInputPin : public TDSBaseInputPin {
 public:
  TDSRendererInputPin(TDSBaseRenderer* renderer, const QString& pinName);

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

 private:
  TDSBaseRenderer* renderer_;
};

class TDSBaseRenderer : public TDSBaseFilter {
 public:
  TDSBaseRenderer(const QString& name, IUnknown* outer, const TGUID& classId);

  int GetPinCount() override { return 1; }
  TDSBasePin* GetPin(int index) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  virtual HRESULT GetMediaPositionInterface(const TGUID& iid, void** object);
  // false: a sample waiting for its time must return at once and none may
  // start waiting (stopping, flushing); true: samples wait again.
  virtual HRESULT SourceThreadCanWait(bool canWait);
  // Waits until the sample's start time on the clock; S_FALSE when the wait
  // was cut short by Stop or a flush.
  virtual HRESULT WaitForRenderTime(IMediaSample* sample);
  virtual void OnReceiveFirstSample(IMediaSample*) {}
  virtual void OnRenderStart(IMediaSample*) {}
  virtual void OnRenderEnd(IMediaSample*) {}
  virtual HRESULT OnStartStreaming() { return S_OK; }
  virtual HRESULT OnStopStreaming() { return S_OK; }
  virtual void OnWaitStart() {}
  virtual void OnWaitEnd() {}
  // Called under the renderer lock right before each sample is rendered.
  virtual void PrepareRender() {}
  // Milliseconds until `start`, 0 without a clock or a time stamp.
  virtual uint32_t ScheduleSample(IMediaSample* sample);
  virtual HRESULT GetSampleTimes(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop);
  // Asked for each sample with times: S_OK draws it at once, S_FALSE drops
  // it, any other answer leaves it to the clock (the base's answer).
  virtual HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop);
  virtual HRESULT NotifyEndOfStream();
  virtual HRESULT SendEndOfStream();
  virtual void ResetEndOfStream();
  virtual HRESULT EndOfStream();
  // Reports a pending end of stream once running; called under the
  // renderer lock by EndOfStream and StartStreaming.
  virtual HRESULT TryEndOfStream();
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE*) { return S_OK; }
  virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
  virtual HRESULT PrepareReceive(IMediaSample* sample);
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT Render(IMediaSample* sample);
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT GetMediaType(int, AM_MEDIA_TYPE*) { return VFW_S_NO_MORE_ITEMS; }

  TDSRendererInputPin* InputPin() { return input_.get(); }
  TVLSafeSection* RendererLock() { return &rendererLock_; }
  bool IsEndOfStream() const { return eos_.load(std::memory_order_acquire); }

 protected:
  ~TDSBaseRenderer() override;
  TVLSafeSection rendererLock_{TLockRank::kRenderer};
  TDSAMEvent abort_;  // set while samples must not wait: stopped or flushing
  std::atomic<bool> eos_{false};
  std::atomic<bool> eosSent_{false};
  std::atomic<bool> streaming_{false};
  std::atomic<bool> firstSampleSeen_{false};
  std::unique_ptr<TDSRendererInputPin> input_;
  TLeafMutex positionLock_{"renderer position lock"};
  TDSRendererPosPassThru* position_ = nullptr;  // aggregated, owned
};

}  // namespace lumicar
