// A soak run of the viewer itself: the program's own start-up (RunViewer:
// application, main window read from its design, About window, the block
// pool's trimming clock, the event loop) on the default camera — the
// synthetic "Test pattern" camera where no real one is plugged in — at the
// design's 1600 x 1200 YUY2, 30 frames a second, for 60 minutes; the quick
// run (LUMICAR_BENCH_SHORT=1) lasts 60 s. LUMICAR_SOAK_SECONDS=<n> sets
// another duration for either run (at least two sampling periods after the
// warm-up).
//
// The design stores 30 frames a second but leaves the camera its own rate
// (FrameRate.Current), and the synthetic camera's own is its fastest, 60.
// Before sampling starts the run therefore sets the capture's rate to 30
// and restarts it, as the viewer's menu commands restart it;
// LUMICAR_SOAK_FPS=<n> asks for another rate, 0 keeps the design's setting.
//
// A timer in the viewer's event loop samples every 10 s: the resident memory
// (VmRSS), the block pool's blocks in use (the lowest and highest count seen
// by a 100 ms probe during the period) and its free blocks, the open file
// descriptors, the threads, and the frames the display's renderer received
// and presented during the period; a table row is printed per sample.
//
// What fails the run (exit status 1; the run ends at the first failed sample):
// - a period in which the display presented no frame;
// - after the warm-up (60 s in the full run, 20 s in the quick run), whose
//   last sample is the baseline:
//   - more open file descriptors or threads than the baseline;
//   - a period whose lowest count of pool blocks in use is above the highest
//     count seen during the warm-up. Frames in flight make the count at any
//     one instant vary by a few blocks, with the load of the machine; the
//     lowest count over 100 probes is what the pipeline holds for good, and a
//     frame that is never released raises it for good. A leak of one frame a
//     second puts it ten blocks higher in every period, past any bound the
//     frames in flight keep to;
//   - resident memory, less the bytes of the pool's free blocks, more than
//     kRssToleranceKb above the baseline's (see there). The pool keeps as
//     many free blocks of a size in steady use as it ever needed at once, and
//     the capture's queue may hold up to 121 frames while the display is
//     held up: after a stall of the machine the pool's reserve (the "free"
//     columns) is larger for good, by a bounded amount that is no leak.
// Run it headless (QT_QPA_PLATFORM=offscreen): the display's window is
// painted into the platform's own buffers and every paint counts as a
// presented frame.

#include <benchmark/benchmark.h>
#include <dirent.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/main_form.h"
#include "app/startup.h"
#include "buffers/block_pool.h"
#include "dsbase/render/video_renderer.h"
#include "runtime/exception.h"
#include "testing/bench_main.h"

namespace lumicar {
namespace {

constexpr int kSamplePeriodMs = 10'000;
constexpr int kProbePeriodMs = 100;
constexpr int kFullSeconds = 60 * 60;
constexpr int kQuickSeconds = 60;
constexpr int kFullWarmUpSeconds = 60;
constexpr int kQuickWarmUpSeconds = 20;
// Resident memory may rise this much above the baseline. Freed memory does
// not always go back to the system at once: the C library keeps the top of
// each thread's heap arena and moves its threshold for mapping large blocks
// (a 1600 x 1200 frame is 3.7 to 7.3 MiB) up and down as blocks come and go,
// so the same working set can show a few frames more or less; under
// AddressSanitizer its quarantine (kept small for this run) holds freed
// blocks for a while. 24 MiB is three of the largest frames plus some
// room. One leaked 1600 x 1200 YUY2 frame a second passes that within 7 s,
// and over the hour's 59 judged minutes a leak of a few bytes a frame does.
constexpr long kRssToleranceKb = 24 * 1024;

bool QuickRun() {
  const char* value = std::getenv("LUMICAR_BENCH_SHORT");
  return value != nullptr && value[0] != '\0' && value[0] != '0';
}

long ReadVmRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Entries of a /proc directory, without "." and "..". Listing /proc/self/fd
// opens one descriptor itself; every sample counts it alike.
int CountEntries(const char* path) {
  DIR* dir = opendir(path);
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ++count;
  }
  closedir(dir);
  return count;
}

// The pool's free blocks and their bytes in KiB.
std::pair<std::size_t, long> FreePoolBlocks() {
  std::size_t blocks = 0, bytes = 0;
  for (const TSLPoolChainState& chain : SLMemoryPoolState()) {
    blocks += chain.FreeBlocks;
    bytes += chain.FreeBlocks * chain.BlockSize;
  }
  return {blocks, static_cast<long>(bytes / 1024)};
}

struct TSoakSettings {
  int seconds = kFullSeconds;
  int warmUpSeconds = kFullWarmUpSeconds;
  int framesPerSecond = 30;  // 0: as the design says
};

struct TSample {
  int seconds = 0;
  long rssKb = 0;
  std::size_t poolLow = 0, poolHigh = 0;  // blocks in use during the period
  std::size_t poolFree = 0;
  long poolFreeKb = 0;
  // What the run judges: resident memory without the pool's free blocks.
  long NetKb() const { return rssKb - poolFreeKb; }
  int fds = 0;
  int threads = 0;
  uint64_t received = 0, presented = 0;  // during the period
};

// Samples the running viewer from its own event loop and ends the loop when
// the run is over or a sample failed.
class TSoakSampler {
 public:
  // The timers belong to the application object; they stop when its event
  // loop ends, before the viewer takes its windows down.
  explicit TSoakSampler(const TSoakSettings& settings)
      : settings_(settings),
        probe_(new QTimer(QCoreApplication::instance())),
        sample_(new QTimer(QCoreApplication::instance())) {
    probe_->setInterval(kProbePeriodMs);
    QObject::connect(probe_, &QTimer::timeout, [this] { Probe(); });
    sample_->setInterval(kSamplePeriodMs);
    QObject::connect(sample_, &QTimer::timeout, [this] { Sample(); });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, probe_, &QTimer::stop);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, sample_, &QTimer::stop);
  }

  void Start() {
    auto* form = dynamic_cast<TForm1*>(TLPForm::MainForm());
    if (form == nullptr) return Stop("the viewer made no main window");
    form_ = form;
    if (settings_.framesPerSecond > 0) {
      TVLDSCapture* capture = form->VLDSCapture1;
      try {
        capture->Stop();
        capture->FrameRate()->SetRate(settings_.framesPerSecond);
        capture->FrameRate()->SetCurrent(false);
        capture->Start();
      } catch (const Exception& e) {
        return Stop("the capture did not start again at the rate: " + e.Message().toStdString());
      }
    }
    std::printf(
        "viewer soak: %d s, warm-up %d s, %d frames a second asked (0: the camera's own), camera \"%s\", %s "
        "platform\n",
        settings_.seconds, settings_.warmUpSeconds, settings_.framesPerSecond,
        form->VLDSCapture1->VideoCaptureDevice()->GetVC_OpenedDeviceName().toLocal8Bit().constData(),
        QGuiApplication::platformName().toLocal8Bit().constData());
    std::printf("%6s %10s %10s %9s %9s %9s %10s %5s %8s %9s %10s\n", "t [s]", "RSS [KiB]", "net [KiB]", "pool low",
                "pool high", "free", "free [KiB]", "fds", "threads", "received", "presented");
    std::fflush(stdout);
    ResetPeriod();
    ReadRenderer(&lastReceived_, &lastPresented_);
    clock_.start();
    probe_->start();
    sample_->start();
  }

  bool Failed() const { return !failure_.empty(); }
  const std::string& Failure() const { return failure_; }
  const std::vector<TSample>& Samples() const { return samples_; }
  std::optional<TSample> Baseline() const { return baseline_; }

 private:
  void ResetPeriod() { poolLow_ = poolHigh_ = SLBlocksInUse(); }

  void Probe() {
    const std::size_t inUse = SLBlocksInUse();
    poolLow_ = std::min(poolLow_, inUse);
    poolHigh_ = std::max(poolHigh_, inUse);
  }

  // The renderer's running counts; a renderer made anew (the display builds
  // a graph for every stream) counts from zero again.
  void ReadRenderer(uint64_t* received, uint64_t* presented) {
    *received = *presented = 0;
    TIntf<IBaseFilter> filter = form_->VLDSImageDisplay1->Graph()->GetVideoRender();
    const TDSVideoRenderer* renderer = filter ? DSVideoRendererOf(filter.get()) : nullptr;
    if (renderer != renderer_) {
      renderer_ = renderer;
      lastReceived_ = lastPresented_ = 0;
    }
    if (renderer == nullptr) return;
    const TDSVideoFrameCounts counts = renderer->FrameCounts();
    *received = counts.received;
    *presented = counts.presented;
  }

  void Sample() {
    Probe();
    TSample sample;
    sample.seconds = static_cast<int>((clock_.elapsed() + 500) / 1000);
    sample.rssKb = ReadVmRssKb();
    sample.poolLow = poolLow_;
    sample.poolHigh = poolHigh_;
    std::tie(sample.poolFree, sample.poolFreeKb) = FreePoolBlocks();
    sample.fds = CountEntries("/proc/self/fd");
    sample.threads = CountEntries("/proc/self/task");
    uint64_t received = 0, presented = 0;
    ReadRenderer(&received, &presented);
    sample.received = received - lastReceived_;
    sample.presented = presented - lastPresented_;
    lastReceived_ = received;
    lastPresented_ = presented;
    ResetPeriod();
    samples_.push_back(sample);
    std::printf("%6d %10ld %10ld %9zu %9zu %9zu %10ld %5d %8d %9llu %10llu\n", sample.seconds, sample.rssKb,
                sample.NetKb(), sample.poolLow, sample.poolHigh, sample.poolFree, sample.poolFreeKb, sample.fds,
                sample.threads, static_cast<unsigned long long>(sample.received),
                static_cast<unsigned long long>(sample.presented));
    std::fflush(stdout);

    if (const std::string failure = Judge(sample); !failure.empty()) return Stop(failure);
    if (!baseline_) warmUpPoolHigh_ = std::max(warmUpPoolHigh_, sample.poolHigh);
    if (sample.seconds >= settings_.warmUpSeconds && !baseline_) baseline_ = sample;
    if (sample.seconds >= settings_.seconds) Stop({});
  }

  // What is wrong with the sample, or nothing.
  std::string Judge(const TSample& sample) const {
    const std::string at = "at " + std::to_string(sample.seconds) + " s: ";
    if (sample.presented == 0) return at + "the display presented no frame in the last period";
    if (sample.rssKb < 0 || sample.fds < 0 || sample.threads < 0) return at + "/proc could not be read";
    if (!baseline_) return {};
    const TSample& base = *baseline_;
    if (sample.fds > base.fds)
      return at + "open file descriptors grew from " + std::to_string(base.fds) + " to " + std::to_string(sample.fds);
    if (sample.threads > base.threads)
      return at + "threads grew from " + std::to_string(base.threads) + " to " + std::to_string(sample.threads);
    if (sample.poolLow > warmUpPoolHigh_)
      return at + "the block pool held at least " + std::to_string(sample.poolLow) +
             " blocks in use all period, more than the warm-up's highest " + std::to_string(warmUpPoolHigh_);
    if (sample.NetKb() > base.NetKb() + kRssToleranceKb)
      return at + "resident memory without the pool's free blocks grew from " + std::to_string(base.NetKb()) +
             " KiB to " + std::to_string(sample.NetKb()) + " KiB";
    return {};
  }

  void Stop(const std::string& failure) {
    if (!failure.empty() && failure_.empty()) {
      failure_ = failure;
      std::printf("FAILED %s\n", failure.c_str());
      std::fflush(stdout);
    }
    probe_->stop();
    sample_->stop();
    QCoreApplication::quit();
  }

  TSoakSettings settings_;
  TForm1* form_ = nullptr;
  const TDSVideoRenderer* renderer_ = nullptr;
  QTimer* probe_;
  QTimer* sample_;
  QElapsedTimer clock_;
  std::size_t poolLow_ = 0, poolHigh_ = 0;
  std::size_t warmUpPoolHigh_ = 0;
  uint64_t lastReceived_ = 0, lastPresented_ = 0;
  std::vector<TSample> samples_;
  std::optional<TSample> baseline_;
  std::string failure_;
};

TSoakSettings Settings() {
  TSoakSettings settings;
  if (QuickRun()) settings.seconds = kQuickSeconds, settings.warmUpSeconds = kQuickWarmUpSeconds;
  if (const char* value = std::getenv("LUMICAR_SOAK_SECONDS")) settings.seconds = std::atoi(value);
  if (const char* value = std::getenv("LUMICAR_SOAK_FPS")) settings.framesPerSecond = std::max(0, std::atoi(value));
  return settings;
}

// The sampler of the current run; made when the viewer's event loop starts.
TSoakSampler* sampler = nullptr;
TSoakSettings soakSettings;
bool soakFailed = false;

// Runs as the viewer's application object is made: the sampler starts from
// the event loop, after start-up has made the windows.
void StartSampler() {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        sampler = new TSoakSampler(soakSettings);
        sampler->Start();
      },
      Qt::QueuedConnection);
}

void BM_ViewerSoak(benchmark::State& state) {
  soakSettings = Settings();
  if (soakSettings.seconds < soakSettings.warmUpSeconds + 2 * kSamplePeriodMs / 1000) {
    soakFailed = true;
    state.SkipWithError("LUMICAR_SOAK_SECONDS leaves less than two sampling periods after the warm-up");
    return;
  }
  for (auto _ : state) {
    static char name[] = "lumicar";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    qAddPreRoutine(&StartSampler);
    RunViewer(argc, argv);
  }
  if (sampler == nullptr) {
    soakFailed = true;
    state.SkipWithError("the viewer's event loop never ran");
    return;
  }
  const std::vector<TSample>& samples = sampler->Samples();
  if (sampler->Failed()) {
    soakFailed = true;
    state.SkipWithError(sampler->Failure().c_str());
  } else if (samples.empty() || samples.back().seconds < soakSettings.seconds) {
    soakFailed = true;
    state.SkipWithError("the viewer ended before the run was over");
  } else if (const auto base = sampler->Baseline(); base && !samples.empty()) {
    uint64_t presented = 0;
    for (const TSample& s : samples) presented += s.presented;
    state.counters["rss_growth_KiB"] = double(samples.back().rssKb - base->rssKb);
    state.counters["net_growth_KiB"] = double(samples.back().NetKb() - base->NetKb());
    state.counters["presented_per_s"] = double(presented) / double(samples.back().seconds);
  }
  delete sampler;
  sampler = nullptr;
}

BENCHMARK(BM_ViewerSoak)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace lumicar

int main(int argc, char** argv) {
  return lumicar::benchclock::RunBenchmarks(argc, argv, [] { return lumicar::soakFailed; });
}
