// A measured run of the image display on a real window system (run it
// under tests/run-under-xvfb.sh for Xvfb with Mesa): a synthetic 30 frames
// a second YUY2 stream is sent into a shown display for 10 s from a thread
// of its own, as the capture component's notify thread sends, while the
// user-interface thread runs its event loop. Reported per run: frames sent,
// received by the renderer and presented (and presented / sent), the
// process's CPU time as a share of one core over the run, and the time from
// the frame's arrival at the display to its presentation (median, 99th
// percentile, maximum) taken from the renderer's present hook.
//
// One iteration per size; the wall time of the run is the benchmark time.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "buffers/image_buffer.h"
#include "display/control/display_classes.h"
#include "display/control/ds_image_display.h"
#include "dsbase/render/video_render_path.h"
#include "dsbase/render/video_renderer.h"
#include "imagepins/frame_operations.h"

namespace lumicar {
namespace {

constexpr int kSeconds = 10;
constexpr int64_t kFrameNs = 33'333'333;  // 30 frames a second

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double ProcessCpuNs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ns = [](const timeval& t) { return double(t.tv_sec) * 1e9 + double(t.tv_usec) * 1e3; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_display_graph_run";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  RegisterDisplayClasses();
}

// A YUY2 frame with a bar whose place depends on `phase`, so that
// successive frames differ as a live picture does.
TIntf<TVLImageBuffer> SyntheticFrame(int width, int height, int phase) {
  auto frame = MakeIntf<TVLImageBuffer>(width, height, vfYUY2);
  uint8_t* bytes = frame->Write();
  const int stride = width * 2;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bytes + size_t(y) * size_t(stride);
    for (int x = 0; x < width; x += 2) {
      const bool bar = ((x + phase * 16) / 64) % 4 == 0;
      row[2 * x] = uint8_t(bar ? 200 : 16 + (y * 200) / height);
      row[2 * x + 1] = 128;
      row[2 * x + 2] = row[2 * x];
      row[2 * x + 3] = 128;
    }
  }
  return frame;
}

void BM_LiveStream30fps(benchmark::State& state) {
  EnsureApplication();
  const int width = int(state.range(0));
  const int height = int(state.range(1));
  for (auto _ : state) {
    QWidget host;
    host.resize(800, 600);
    TComponent form;
    TOWPinPtr<TVLOWImageSourcePin> output(new TVLOWImageSourcePin(&form));
    auto* display = NewComponent<TVLDSImageDisplay>(&form);
    display->SetParent(&host);
    display->SetAlign(alClient);
    display->SetStretch(true);
    output->Connect(display->InputPin());
    host.show();
    output->Notify(MakeIntf<TOWStartFrameOperation>(width, height, kFrameNs / 100, vfYUY2, 0, width, height));
    TIntf<IBaseFilter> filter = display->Graph()->GetVideoRender();
    TDSVideoRenderer* renderer = filter ? DSVideoRendererOf(filter.get()) : nullptr;
    if (!display->GraphRunning() || renderer == nullptr) {
      state.SkipWithError("no display graph");
      delete display;
      return;
    }
    // Let the window appear before the stream starts.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    std::vector<TIntf<TVLImageBuffer>> frames;
    for (int i = 0; i < 8; ++i) frames.push_back(SyntheticFrame(width, height, i));
    const int total = kSeconds * 30;
    std::vector<int64_t> sentNs(size_t(total), 0);
    std::mutex latencyLock;
    std::vector<int64_t> latencies;
    const uint64_t sequenceBase = renderer->FrameCounts().received;
    renderer->Frames()->SetPresentHook([&](uint64_t sequence, int64_t, int64_t presentedNs) {
      const uint64_t index = sequence - sequenceBase - 1;
      if (sequence <= sequenceBase || index >= uint64_t(total)) return;
      std::lock_guard guard(latencyLock);
      latencies.push_back(presentedNs - sentNs[size_t(index)]);
    });

    std::atomic<int> sent{0};
    const double cpuStart = ProcessCpuNs();
    const int64_t wallStart = SteadyNs();
    std::thread sender([&] {
      for (int i = 0; i < total; ++i) {
        const auto due = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(wallStart + i * kFrameNs));
        std::this_thread::sleep_until(due);
        sentNs[size_t(i)] = SteadyNs();
        output->SubmitBuffer(frames[size_t(i) % frames.size()].get());
        sent.fetch_add(1);
      }
    });
    QEventLoop loop;
    QTimer::singleShot(kSeconds * 1000 + 300, &loop, &QEventLoop::quit);
    loop.exec();
    sender.join();
    const double wallNs = double(SteadyNs() - wallStart);
    const double cpuNs = ProcessCpuNs() - cpuStart;
    renderer->Frames()->SetPresentHook({});

    const TDSVideoFrameCounts counts = renderer->FrameCounts();
    std::vector<int64_t> sorted;
    {
      std::lock_guard guard(latencyLock);
      sorted = latencies;
    }
    std::sort(sorted.begin(), sorted.end());
    const auto percentile = [&](double p) {
      if (sorted.empty()) return 0.0;
      const size_t at = std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5));
      return double(sorted[at]) / 1e6;
    };
    state.counters["sent"] = sent.load();
    state.counters["received"] = double(counts.received - sequenceBase);
    state.counters["presented"] = double(sorted.size());
    state.counters["presented_share"] = sent.load() ? double(sorted.size()) / sent.load() : 0;
    state.counters["cpu_share_of_core"] = cpuNs / wallNs;
    state.counters["latency_p50_ms"] = percentile(0.50);
    state.counters["latency_p99_ms"] = percentile(0.99);
    state.counters["latency_max_ms"] = percentile(1.0);
    state.counters["opengl"] = DSVideoRenderPath() == TDSVideoRenderPath::kOpenGL ? 1 : 0;

    filter.reset();
    output.reset();
    delete display;
    QCoreApplication::sendPostedEvents();
  }
}

BENCHMARK(BM_LiveStream30fps)
    ->Args({1600, 1200})
    ->Args({640, 480})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumicar
