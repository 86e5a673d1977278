// The video renderer's CPU cost per frame at 1600 x 1200, YUY2 and RGB24,
// from the renderer's receive to the texture upload call: the input pin's
// Receive on the streaming thread (checks, statistics, the hand-over of the
// frame, the repaint request posted), the request arriving on the
// user-interface thread, the newest frame taken and its upload described
// (what the OpenGL surface passes to glTexImage2D / glTexSubImage2D). Each
// iteration delivers a fresh sample of the source's allocator, as a source
// does. Kept: the source's allocator has samples to spare (the display's
// source has three), so the renderer keeps the sample instead of copying
// it. Copied: a source with a single sample, whose frames the renderer
// copies into its own buffers. Not included: the upload itself and the GPU
// work, which need an OpenGL context (absent on the offscreen platform these
// programs run on). Next to it: memcpy of the frame, what the copied path
// adds; the counter vs_memcpy is the ratio of the two CPU times. For
// comparison, the QPainter fallback's conversion of the frame on the
// user-interface thread.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstring>
#include <vector>

#include "dsbase/render/gl_frame_upload.h"
#include "dsbase/render/video_renderer.h"
#include "testing/bench_cpu_time.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;

// Posted requests need an application; no window is made.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_video_renderer";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  benchmark::DoNotOptimize(app);
}

using benchclock::MemcpyNs;

void BM_Memcpy(benchmark::State& state, int bits) {
  const size_t bytes = DSBitmapImageSize(kWidth, kHeight, bits);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_ReceiveToUpload(benchmark::State& state, const TGUID& subtype, int bits, int buffers) {
  EnsureApplication();
  TIntf<dstest::TCountingSource> source(new dstest::TCountingSource(kWidth, kHeight, buffers));
  source->Pin()->offered_ = {dstest::VideoType(kWidth, kHeight, subtype, bits)};
  TIntf<TDSVideoRenderer> renderer(new TDSVideoRenderer);
  TDSMediaType type = dstest::VideoType(kWidth, kHeight, subtype, bits);
  if (source->Pin()->Connect(renderer->GetPin(0), &type.Get()) != S_OK) {
    state.SkipWithError("connect failed");
    return;
  }
  renderer->Run(0);
  source->Run(0);
  const int32_t bytes = int32_t(DSBitmapImageSize(kWidth, kHeight, bits));
  const auto nextSample = [&]() -> TIntf<IMediaSample> {
    IMediaSample* raw = nullptr;
    if (FAILED(source->Pin()->GetDeliveryBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT)) || !raw) return {};
    TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
    sample->SetActualDataLength(bytes);
    return sample;
  };
  {
    // Every buffer of the allocator gets picture-like bytes once.
    std::vector<TIntf<IMediaSample>> all;
    while (TIntf<IMediaSample> sample = nextSample()) {
      uint8_t* data = nullptr;
      sample->GetPointer(&data);
      std::memset(data, 0x5A, size_t(bytes));
      all.push_back(std::move(sample));
    }
  }
  std::shared_ptr<TDSVideoFrameExchange> frames = renderer->Frames();

  for (auto _ : state) {
    // NOWAIT: a sample the renderer failed to give back shows as an error,
    // not as a hang.
    TIntf<IMediaSample> sample = nextSample();
    if (!sample) return state.SkipWithError("no free sample: the renderer keeps too many");
    if (renderer->InputPin()->Receive(sample.get()) != S_OK) state.SkipWithError("refused");
    sample.reset();
    QCoreApplication::sendPostedEvents();
    TDSGLFrameUpload upload;
    if (!frames->TakeNewest() || !DSGLFrameUploadOf(*frames->Current(), &upload)) state.SkipWithError("no frame");
    benchmark::DoNotOptimize(upload.pixels);
  }
  const TDSVideoFrameCounts c = renderer->FrameCounts();
  state.counters["frame_bytes"] = bytes;
  state.counters["requests_per_frame"] = c.received ? double(c.repaintRequests) / double(c.received) : 0;
  state.counters["frame_buffers"] = c.frameBuffers;
  state.counters["copied_per_frame"] = c.received ? double(c.copied) / double(c.received) : 0;
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  const double memcpyNs = MemcpyNs(size_t(bytes));
  state.counters["memcpy_us"] = memcpyNs / 1000;
  state.counters["vs_memcpy"] =
      benchmark::Counter(memcpyNs * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  source->Stop();
  renderer->Stop();
  source->Pin()->Disconnect();
  renderer->GetPin(0)->Disconnect();
}

// The fallback without OpenGL: the frame kernels turn the current frame into
// the 32-bit picture that QPainter scales (on the user-interface thread).
void BM_PainterConversion(benchmark::State& state, TVLVideoFormat format) {
  TDSFrameFormat from{format, kWidth, kHeight, format == vfRGB24, int(VLSampleStride(format, kWidth)), nullptr};
  const TDSFrameFormat to{vfRGBA32, kWidth, kHeight, false, kWidth * 4, nullptr};
  std::vector<uint8_t> frame(size_t(DSFrameBytes(from)), 0x5A), picture(size_t(DSFrameBytes(to)));
  TDSFrameConverter converter;
  for (auto _ : state) {
    converter.Convert(frame.data(), from, picture.data(), to);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.size()));
  state.counters["vs_memcpy"] = benchmark::Counter(
      MemcpyNs(frame.size()) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_Memcpy, Yuy2Frame, 16)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memcpy, Rgb24Frame, 24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReceiveToUpload, Yuy2Kept, MEDIASUBTYPE_YUY2, 16, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReceiveToUpload, Rgb24Kept, MEDIASUBTYPE_RGB24, 24, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReceiveToUpload, Yuy2Copied, MEDIASUBTYPE_YUY2, 16, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReceiveToUpload, Rgb24Copied, MEDIASUBTYPE_RGB24, 24, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PainterConversion, Yuy2, vfYUY2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PainterConversion, Rgb24, vfRGB24)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumicar
