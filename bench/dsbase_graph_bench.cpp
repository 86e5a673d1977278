// The graph services at camera size: one YUY2 sample pushed through the
// colour converter (to RGB24) into the sample grabber's callback, set against
// a memcpy of the RGB24 output; building a graph with RenderStream and one
// converter; and one Run/Stop cycle.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "dsbase/base/source_filter.h"
#include "dsbase/classes/system_classes.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/filters/sample_grabber.h"
#include "dsbase/graph/capture_graph_builder.h"
#include "dsbase/graph/filter_graph_manager.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;

TDSMediaType Yuy2() {
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_YUY2;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = true;
  mt.lSampleSize = kWidth * kHeight * 2;
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(mt, sizeof(VIDEOINFOHEADER)));
  vih->AvgTimePerFrame = 333333;
  vih->bmiHeader = {40, kWidth, kHeight, 1, 16, MEDIASUBTYPE_YUY2.D1, mt.lSampleSize, 0, 0, 0, 0};
  return t;
}

class TYuy2Source;

class TYuy2Pin : public TDSSourceStreamPin {
 public:
  explicit TYuy2Pin(TDSBaseSourceFilter* filter) : TDSSourceStreamPin(QStringLiteral("YUY2 pin"), filter, u"Out"_qs) {}
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES want = *request, actual;
    want.cBuffers = std::max(want.cBuffers, 3);
    want.cbBuffer = std::max(want.cbBuffer, kWidth * kHeight * 2);
    return allocator->SetProperties(&want, &actual);
  }
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, Yuy2().Get());
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    return mt && DSIsEqualMediaType(*mt, Yuy2().Get()) ? S_OK : E_INVALIDARG;
  }
  HRESULT Push() {
    IMediaSample* raw = nullptr;
    HRESULT hr = GetDeliveryBuffer(&raw, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
    sample->SetActualDataLength(kWidth * kHeight * 2);
    return Deliver(sample.get());
  }
};

class TYuy2Source : public TDSBaseSourceFilter {
 public:
  TYuy2Source() : TDSBaseSourceFilter(QStringLiteral("YUY2 source"), nullptr, GUID_NULL), pin_(new TYuy2Pin(this)) {}
  TYuy2Pin* Pin() { return pin_; }

 private:
  TYuy2Pin* pin_;
};

class TCountingCallback : public TDSDualUnknown, public ISampleGrabberCB {
 public:
  TCountingCallback() : TDSDualUnknown(QStringLiteral("Counting callback"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_ISampleGrabberCB) return GetInterface<ISampleGrabberCB>(this, object);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT SampleCB(double, IMediaSample*) override {
    ++calls;
    return S_OK;
  }
  HRESULT BufferCB(double, uint8_t*, int32_t) override { return S_OK; }
  int64_t calls = 0;
};

struct TGraph {
  TIntf<TDSFilterGraph> graph = TIntf<TDSFilterGraph>(new TDSFilterGraph());
  TIntf<TYuy2Source> source = MakeIntf<TYuy2Source>();
  TIntf<TDSSampleGrabber> grabber = MakeIntf<TDSSampleGrabber>();
  TGraph() {
    DSRegisterSystemClasses();
    TDSMediaType rgb;
    rgb->majortype = MEDIATYPE_Video;
    rgb->subtype = MEDIASUBTYPE_RGB24;
    rgb->formattype = FORMAT_VideoInfo;
    grabber->SetMediaType(&rgb.Get());
    graph->AddFilter(source.get(), u"Video Capture Filter");
    graph->AddFilter(grabber.get(), u"VLDS_VideoGrabber");
    graph->SetSyncSource(nullptr);
  }
  HRESULT Build() {
    TIntf<TDSCaptureGraphBuilder> builder(new TDSCaptureGraphBuilder());
    builder->SetFiltergraph(graph.get());
    return builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.get()), nullptr,
                                 grabber.get());
  }
};

double MemcpyNanoseconds() {
  std::vector<uint8_t> a(size_t(kWidth) * kHeight * 3, 1), b(a.size());
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
  return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / 20;
}

void BM_ConvertAndGrabPerSample(benchmark::State& state) {
  TGraph g;
  if (FAILED(g.Build())) {
    state.SkipWithError("build failed");
    return;
  }
  TIntf<TCountingCallback> cb = MakeIntf<TCountingCallback>();
  g.grabber->SetCallback(cb.get(), 0);
  g.graph->Run();
  const double memcpyNs = MemcpyNanoseconds();
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(g.source->Pin()->Push());
  const double perSample = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() /
                           double(state.iterations());
  g.graph->Stop();
  g.grabber->SetCallback(nullptr, 0);
  state.counters["memcpy_ratio"] = perSample / memcpyNs;
  state.counters["callbacks"] = double(cb->calls);
}
BENCHMARK(BM_ConvertAndGrabPerSample)->Unit(benchmark::kMicrosecond);

void BM_MemcpyOfTheOutput(benchmark::State& state) {
  std::vector<uint8_t> a(size_t(kWidth) * kHeight * 3, 1), b(a.size());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MemcpyOfTheOutput)->Unit(benchmark::kMicrosecond);

void BM_RenderStreamWithOneConverter(benchmark::State& state) {
  for (auto _ : state) {
    TGraph g;
    if (FAILED(g.Build())) state.SkipWithError("build failed");
  }
}
BENCHMARK(BM_RenderStreamWithOneConverter)->Unit(benchmark::kMicrosecond);

void BM_RunStop(benchmark::State& state) {
  TGraph g;
  g.Build();
  for (auto _ : state) {
    g.graph->Run();
    g.graph->Stop();
  }
}
BENCHMARK(BM_RunStop)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumicar
