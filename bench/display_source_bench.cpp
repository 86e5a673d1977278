// Display side: one frame pushed into the video source and delivered to a
// renderer that only counts it, for 1600 x 1200 RGB24 -> RGB24 (turned
// bottom-up) and YUY2 -> RGB32, next to memcpy of the sample's bytes.
// Capture side: a 1600 x 1200 YUY2 sample pushed into the frame queue at
// 30 frames a second, timed until the notify thread has taken it out.
// bytes_written counts what each path writes per frame: one frame's bytes
// means one copy.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "buffers/image_buffer.h"
#include "display/source/notify_thread.h"
#include "display/source/video_buffer_queue_thread.h"
#include "display/source/video_source_filter.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1600, kHeight = 1200;

// Notes when each sample reaches it.
class TTimingRenderer : public dstest::TCollectingRenderer {
 public:
  HRESULT DoRenderSample(IMediaSample*) override {
    arrived_ = Clock::now();
    return S_OK;
  }
  Clock::time_point arrived_;
};

void Percentiles(benchmark::State& state, std::vector<double> us, const char* name) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters[std::string(name) + "_median_us"] = us[us.size() / 2];
  state.counters[std::string(name) + "_p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

void DisplayPush(benchmark::State& state, TVLVideoFormat frameFormat, const TGUID& subtype, int bits) {
  TIntf<TDSVideoSourceFilter> source(
      new TDSVideoSourceFilter(QStringLiteral("VideoSource"), GUID_NULL, frameFormat, false, 0));
  source->SetSizeDelay(kWidth, kHeight, 333667);
  TIntf<TTimingRenderer> renderer(new TTimingRenderer);
  TDSMediaType type = dstest::VideoType(kWidth, kHeight, subtype, bits);
  if (source->Pin()->Connect(renderer->GetPin(0), &type.Get()) != S_OK) {
    state.SkipWithError("connect failed");
    return;
  }
  renderer->Run(0);
  source->Run(0);
  auto frame = MakeIntf<TVLImageBuffer>(kWidth, kHeight, frameFormat);
  std::memset(frame->Write(), 0x5A, frame->GetSize());
  std::vector<double> us;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!source->SendBuffer(frame.get(), 0, 0)) state.SkipWithError("frame dropped");
    us.push_back(std::chrono::duration<double, std::micro>(renderer->arrived_ - start).count());
  }
  const int64_t sample = int64_t(DSBitmapImageSize(kWidth, kHeight, bits));
  state.counters["bytes_written_per_frame"] = double(sample);
  state.counters["sample_bytes"] = double(sample);
  Percentiles(state, us, "send_to_renderer");
  state.SetBytesProcessed(state.iterations() * sample);
  source->Stop();
  renderer->Stop();
  source->Pin()->Disconnect();
  renderer->GetPin(0)->Disconnect();
}

void BM_DisplayPushRgb24ToRgb24(benchmark::State& state) { DisplayPush(state, vfRGB24, MEDIASUBTYPE_RGB24, 24); }
void BM_DisplayPushYuy2ToRgb32(benchmark::State& state) { DisplayPush(state, vfYUY2, MEDIASUBTYPE_RGB32, 32); }

void Memcpy(benchmark::State& state, int bits) {
  const size_t bytes = DSBitmapImageSize(kWidth, kHeight, bits);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}
void BM_MemcpyRgb24Sample(benchmark::State& state) { Memcpy(state, 24); }
void BM_MemcpyRgb32Sample(benchmark::State& state) { Memcpy(state, 32); }

// Producer paced at 30 frames a second; the time runs from PushBuffer to
// the frame coming out of Get on the notify thread.
void BM_CaptureQueueLatencyYuy2(benchmark::State& state) {
  TVLVideoBufferQueueThread* queue = nullptr;
  std::atomic<int64_t> pushedAt{0}, tookAt{0};
  std::atomic<int> taken{0};
  TSLNotifyThread notify(nullptr, [&](TSLNotifyThread*) {
    int64_t t = 0;
    if (queue->Get(&t)) {
      tookAt.store(Clock::now().time_since_epoch().count());
      taken.fetch_add(1);
    }
  });
  TVLVideoBufferQueueThread q(nullptr, &notify);
  queue = &q;
  q.SetSize(kWidth, kHeight, vfYUY2);
  std::vector<uint8_t> sample(size_t(q.SampleSize()), 0x33);
  std::vector<double> latency, copy;
  auto next = Clock::now();
  for (auto _ : state) {
    next += std::chrono::microseconds(33367);
    std::this_thread::sleep_until(next);
    const int before = taken.load();
    const auto start = Clock::now();
    pushedAt.store(start.time_since_epoch().count());
    q.PushBuffer(sample.data(), int64_t(sample.size()), 0, 0, 0, true);
    const auto copied = Clock::now();
    q.WaitTaken();
    while (taken.load() == before) std::this_thread::yield();
    latency.push_back(double(tookAt.load() - pushedAt.load()) / 1000.0);
    copy.push_back(std::chrono::duration<double, std::micro>(copied - start).count());
  }
  state.counters["bytes_written_per_frame"] = double(sample.size());
  Percentiles(state, latency, "queue_to_notify");
  Percentiles(state, copy, "copy");
  notify.Terminate();
  q.Terminate();
}

BENCHMARK(BM_DisplayPushRgb24ToRgb24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyRgb24Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayPushYuy2ToRgb32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyRgb32Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaptureQueueLatencyYuy2)->Unit(benchmark::kMicrosecond)->Iterations(150);

}  // namespace
}  // namespace lumicar
