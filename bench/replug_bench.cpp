// A camera plugged back in, on the scripted udev monitor and V4L2 node.
// Each iteration pulls the document camera out (its removal delivered, not
// timed) and plugs it back under the other of two node numbers; the time
// runs from udev's "add" event being queued to the watch delivering the
// camera on the owner thread (the thread waits in poll, receives the event,
// opens and asks the node, posts; the owner's event loop runs the call).
// Reported: the mean (manual time) and the median and 99th percentile in
// microseconds. The rig is the place to add the later steps of a replug
// (reopening the capture, the first frame) as further benchmarks.
//
// LUMICAR_BENCH_SHORT=1: 50 replugs, as a test that the measurement works.

#include <benchmark/benchmark.h>
#include <linux/videodev2.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsbase/camera/camera_watch.h"
#include "testing/bench_main.h"
#include "testing/camera/fake_udev_monitor.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/event_pump.h"

namespace lumicar {
namespace {

using TClock = std::chrono::steady_clock;

bool ShortRun() {
  const char* v = std::getenv("LUMICAR_BENCH_SHORT");
  return v && *v && std::strcmp(v, "0") != 0;
}

// Set by any run that went wrong; main's exit code.
std::atomic<bool> gBroken{false};

void Broken(benchmark::State& state, const std::string& why) {
  gBroken.store(true);
  std::fprintf(stderr, "%s\n", why.c_str());
  state.SkipWithError(why.c_str());
}

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "bench_replug";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return app;
}

// The scripted document camera behind the udev and V4L2 seams, watched by
// a camera watch that follows it.
class TReplugRig {
 public:
  static constexpr const char* kById = "usb-Lumi_Document_Camera_SN42-video-index0";

  TReplugRig() {
    App();
    constexpr uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    device_->nodes_ = {{"/dev/video0", "Document Camera", "usb-0000:00:14.0-1", caps},
                       {"/dev/video2", "Document Camera", "usb-0000:00:14.0-1", caps}};
    watch_.Follow(QString::fromLatin1(kById), QStringLiteral("/dev/video0"));
    QObject::connect(&watch_, &TDSCameraWatch::CameraAppeared, &watch_,
                     [this](const TDSCameraEvent& c) { appeared_ = c; });
    QObject::connect(&watch_, &TDSCameraWatch::CameraGone, &watch_, [this](const TDSCameraEvent&) { gone_ = true; });
  }
  bool Start() { return watch_.Start(); }

  // Pulls the camera out of its node, waits for that to be delivered, then
  // plugs it back in at the other node; answers the time from the "add" to
  // the camera's delivery, or nothing when it was not delivered (hang guard).
  std::optional<TClock::duration> Replug() {
    const std::string from = node_, to = node_ == "/dev/video0" ? "/dev/video2" : "/dev/video0";
    gone_ = false;
    udev_->Remove(from, kById);
    if (!testtools::PumpUntil([&] { return gone_; })) return std::nullopt;
    appeared_.reset();
    const TClock::time_point start = TClock::now();
    udev_->Add(to, kById);
    if (!testtools::PumpUntil([&] { return appeared_.has_value(); })) return std::nullopt;
    const TClock::duration took = TClock::now() - start;
    if (appeared_->devicePath != QString::fromStdString(to)) return std::nullopt;
    node_ = to;
    return took;
  }

 private:
  std::shared_ptr<camtest::TFakeUdevMonitor> udev_ = std::make_shared<camtest::TFakeUdevMonitor>();
  std::shared_ptr<camtest::TFakeV4L2Device> device_ = std::make_shared<camtest::TFakeV4L2Device>();
  TDSCameraWatch watch_{udev_, device_};
  std::string node_ = "/dev/video0";
  std::optional<TDSCameraEvent> appeared_;
  bool gone_ = false;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

void BM_Replug_AddToDelivery(benchmark::State& state) {
  TReplugRig rig;
  if (!rig.Start()) return Broken(state, "the camera watch did not start on the scripted monitor");
  std::vector<double> micros;
  for (auto _ : state) {
    const std::optional<TClock::duration> took = rig.Replug();
    if (!took) return Broken(state, "the camera plugged back in was not delivered");
    const double seconds = std::chrono::duration<double>(*took).count();
    state.SetIterationTime(seconds);
    micros.push_back(seconds * 1e6);
  }
  state.counters["p50_us"] = Percentile(micros, 0.5);
  state.counters["p99_us"] = Percentile(micros, 0.99);
}

void ReplugArgs(benchmark::internal::Benchmark* b) {
  b->UseManualTime()->Unit(benchmark::kMicrosecond);
  if (ShortRun()) b->Iterations(50);
}

BENCHMARK(BM_Replug_AddToDelivery)->Apply(ReplugArgs);

}  // namespace
}  // namespace lumicar

int main(int argc, char** argv) {
  return lumicar::benchclock::RunBenchmarks(argc, argv, [] { return lumicar::gBroken.load(); });
}
