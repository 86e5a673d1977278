// The video renderer base: frame statistics measured against the clock,
// dropping of late samples, the reset at each start of streaming, and
// quality messages passed upstream.

#include "dsbase/base/base_video_renderer.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class VideoRendererTest : public DSLeakCheck {};

class TVideoCollector : public TDSBaseVideoRenderer {
 public:
  TVideoCollector() : TDSBaseVideoRenderer(QStringLiteral("Video collector"), nullptr, GUID_NULL) {}
  HRESULT DoRenderSample(IMediaSample*) override {
    ++rendered;
    return S_OK;
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    return mt && mt->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  int rendered = 0;
};

// A clock that stands where the test puts it.
class TManualClock : public TDSDualUnknown, public IReferenceClock {
 public:
  TManualClock() : TDSDualUnknown(QStringLiteral("Manual clock"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** o) override {
    if (!o) return E_POINTER;
    if (iid == IID_IReferenceClock) return GetInterface<IReferenceClock>(this, o);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, o);
  }
  HRESULT GetTime(REFERENCE_TIME* t) override {
    if (!t) return E_POINTER;
    *t = now;
    return S_OK;
  }
  HRESULT AdviseTime(REFERENCE_TIME, REFERENCE_TIME, void*, uintptr_t*) override { return E_NOTIMPL; }
  HRESULT AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, void*, uintptr_t*) override { return E_NOTIMPL; }
  HRESULT Unadvise(uintptr_t) override { return E_NOTIMPL; }
  std::atomic<REFERENCE_TIME> now{0};
};

struct TStats {
  int32_t drawn = -1, dropped = -1, rate = -1, jitter = -1, offset = -1, deviation = -1;
};

TStats Read(TDSBaseVideoRenderer* r) {
  TStats s;
  EXPECT_EQ(r->GetFramesDrawn(&s.drawn), S_OK);
  EXPECT_EQ(r->GetFramesDropped(&s.dropped), S_OK);
  EXPECT_EQ(r->GetAvgFrameRate(&s.rate), S_OK);
  EXPECT_EQ(r->GetJitter(&s.jitter), S_OK);
  EXPECT_EQ(r->GetAvgSyncOffset(&s.offset), S_OK);
  EXPECT_EQ(r->GetDevSyncOffset(&s.deviation), S_OK);
  return s;
}

constexpr REFERENCE_TIME kFrame = 333333;  // the counting pin's frame time
constexpr REFERENCE_TIME kMs = 10000;

TEST_F(VideoRendererTest, StatisticsFollowTheClockAndLateSamplesAreDropped) {
  TIntf<TCountingSource> source(new TCountingSource(8, 4, 2));
  TIntf<TVideoCollector> renderer(new TVideoCollector);
  TIntf<TManualClock> clock(new TManualClock);
  renderer->SetSyncSource(clock.get());
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  ASSERT_EQ(renderer->Run(0), S_OK);
  ASSERT_EQ(source->Run(0), S_OK);

  // Frames n = 0, 1, 2 drawn 10, 10 and 40 ms after their start times (the
  // clock is never behind a sample, so none waits).
  const REFERENCE_TIME late[] = {10 * kMs, 10 * kMs, 40 * kMs};
  for (REFERENCE_TIME l : late) {
    clock->now = REFERENCE_TIME(source->Pin()->next_.load()) * kFrame + l;
    ASSERT_EQ(source->Pin()->Push(), S_OK);
  }
  TStats s = Read(renderer.get());
  EXPECT_EQ(s.drawn, 3);
  EXPECT_EQ(s.dropped, 0);
  EXPECT_EQ(s.offset, 20);     // (10 + 10 + 40) / 3
  EXPECT_EQ(s.deviation, 14);  // sqrt((100 + 100 + 1600) / 3 - 400)
  // Intervals 33.3 and 63.3 ms: 48.3 ms on average, 15 ms apart from it.
  EXPECT_EQ(s.rate, 2069);
  EXPECT_EQ(s.jitter, 15);

  // Later than allowed: taken, not drawn, counted as dropped.
  renderer->SetMaxLateness(50 * kMs);
  clock->now = REFERENCE_TIME(source->Pin()->next_.load()) * kFrame + 60 * kMs;
  EXPECT_EQ(source->Pin()->Push(), S_OK);
  clock->now = REFERENCE_TIME(source->Pin()->next_.load()) * kFrame + 50 * kMs;
  EXPECT_EQ(source->Pin()->Push(), S_OK);
  EXPECT_EQ(renderer->rendered, 4);
  s = Read(renderer.get());
  EXPECT_EQ(s.drawn, 4);
  EXPECT_EQ(s.dropped, 1);

  // Streaming starts afresh after a pause.
  ASSERT_EQ(renderer->Pause(), S_OK);
  ASSERT_EQ(renderer->Run(0), S_OK);
  s = Read(renderer.get());
  EXPECT_EQ(s.drawn, 0);
  EXPECT_EQ(s.dropped, 0);
  EXPECT_EQ(s.rate, 0);
  EXPECT_EQ(s.offset, 0);

  EXPECT_EQ(renderer->GetFramesDrawn(nullptr), E_POINTER);
  EXPECT_EQ(renderer->GetJitter(nullptr), E_POINTER);
  EXPECT_EQ(renderer->GetAvgFrameRate(nullptr), E_POINTER);
  renderer->Stop();
  source->Stop();
  renderer->SetSyncSource(nullptr);
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

// Records the quality messages it is sent.
class TQualitySink : public TDSDualUnknown, public IQualityControl {
 public:
  TQualitySink() : TDSDualUnknown(QStringLiteral("Quality sink"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** o) override {
    if (!o) return E_POINTER;
    if (iid == IID_IQualityControl) return GetInterface<IQualityControl>(this, o);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, o);
  }
  HRESULT Notify(IBaseFilter* from, Quality q) override {
    sender = from;
    late = q.Late;
    ++count;
    return S_OK;
  }
  HRESULT SetSink(IQualityControl*) override { return S_OK; }
  IBaseFilter* sender = nullptr;
  REFERENCE_TIME late = 0;
  int count = 0;
};

TEST_F(VideoRendererTest, QualityMessagesGoToTheSinkElseUpstream) {
  TIntf<TVideoCollector> renderer(new TVideoCollector);
  IQualityControl* qc = nullptr;
  ASSERT_EQ(renderer->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&qc)), S_OK);
  TIntf<IQualityControl> quality = TIntf<IQualityControl>::Adopt(qc);
  Quality q;
  q.Late = 123;
  EXPECT_EQ(quality->Notify(nullptr, q), VFW_E_NOT_FOUND) << "neither sink nor upstream";

  // Upstream: the transform's output pin hands it to its filter's quality
  // rule and on up to the source pin, whose base answer comes back.
  TIntf<TCountingSource> source(new TCountingSource(8, 4, 2));
  TIntf<TPassThroughTransform> transform(new TPassThroughTransform);
  ASSERT_EQ(ConnectPins(source->Pin(), transform->GetPin(0)), S_OK);
  ASSERT_EQ(ConnectPins(transform->GetPin(1), renderer->GetPin(0)), S_OK);
  EXPECT_EQ(quality->Notify(nullptr, q), E_NOTIMPL);

  TIntf<TQualitySink> sink(new TQualitySink);
  ASSERT_EQ(quality->SetSink(sink.get()), S_OK);
  EXPECT_EQ(quality->Notify(nullptr, q), S_OK);
  EXPECT_EQ(sink->count, 1);
  EXPECT_EQ(sink->late, 123);
  EXPECT_EQ(sink->sender, static_cast<IBaseFilter*>(renderer.get()));
  ASSERT_EQ(quality->SetSink(nullptr), S_OK);
  DisconnectPins(transform->GetPin(1), renderer->GetPin(0));
  DisconnectPins(source->Pin(), transform->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
