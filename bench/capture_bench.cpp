// Start-to-first-frame of the capture component: from Start until the first
// frame reaches a component linked to its output, on the scripted document
// camera (which delivers a frame as soon as it is given one) with the graph
// built anew for every start ("cold": the camera is bound and the graph
// rendered) and with the open graph reused ("warm"), and on the synthetic
// camera at 30 frames a second (which adds the wait for its first frame).
// And a camera plugged back in: from udev's "add" event to the first frame
// of the camera reopened by the viewer's wiring (camera watch, recovery,
// rebinding, graph built anew, stream start), with the capture's own retry
// clock stopped so that only the event brings the camera back.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "capture/camera_recovery.h"
#include "capture/camera_replug.h"
#include "capture/ds_capture.h"
#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/camera_watch.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"
#include "imagepins/buffer_operations.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/camera/fake_udev_monitor.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/event_pump.h"

namespace lumicar {
namespace {

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "bench_capture";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return app;
}

// Counts the frames reaching its input.
class TFrameCounter : public TComponent {
 public:
  TFrameCounter() {
    input_.reset(
        new TVLOWImageSinkPin(this, nullptr, [this](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState) {
          if (OWOperationAs<TOWSuppliedBufferOperation>(op)) {
            std::lock_guard guard(lock_);
            ++frames_;
            arrived_.notify_all();
          }
          return TOWDispatchResult();
        }));
  }
  ~TFrameCounter() override { input_.reset(); }
  TVLOWImageSinkPin* InputPin() const { return input_.get(); }
  int Frames() {
    std::lock_guard guard(lock_);
    return frames_;
  }
  bool WaitFrames(int n) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, std::chrono::seconds(10), [&] { return frames_ >= n; });
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  int frames_ = 0;
  TOWPinPtr<TVLOWImageSinkPin> input_;
};

struct TRig {
  explicit TRig(const QString& device) {
    App();
    VLDSCaptureRegisterServices();
    DSRegisterDeviceProvider(camera);
    capture = std::make_unique<TVLDSCapture>();
    capture->VideoCaptureDevice()->SetName(device);
    capture->SetVideoFormat(vfYUY2);
    capture->OutputPin()->Connect(counter.InputPin());
  }
  ~TRig() {
    capture.reset();
    DSUnregisterDeviceProvider(camera.get());
  }
  std::shared_ptr<camtest::TFakeCameraProvider> camera = std::make_shared<camtest::TFakeCameraProvider>();
  TFrameCounter counter;
  std::unique_ptr<TVLDSCapture> capture;
};

void StartToFirstFrameFake(benchmark::State& state, bool cold) {
  TRig rig(QStringLiteral("Document Camera"));
  const std::vector<uint8_t> frame = camtest::MakeYuyv(640, 480, 1);
  for (auto _ : state) {
    if (cold) rig.capture->Close();
    const int before = rig.counter.Frames();
    const auto begin = std::chrono::steady_clock::now();
    rig.capture->Start();
    rig.camera->Fake()->PushBytes(frame);
    if (!rig.counter.WaitFrames(before + 1)) {
      state.SkipWithError("no frame arrived");
      break;
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    rig.capture->Stop();
  }
}

void BM_StartToFirstFrame_FakeCamera_Cold(benchmark::State& state) { StartToFirstFrameFake(state, true); }
void BM_StartToFirstFrame_FakeCamera_Warm(benchmark::State& state) { StartToFirstFrameFake(state, false); }

void BM_StartToFirstFrame_SyntheticCamera(benchmark::State& state) {
  TRig rig(QStringLiteral("Test pattern"));
  for (auto _ : state) {
    const int before = rig.counter.Frames();
    const auto begin = std::chrono::steady_clock::now();
    rig.capture->Start();
    if (!rig.counter.WaitFrames(before + 1)) {
      state.SkipWithError("no frame arrived");
      break;
    }
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    rig.capture->Stop();
  }
}

// Binding the camera and building the graph alone (no streaming).
void BM_OpenGraph_FakeCamera(benchmark::State& state) {
  TRig rig(QStringLiteral("Document Camera"));
  for (auto _ : state) {
    rig.capture->Close();
    if (!rig.capture->Open()) {
      state.SkipWithError("the camera did not open");
      break;
    }
  }
}

void BM_ReplugToFirstFrame_FakeCamera(benchmark::State& state) {
  TRig rig(QStringLiteral("Document Camera"));
  auto udev = std::make_shared<camtest::TFakeUdevMonitor>();
  TDSCameraWatch watch(udev, std::make_shared<camtest::TPluggedNode>(rig.camera));
  ConnectCameraWatch(watch, *rig.capture);
  if (!watch.Start()) return state.SkipWithError("the camera watch did not start");
  const std::vector<uint8_t> frame = camtest::MakeYuyv(640, 480, 1);
  rig.capture->Start();
  rig.camera->Fake()->PushBytes(frame);
  if (!rig.counter.WaitFrames(1)) return state.SkipWithError("no first frame");
  int node = 0;
  for (auto _ : state) {
    state.PauseTiming();
    rig.camera->Unplug();
    if (!testtools::PumpUntil([&] { return rig.capture->CameraStatus() == cstDisconnected; }))
      return state.SkipWithError("the unplug was not noticed");
    rig.capture->Recovery()->Timer()->stop();
    node = node == 3 ? 4 : 3;
    const std::string devnode = "/dev/video" + std::to_string(node);
    rig.camera->ReplugAt(devnode);
    const std::shared_ptr<camtest::TFakeV4L2Device> fake = rig.camera->Fake();
    const int before = rig.counter.Frames();
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    udev->Add(devnode);
    // The camera sends once it streams, as a real one does after its own
    // start; a frame it sends before the graph runs is dropped, so it keeps
    // sending: what is measured is the viewer's part.
    const bool shown = testtools::PumpUntil([&] {
      bool streaming;
      {
        std::lock_guard guard(fake->lock_);
        streaming = fake->streamOns_ > 0;
      }
      if (streaming) fake->PushBytes(frame);
      return rig.counter.Frames() > before;
    });
    if (!shown) return state.SkipWithError("no frame after the replug");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
  }
  watch.Stop();
}

BENCHMARK(BM_OpenGraph_FakeCamera)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToFirstFrame_FakeCamera_Cold)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToFirstFrame_FakeCamera_Warm)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToFirstFrame_SyntheticCamera)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplugToFirstFrame_FakeCamera)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumicar
