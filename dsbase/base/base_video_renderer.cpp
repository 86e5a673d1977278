#include "dsbase/base/base_video_renderer.h"

#include <cmath>
#include <limits>

#include "dsbase/com/result_codes.h"

namespace lumicar {

namespace {

constexpr double kUnitsPerMs = 10000.0;

double Deviation(double sum, double squares, int32_t n) {
  if (n <= 0) return 0;
  const double mean = sum / n;
  return std::sqrt(std::max(0.0, squares / n - mean * mean));
}

int32_t ToInt(double v) {
  if (!std::isfinite(v)) return 0;
  return int32_t(
      std::clamp(std::lround(v), long(std::numeric_limits<int32_t>::min()), long(std::numeric_limits<int32_t>::max())));
}

}  // namespace

TDSBaseVideoRenderer::TDSBaseVideoRenderer(const QString& name, IUnknown* outer, const TGUID& classId)
    : TDSBaseRenderer(name, outer, classId) {}

TDSBaseVideoRenderer::~TDSBaseVideoRenderer() = default;

HRESULT TDSBaseVideoRenderer::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IQualityControl) return GetInterface<IQualityControl>(this, object);
  return TDSBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSBaseVideoRenderer::Notify(IBaseFilter*, Quality q) {
  TIntf<IQualityControl> sink;
  {
    std::lock_guard guard(statsLock_);
    sink = sink_;
  }
  if (sink) return sink->Notify(this, q);
  TIntf<IPin> upstream = input_->GetConnected();
  if (TIntf<IQualityControl> qc = QueryIntf<IQualityControl>(upstream.get(), IID_IQualityControl))
    return qc->Notify(this, q);
  return VFW_E_NOT_FOUND;
}

HRESULT TDSBaseVideoRenderer::SetSink(IQualityControl* sink) {
  std::lock_guard guard(*lock_);
  TIntf<IQualityControl> old;
  {
    std::lock_guard stats(statsLock_);
    old = std::exchange(sink_, TIntf<IQualityControl>(sink));
  }
  return S_OK;
}

void TDSBaseVideoRenderer::RecordFrameLateness(REFERENCE_TIME lateness, REFERENCE_TIME frameTime) {
  const double late = double(lateness) / kUnitsPerMs;
  std::lock_guard guard(statsLock_);
  if (framesDrawn_ < std::numeric_limits<int32_t>::max()) ++framesDrawn_;
  latenessSum_ += late;
  latenessSquares_ += late * late;
  if (frameTime > 0) {
    const double interval = double(frameTime) / kUnitsPerMs;
    ++intervals_;
    intervalSum_ += interval;
    intervalSquares_ += interval * interval;
  }
}

void TDSBaseVideoRenderer::OnDirectRender(IMediaSample* sample) {
  REFERENCE_TIME now = 0, start = 0, stop = 0;
  const bool clocked = State() == State_Running && SUCCEEDED(StreamTime(&now));
  const bool timed = sample && SUCCEEDED(sample->GetTime(&start, &stop));
  REFERENCE_TIME frameTime = 0;
  if (clocked) {
    std::lock_guard guard(statsLock_);
    if (lastDrawValid_ && now > lastDraw_) frameTime = now - lastDraw_;
    lastDraw_ = now;
    lastDrawValid_ = true;
  }
  REFERENCE_TIME lateness = 0;
  if (clocked && timed) {
    const __int128 late = static_cast<__int128>(now) - start;
    lateness = REFERENCE_TIME(
        std::clamp<__int128>(late, std::numeric_limits<int64_t>::min() / 2, std::numeric_limits<int64_t>::max() / 2));
  }
  RecordFrameLateness(lateness, frameTime);
}

void TDSBaseVideoRenderer::ResetStreamingTimes() {
  std::lock_guard guard(statsLock_);
  framesDrawn_ = framesDropped_ = 0;
  latenessSum_ = latenessSquares_ = 0;
  intervals_ = 0;
  intervalSum_ = intervalSquares_ = 0;
  lastDrawValid_ = false;
  lastDraw_ = 0;
}

HRESULT TDSBaseVideoRenderer::StartStreaming() {
  ResetStreamingTimes();
  return TDSBaseRenderer::StartStreaming();
}

HRESULT TDSBaseVideoRenderer::ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!sample || !start || !stop) return E_POINTER;
  const REFERENCE_TIME limit = maxLateness_.load(std::memory_order_acquire);
  REFERENCE_TIME now = 0;
  if (limit == MAX_TIME || State() != State_Running || FAILED(StreamTime(&now)))
    return TDSBaseRenderer::ShouldDrawSampleNow(sample, start, stop);
  if (static_cast<__int128>(now) - *start > limit) {
    std::lock_guard guard(statsLock_);
    if (framesDropped_ < std::numeric_limits<int32_t>::max()) ++framesDropped_;
    return S_FALSE;
  }
  return TDSBaseRenderer::ShouldDrawSampleNow(sample, start, stop);
}

HRESULT TDSBaseVideoRenderer::GetFramesDrawn(int32_t* frames) {
  if (!frames) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *frames = framesDrawn_;
  return S_OK;
}

HRESULT TDSBaseVideoRenderer::GetFramesDropped(int32_t* frames) {
  if (!frames) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *frames = framesDropped_;
  return S_OK;
}

HRESULT TDSBaseVideoRenderer::GetAvgFrameRate(int32_t* rate) {
  if (!rate) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *rate = intervals_ > 0 && intervalSum_ > 0 ? ToInt(100.0 * 1000.0 * intervals_ / intervalSum_) : 0;
  return S_OK;
}

HRESULT TDSBaseVideoRenderer::GetJitter(int32_t* jitter) {
  if (!jitter) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *jitter = ToInt(Deviation(intervalSum_, intervalSquares_, intervals_));
  return S_OK;
}

HRESULT TDSBaseVideoRenderer::GetAvgSyncOffset(int32_t* offset) {
  if (!offset) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *offset = framesDrawn_ > 0 ? ToInt(latenessSum_ / framesDrawn_) : 0;
  return S_OK;
}

HRESULT TDSBaseVideoRenderer::GetDevSyncOffset(int32_t* deviation) {
  if (!deviation) return E_POINTER;
  std::lock_guard guard(statsLock_);
  *deviation = ToInt(Deviation(latenessSum_, latenessSquares_, framesDrawn_));
  return S_OK;
}

}  // namespace lumicar
