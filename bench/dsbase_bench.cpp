// One 1600 x 1200 RGB24 sample from a committed allocator through source pin
// → transform → in-place filter → renderer base, with no pixel work: the
// per-sample cost of the bases themselves. The "allocs" counter reports heap
// allocations (operator new) per sample on this steady path.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "dsbase/base/base_renderer.h"
#include "dsbase/base/source_filter.h"
#include "dsbase/base/trans_in_place_filter.h"
#include "dsbase/base/transform_filter.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace {
std::atomic<int64_t> allocations{0};
}

void* operator new(size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;

TDSMediaType Rgb24() {
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB24;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = true;
  mt.lSampleSize = DSBitmapImageSize(kWidth, kHeight, 24);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(mt, sizeof(VIDEOINFOHEADER)));
  vih->bmiHeader = BITMAPINFOHEADER{40, kWidth, kHeight, 1, 24, BI_RGB, mt.lSampleSize, 0, 0, 0, 0};
  return t;
}

bool IsRgb24(const AM_MEDIA_TYPE* mt) { return mt && mt->subtype == MEDIASUBTYPE_RGB24 && DSBitmapHeader(*mt); }

HRESULT SizeFor(IMemAllocator* a, ALLOCATOR_PROPERTIES* request, int32_t bytes) {
  ALLOCATOR_PROPERTIES want = *request, got;
  want.cBuffers = std::max(want.cBuffers, 2);
  want.cbBuffer = std::max(want.cbBuffer, bytes);
  return a->SetProperties(&want, &got);
}

class TSource : public TDSBaseSourceFilter {
 public:
  class TPin : public TDSSourceStreamPin {
   public:
    explicit TPin(TSource* f) : TDSSourceStreamPin(QStringLiteral("Bench pin"), f, QStringLiteral("Output")) {}
    HRESULT IntDecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* r) override {
      return SizeFor(a, r, int32_t(CurrentMediaType().lSampleSize));
    }
    HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override {
      if (position != 0) return VFW_S_NO_MORE_ITEMS;
      return LPDSCopyMediaType(*mt, Rgb24().Get());
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override { return IsRgb24(mt) ? S_OK : E_INVALIDARG; }
  };
  TSource() : TDSBaseSourceFilter(QStringLiteral("Bench source"), nullptr, GUID_NULL), pin(new TPin(this)) {}
  TPin* pin;
};

class TTransform : public TDSTransformFilter {
 public:
  TTransform() : TDSTransformFilter(QStringLiteral("Bench transform"), nullptr, GUID_NULL) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override { return IsRgb24(mt) ? S_OK : E_INVALIDARG; }
  HRESULT CheckTransform(const AM_MEDIA_TYPE*, const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* r) override {
    return SizeFor(a, r, int32_t(InputPin()->CurrentMediaType().lSampleSize));
  }
  HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, InputPin()->CurrentMediaType());
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    return out->SetActualDataLength(in->GetActualDataLength());
  }
};

class TInPlace : public TDSTransInPlaceFilter {
 public:
  TInPlace() : TDSTransInPlaceFilter(QStringLiteral("Bench in-place"), nullptr, GUID_NULL) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override { return IsRgb24(mt) ? S_OK : E_INVALIDARG; }
  HRESULT Transform(IMediaSample*) override { return S_OK; }
};

class TRenderer : public TDSBaseRenderer {
 public:
  TRenderer() : TDSBaseRenderer(QStringLiteral("Bench renderer"), nullptr, GUID_NULL) {}
  HRESULT DoRenderSample(IMediaSample*) override {
    ++rendered;
    return S_OK;
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override { return IsRgb24(mt) ? S_OK : E_INVALIDARG; }
  int64_t rendered = 0;
};

void BM_SampleRoundTrip(benchmark::State& state) {
  TIntf<TSource> source(new TSource);
  TIntf<TTransform> transform(new TTransform);
  TIntf<TInPlace> inPlace(new TInPlace);
  TIntf<TRenderer> renderer(new TRenderer);
  if (source->pin->Connect(transform->GetPin(0), nullptr) != S_OK ||
      transform->GetPin(1)->Connect(inPlace->GetPin(0), nullptr) != S_OK ||
      inPlace->GetPin(1)->Connect(renderer->GetPin(0), nullptr) != S_OK) {
    state.SkipWithError("connection failed");
    return;
  }
  IBaseFilter* order[] = {renderer.get(), inPlace.get(), transform.get(), source.get()};
  for (IBaseFilter* f : order) f->Run(0);

  int64_t allocsBefore = 0;
  bool first = true;
  for (auto _ : state) {
    if (first) {
      allocsBefore = allocations.load();
      first = false;
    }
    REFERENCE_TIME start = 0, stop = 1;
    IMediaSample* sample = nullptr;
    if (source->pin->GetDeliveryBuffer(&sample, &start, &stop, 0) != S_OK) {
      state.SkipWithError("no buffer");
      break;
    }
    const HRESULT hr = source->pin->Deliver(sample);
    sample->Release();
    if (hr != S_OK) {
      state.SkipWithError("delivery failed");
      break;
    }
  }
  const int64_t allocs = allocations.load() - allocsBefore;
  state.counters["allocs"] = benchmark::Counter(double(allocs), benchmark::Counter::kAvgIterations);
  state.counters["rendered"] = double(renderer->rendered);

  for (IBaseFilter* f : order) f->Stop();
  inPlace->GetPin(1)->Disconnect();
  renderer->GetPin(0)->Disconnect();
  transform->GetPin(1)->Disconnect();
  inPlace->GetPin(0)->Disconnect();
  source->pin->Disconnect();
  transform->GetPin(0)->Disconnect();
}
BENCHMARK(BM_SampleRoundTrip);

}  // namespace
}  // namespace lumicar
