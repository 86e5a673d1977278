#pragma once
// The renderer base for video: keeps the statistics of how frames were
// drawn (count, drops, frame rate, jitter, lateness against the clock) and
// takes quality messages, which it passes upstream.

#include <mutex>

#include "dsbase/base/base_renderer.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSBaseVideoRenderer : public TDSBaseRenderer, public IQualityControl {
 public:
  TDSBaseVideoRenderer(const QString& name, IUnknown* outer, const TGUID& classId);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IQualityControl: a renderer has no downstream to act on a message; it
  // goes to the sink when one is set, else to the pin upstream
  // (VFW_E_NOT_FOUND when there is neither).
  HRESULT Notify(IBaseFilter* self, Quality q) override;
  HRESULT SetSink(IQualityControl* sink) override;

  // Records one drawn frame: `lateness` against its start time and
  // `frameTime` since the frame drawn before (0: none before, or no clock).
  virtual void RecordFrameLateness(REFERENCE_TIME lateness, REFERENCE_TIME frameTime);
  // Records `sample` as drawn now; called for every rendered sample, and by
  // a derived renderer for frames it draws outside Receive.
  virtual void OnDirectRender(IMediaSample* sample);
  // Clears the statistics; each start of streaming begins afresh.
  virtual void ResetStreamingTimes();

  void OnRenderStart(IMediaSample* sample) override { OnDirectRender(sample); }
  HRESULT StartStreaming() override;
  // Drops a sample later than the maximum lateness; else the clock decides.
  HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;

  // A running sample later than this on the clock is dropped instead of
  // drawn; MAX_TIME (the default) draws every sample.
  void SetMaxLateness(REFERENCE_TIME lateness) { maxLateness_.store(lateness, std::memory_order_release); }

  // The statistics since streaming started. Times in milliseconds, the frame
  // rate in frames per 100 seconds; 0 while nothing was measured.
  HRESULT GetFramesDrawn(int32_t* frames);
  HRESULT GetFramesDropped(int32_t* frames);
  HRESULT GetAvgFrameRate(int32_t* rate);
  HRESULT GetJitter(int32_t* jitter);
  HRESULT GetAvgSyncOffset(int32_t* offset);
  HRESULT GetDevSyncOffset(int32_t* deviation);

 protected:
  ~TDSBaseVideoRenderer() override;

 private:
  std::atomic<REFERENCE_TIME> maxLateness_{MAX_TIME};

  // Leaf lock over the statistics: written on the sample path, read by
  // anyone; nothing is called while it is held.
  mutable TLeafMutex statsLock_{"video renderer statistics lock"};
  TIntf<IQualityControl> sink_;  // guarded by statsLock_
  int32_t framesDrawn_ = 0;
  int32_t framesDropped_ = 0;
  double latenessSum_ = 0, latenessSquares_ = 0;  // ms
  int32_t intervals_ = 0;
  double intervalSum_ = 0, intervalSquares_ = 0;  // ms
  bool lastDrawValid_ = false;
  REFERENCE_TIME lastDraw_ = 0;
};

}  // namespace lumicar
