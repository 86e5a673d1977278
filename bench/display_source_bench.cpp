// Display side: one 1600 x 1200 frame pushed into the video source and
// delivered to a renderer that only notes its arrival, for RGB24 -> RGB24
// (turned bottom-up) and YUY2 -> RGB32, next to memcpy of the sample's
// bytes; and, at 30 frames a second, the whole way from a component output
// pin's SubmitBuffer through the display's input pin into the renderer, next
// to the one conversion that way makes.
// Capture side: a 1600 x 1200 YUY2 sample pushed into the frame queue at
// 30 frames a second, timed until the notify thread has taken it out.
// bytes_written counts what each path writes per frame: one frame's bytes
// means one copy.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/frames/notify_thread.h"
#include "capture/frames/video_buffer_queue_thread.h"
#include "display/control/common_image_display.h"
#include "display/source/video_source_filter.h"
#include "dsbase/filters/frame_conversion.h"
#include "imagepins/frame_operations.h"
#include "imagepins/image_pins.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1600, kHeight = 1200;
constexpr int64_t kFrameDuration = 333667;  // 100 ns units: 29.97 frames a second
constexpr int kPacedFrames = 150;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// CPU time of the process (during the cases that use it only the calling
// thread works); unlike wall time it does not grow while the thread waits
// for a core on a busy machine.
double CpuMicros() { return double(std::clock()) * (1e6 / CLOCKS_PER_SEC); }

// Per-frame times by name, reported as median and 99th percentile.
class TSeries {
 public:
  void Add(const std::string& name, double us) { values_[name].push_back(us); }
  void Report(benchmark::State& state) {
    for (auto& [name, us] : values_) {
      if (us.empty()) continue;
      std::sort(us.begin(), us.end());
      state.counters[name + "_median_us"] = us[us.size() / 2];
      state.counters[name + "_p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    }
  }

 private:
  std::map<std::string, std::vector<double>> values_;
};

// Holds a loop to a camera's pace, one frame every kFrameDuration.
class TFramePacer {
 public:
  void Wait() {
    next_ += std::chrono::microseconds(kFrameDuration / 10);
    std::this_thread::sleep_until(next_);
  }

 private:
  Clock::time_point next_ = Clock::now();
};

// Which frames enter the display side and what the source's pin agreed on
// with the renderer (vfRGBA32 stands for RGB32 samples).
struct TDisplayPath {
  TVLVideoFormat frame;
  TVLVideoFormat sample;
};
constexpr TDisplayPath kRgb24ToRgb24{vfRGB24, vfRGB24};
constexpr TDisplayPath kYuy2ToRgb32{vfYUY2, vfRGBA32};

// Takes samples of one video subtype without touching their bytes and stamps
// each arrival in Receive, on whichever thread delivers it; the stamp is
// published with the count, so a waiter on another thread reads the right one.
class TTimingRenderer : public dstest::TCollectingRenderer {
 public:
  explicit TTimingRenderer(const TGUID& subtype) : subtype_(subtype) {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    const bool ours = mt && mt->majortype == MEDIATYPE_Video && mt->subtype == subtype_ && DSBitmapHeader(*mt);
    return ours ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT DoRenderSample(IMediaSample*) override {
    arrived_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    thread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    rendered_.fetch_add(1, std::memory_order_release);
    rendered_.notify_all();
    return S_OK;
  }
  int Rendered() const { return rendered_.load(std::memory_order_acquire); }
  // Blocks until `count` samples have arrived; when the last one did.
  Clock::time_point WaitArrival(int count) {
    for (int seen = Rendered(); seen < count; seen = Rendered()) rendered_.wait(seen, std::memory_order_acquire);
    return Clock::time_point(Clock::duration(arrived_.load(std::memory_order_relaxed)));
  }
  // The thread that delivered the last sample (valid after WaitArrival).
  std::thread::id ArrivalThread() const { return thread_.load(std::memory_order_relaxed); }

 private:
  const TGUID subtype_;
  std::atomic<Clock::rep> arrived_{0};
  std::atomic<std::thread::id> thread_{};
};

// The display graph of one path, connected and running: the video source
// "VideoSource" feeding a timing renderer, plus one frame to send.
class TDisplayGraph {
 public:
  explicit TDisplayGraph(TDisplayPath path)
      : source_(new TDSVideoSourceFilter(QStringLiteral("VideoSource"), GUID_NULL, path.frame, false, 0)),
        renderer_(new TTimingRenderer(VLGetGUIDFromFormat(path.sample))),
        type_(dstest::VideoType(kWidth, kHeight, VLGetGUIDFromFormat(path.sample), VLBitsPerPixel(path.sample))),
        frame_(MakeIntf<TVLImageBuffer>(kWidth, kHeight, path.frame)) {
    // Bytes that vary like a picture's, so no kernel meets a best case.
    uint8_t* pixels = frame_->Write();
    for (int64_t i = 0; i < int64_t(frame_->GetSize()); ++i) pixels[i] = uint8_t((i * 7 + i / 4099) & 0xFF);
    source_->SetSizeDelay(kWidth, kHeight, kFrameDuration);
    connected_ = source_->Pin()->Connect(renderer_->GetPin(0), &type_.Get()) == S_OK && SUCCEEDED(renderer_->Run(0)) &&
                 SUCCEEDED(source_->Run(0));
  }
  ~TDisplayGraph() {
    source_->Stop();
    renderer_->Stop();
    source_->Pin()->Disconnect();
    renderer_->GetPin(0)->Disconnect();
  }
  TDisplayGraph(const TDisplayGraph&) = delete;
  TDisplayGraph& operator=(const TDisplayGraph&) = delete;

  bool Connected() const { return connected_; }
  TDSVideoSourceFilter* Source() const { return source_.get(); }
  TTimingRenderer* Renderer() const { return renderer_.get(); }
  TVLImageBuffer* Frame() const { return frame_.get(); }
  const AM_MEDIA_TYPE& Type() const { return type_.Get(); }
  int64_t SampleBytes() const { return int64_t(type_.Get().lSampleSize); }

 private:
  TIntf<TDSVideoSourceFilter> source_;
  TIntf<TTimingRenderer> renderer_;
  TDSMediaType type_;
  TIntf<TVLImageBuffer> frame_;
  bool connected_ = false;
};

void BytesCounters(benchmark::State& state, int64_t sampleBytes) {
  state.counters["bytes_written_per_frame"] = double(sampleBytes);
  state.counters["sample_bytes"] = double(sampleBytes);
  state.SetBytesProcessed(state.iterations() * sampleBytes);
}

void DisplayPush(benchmark::State& state, TDisplayPath path) {
  TDisplayGraph graph(path);
  if (!graph.Connected()) return state.SkipWithError("connect failed");
  TSeries series;
  for (auto _ : state) {
    const int before = graph.Renderer()->Rendered();
    const auto start = Clock::now();
    if (!graph.Source()->SendBuffer(graph.Frame(), 0, 0)) return state.SkipWithError("frame dropped");
    series.Add("send_to_renderer", Micros(graph.Renderer()->WaitArrival(before + 1) - start));
  }
  BytesCounters(state, graph.SampleBytes());
  series.Report(state);
}
void BM_DisplayPushRgb24ToRgb24(benchmark::State& state) { DisplayPush(state, kRgb24ToRgb24); }
void BM_DisplayPushYuy2ToRgb32(benchmark::State& state) { DisplayPush(state, kYuy2ToRgb32); }

void Memcpy(benchmark::State& state, TVLVideoFormat sample) {
  const size_t bytes = DSBitmapImageSize(kWidth, kHeight, VLBitsPerPixel(sample));
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}
void BM_MemcpyRgb24Sample(benchmark::State& state) { Memcpy(state, vfRGB24); }
void BM_MemcpyRgb32Sample(benchmark::State& state) { Memcpy(state, vfRGBA32); }

// The display control's part between the component pins and the graph: a
// frame arrives at its input pin on the sender's thread, and RenderImage
// pushes it into the source filter with every section of the component's
// lock given up for the push, so the renderer never runs under it.
class TSourceFeedingDisplay : public TVLCommonImageDisplay {
 public:
  TSourceFeedingDisplay(TComponent* owner, TDSVideoSourceFilter* source)
      : TVLCommonImageDisplay(owner), source_(source) {}
  ~TSourceFeedingDisplay() override { ShutDownPins(); }

  void IntStart(int32_t width, int32_t height, int32_t referenceWidth, int32_t referenceHeight, int64_t frameDuration,
                TVLVideoFormat) override {
    RecordStart(width, height, referenceWidth, referenceHeight, frameDuration);
  }
  void RenderImage(IVLImageBuffer* frame) override {
    auto unlocked = UnlockAll();
    sent_ = source_->SendBuffer(frame, 0, 0);
  }
  void Clear() override {}

  // Whether the last frame that reached RenderImage left the source filter.
  bool Sent() const { return sent_; }

 private:
  TDSVideoSourceFilter* source_;
  bool sent_ = false;
};

// The display control is a window, so a (window-less) application must exist.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_display_source";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
}

// A component output pin linked to the display's input pin, the stream
// started in the graph's size and the path's frame format.
class TDisplayFeed {
 public:
  TDisplayFeed(TDSVideoSourceFilter* source, TVLVideoFormat format)
      : output_(new TVLOWImageSourcePin(&form_)), display_(NewComponent<TSourceFeedingDisplay>(&form_, source)) {
    output_->Connect(display_->InputPin());
    output_->Notify(MakeIntf<TOWStartFrameOperation>(kWidth, kHeight, kFrameDuration, format, 0, kWidth, kHeight));
  }
  ~TDisplayFeed() {
    output_.reset();
    delete display_;
  }
  TDisplayFeed(const TDisplayFeed&) = delete;
  TDisplayFeed& operator=(const TDisplayFeed&) = delete;

  // True when the frame went all the way into the source filter.
  bool Submit(IVLImageBuffer* frame) { return output_->SubmitBuffer(frame) && display_->Sent(); }

 private:
  TComponent form_;
  TOWPinPtr<TVLOWImageSourcePin> output_;
  TSourceFeedingDisplay* display_;  // owned by form_, freed first
};

// Paced like a camera, each frame goes SubmitBuffer -> display input pin ->
// RenderImage -> SendBuffer -> renderer; the time runs from SubmitBuffer to
// the renderer's stamp. Next to it, in the same iteration, the conversion
// that the source pin makes, run alone on the same frame into a buffer of the
// sample's size: "submit minus copy" is what the hand-over costs beyond its
// one copy. The two alternate in order so that neither always finds the
// frame warm in the cache. The whole way runs on the sender's thread (the
// renderer's stamp says which thread delivered), so its CPU time is the
// hand-over's cost free of the waits for a core that a shared machine adds
// to the wall time.
void DisplaySubmitLatency(benchmark::State& state, TDisplayPath path) {
  EnsureApplication();
  TDisplayGraph graph(path);
  if (!graph.Connected()) return state.SkipWithError("connect failed");
  TDisplayFeed feed(graph.Source(), path.frame);

  const TDSFrameFormat in{path.frame, kWidth, kHeight, false, graph.Frame()->GetStep(), nullptr};
  TDSFrameFormat out;
  if (!DSDescribeFrame(graph.Type(), &out)) return state.SkipWithError("sample type not described");
  std::vector<uint8_t> copyTarget(size_t(graph.SampleBytes()));
  const uint8_t* pixels = graph.Frame()->Read();
  double copyWall = 0, copyCpu = 0;
  const auto timeCopy = [&] {
    const auto start = Clock::now();
    const double cpu = CpuMicros();
    TDSFrameConverter().Convert(pixels, in, copyTarget.data(), out);
    benchmark::ClobberMemory();
    copyCpu = CpuMicros() - cpu;
    copyWall = Micros(Clock::now() - start);
  };

  TSeries series;
  TFramePacer pacer;
  int frames = 0;
  for (auto _ : state) {
    pacer.Wait();
    const bool copyFirst = frames++ % 2 == 0;
    if (copyFirst) timeCopy();
    const int before = graph.Renderer()->Rendered();
    const auto start = Clock::now();
    const double cpu = CpuMicros();
    if (!feed.Submit(graph.Frame())) return state.SkipWithError("frame lost");
    const double submitWall = Micros(graph.Renderer()->WaitArrival(before + 1) - start);
    const double submitCpu = CpuMicros() - cpu;
    if (graph.Renderer()->ArrivalThread() != std::this_thread::get_id())
      return state.SkipWithError("delivered on another thread: the CPU times would miss it");
    if (!copyFirst) timeCopy();
    series.Add("submit_to_renderer", submitWall);
    series.Add("copy", copyWall);
    series.Add("submit_minus_copy", submitWall - copyWall);
    series.Add("submit_cpu", submitCpu);
    series.Add("copy_cpu", copyCpu);
    series.Add("submit_minus_copy_cpu", submitCpu - copyCpu);
    state.SetIterationTime(submitWall / 1e6);
  }
  BytesCounters(state, graph.SampleBytes());
  series.Report(state);
}
void BM_DisplaySubmitLatencyRgb24ToRgb24(benchmark::State& state) { DisplaySubmitLatency(state, kRgb24ToRgb24); }
void BM_DisplaySubmitLatencyYuy2ToRgb32(benchmark::State& state) { DisplaySubmitLatency(state, kYuy2ToRgb32); }

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
  TSeries series;
  TFramePacer pacer;
  for (auto _ : state) {
    pacer.Wait();
    const int before = taken.load();
    const auto start = Clock::now();
    pushedAt.store(start.time_since_epoch().count());
    q.PushBuffer(sample.data(), int64_t(sample.size()), 0, 0, 0, true);
    const auto copied = Clock::now();
    q.WaitTaken();
    while (taken.load() == before) std::this_thread::yield();
    const double latency = double(tookAt.load() - pushedAt.load()) / 1000.0;
    series.Add("queue_to_notify", latency);
    series.Add("copy", Micros(copied - start));
    state.SetIterationTime(latency / 1e6);
  }
  state.counters["bytes_written_per_frame"] = double(sample.size());
  // A frame the queue refused would make the latency look better than it is.
  state.counters["frames_dropped"] = double(q.Drops().Dropped());
  series.Report(state);
  notify.Terminate();
  q.Terminate();
}

BENCHMARK(BM_DisplayPushRgb24ToRgb24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyRgb24Sample)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayPushYuy2ToRgb32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyRgb32Sample)->Unit(benchmark::kMicrosecond);
// The paced cases report the time they measure, not the pacing.
BENCHMARK(BM_DisplaySubmitLatencyRgb24ToRgb24)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(kPacedFrames)
    ->UseManualTime();
BENCHMARK(BM_DisplaySubmitLatencyYuy2ToRgb32)->Unit(benchmark::kMicrosecond)->Iterations(kPacedFrames)->UseManualTime();
BENCHMARK(BM_CaptureQueueLatencyYuy2)->Unit(benchmark::kMicrosecond)->Iterations(kPacedFrames)->UseManualTime();

}  // namespace
}  // namespace lumicar
