// The viewer's real frame path, end to end, on a shown window: the scripted
// document camera streaming 1600 x 1200 → the capture (camera filter,
// grabber, frame queue thread, notify thread) → the mirror turning the
// picture half round → the image display's push source → the video
// renderer, which paints on the user-interface thread (OpenGL under Xvfb).
//
//  * Full speed (YUY2 from the camera's uncompressed mode, MJPEG from its
//    compressed one): the next frame goes to the camera as soon as the last
//    one has left the camera and at most two are on their way through the
//    capture; the renderer drops what it cannot paint. CPU per frame by
//    stage, from the threads' own CPU clocks, and where two stages share a
//    thread (mirror and display push run on the capture's notify thread)
//    from the CPU time of their own calls. The scripted camera's copy into
//    its buffer (a driver's DMA) and the program's frame making are kept
//    apart: they are not the viewer's.
//  * The same picture work in a command-line media pipeline (test source,
//    half-turn flip, conversion to 24-bit RGB, null sink), its CPU time as a
//    child process, with its test source's own cost measured alone.
//  * The same YUY2 run with the display's view tools on (zoom 2 and a
//    quarter turn), and once more frozen: their cost per frame against the
//    plain run (target: at most 0.05 ms CPU a frame more).
//  * Latency at 30 frames a second: from the camera's buffer stamp
//    (CLOCK_MONOTONIC) to the presentation of that frame (the renderer's
//    present hook, after the buffer swap). Each frame carries its number
//    in a strip of black and white blocks, read back from the presented
//    frame, so that a frame dropped on the way cannot shift the pairing.
//
// Targets (reported, not checked): at most 2 ms CPU a frame for YUY2 (MJPEG:
// 2 ms plus its decode), at most 1/2.5 of the pipeline's CPU, latency median
// ≤ 33 ms and 99th percentile ≤ 66 ms.
//
// LUMICAR_BENCH_SHORT=1: 12 frames per part and no pipeline comparison; the
// program fails when frames do not come through in order or are not
// presented. Never on speed.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <linux/videodev2.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/ds_capture.h"
#include "display/control/display_classes.h"
#include "display/control/ds_image_display.h"
#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/graph/device_provider.h"
#include "dsbase/render/video_render_path.h"
#include "dsbase/render/video_renderer.h"
#include "filters/mirror.h"
#include "imagepins/buffer_operations.h"
#include "testing/bench_cpu_time.h"
#include "testing/bench_main.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/camera/fake_v4l2_device.h"

extern char** environ;

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;
constexpr int kInFlight = 2;  // frames between the camera and the mirror at full speed
constexpr int64_t kFrameNs = 33'333'333;

bool ShortRun() { return qEnvironmentVariableIsSet("LUMICAR_BENCH_SHORT"); }
// The quick run is kept short for the sanitizer build, where the chain's
// kernels run unoptimised at a few frames a second.
int FramesPerPart() { return ShortRun() ? 12 : 300; }
// Frames sent before the measurement (the renderer makes its textures).
int WarmFrames() { return ShortRun() ? 1 : 3; }

// Set by any part whose frames did not come through; main's exit code.
std::atomic<bool> failed{false};
void Fail(benchmark::State& state, const std::string& why) {
  failed.store(true);
  std::printf("FAILED: %s\n", why.c_str());
  std::fflush(stdout);
  state.SkipWithError(why.c_str());
}

// ---------------------------------------------------------------- clocks

int64_t Ns(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

int64_t OwnCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return Ns(t);
}

int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return Ns(t);
}

pid_t Tid() { return pid_t(syscall(SYS_gettid)); }

// The CPU clock of another thread of this process by its id: the kernel's
// encoding of a per-thread scheduler clock, which pthread_getcpuclockid
// builds the same way (the threads measured here are not ours to ask).
int64_t ThreadCpuNs(pid_t tid) {
  const clockid_t clock = clockid_t((~unsigned(tid) << 3) | 6u);
  timespec t{};
  if (clock_gettime(clock, &t) != 0) return -1;
  return Ns(t);
}

double ProcessCpuNs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ns = [](const timeval& t) { return double(t.tv_sec) * 1e9 + double(t.tv_usec) * 1e3; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}

struct TThreadCpu {
  std::string name;
  int64_t cpuNs = 0;
};

// Every thread of the process with its name and CPU time.
std::map<pid_t, TThreadCpu> SampleThreads() {
  std::map<pid_t, TThreadCpu> threads;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return threads;
  while (dirent* entry = readdir(dir)) {
    const pid_t tid = pid_t(std::atoi(entry->d_name));
    if (tid <= 0) continue;
    TThreadCpu t;
    std::ifstream comm("/proc/self/task/" + std::string(entry->d_name) + "/comm");
    std::getline(comm, t.name);
    t.cpuNs = ThreadCpuNs(tid);
    if (t.cpuNs >= 0) threads[tid] = t;
  }
  closedir(dir);
  return threads;
}

// ---------------------------------------------------------------- frame numbers

// A frame's number as 20 blocks of 32 x 32 pixels along the top of the
// camera's picture, white for 1 and black for 0: four marker bits, then 16
// bits of the number. Blocks survive the colour conversion and the turn.
constexpr int kTagBlock = 32, kTagMarkerBits = 4, kTagNumberBits = 16;
constexpr uint32_t kTagMarker = 0b1011;

void StampTag(std::vector<uint8_t>& yuyv, int number) {
  const uint32_t word = kTagMarker << kTagNumberBits | (uint32_t(number) & 0xFFFF);
  for (int b = 0; b < kTagMarkerBits + kTagNumberBits; ++b) {
    const bool one = word >> (kTagMarkerBits + kTagNumberBits - 1 - b) & 1;
    for (int y = 0; y < kTagBlock; ++y) {
      uint8_t* p = yuyv.data() + (size_t(y) * kWidth + size_t(b) * kTagBlock) * 2;
      for (int x = 0; x < kTagBlock; ++x) {
        p[2 * x] = one ? 235 : 16;
        p[2 * x + 1] = 128;
      }
    }
  }
}

// Reads the number back; `brightness(x, y)` gives a picture point's
// brightness in the camera's orientation. -1 without the marker.
template <typename Brightness>
int ReadTag(Brightness&& brightness) {
  uint32_t word = 0;
  for (int b = 0; b < kTagMarkerBits + kTagNumberBits; ++b) {
    const int value = brightness(b * kTagBlock + kTagBlock / 2, kTagBlock / 2);
    if (value < 0) return -1;
    word = word << 1 | (value > 128 ? 1u : 0u);
  }
  if (word >> kTagNumberBits != kTagMarker) return -1;
  return int(word & 0xFFFF);
}

// The number of a frame as the mirror receives it (packed 4:2:2, top-down).
int TagOfCapturedFrame(TVLImageBuffer& frame) {
  if (frame.GetFormat() != vfYUY2 || frame.GetWidth() != kWidth || frame.GetHeight() != kHeight) return -1;
  const uint8_t* p = frame.Read();
  const int step = frame.GetStep();
  if (!p) return -1;
  return ReadTag([&](int x, int y) { return int(p[size_t(y) * size_t(step) + size_t(x) * 2]); });
}

// The number of a frame in the renderer's hands; `turned`: the picture was
// turned half round on the way.
int TagOfPresentedFrame(const TDSVideoFrame& frame, bool turned) {
  const TDSFrameFormat& f = frame.format;
  if (f.width != kWidth || f.height != kHeight || f.stride <= 0) return -1;
  if (!frame.pixels || frame.size < int64_t(f.stride) * f.height) return -1;
  return ReadTag([&](int x, int y) {
    if (turned) x = f.width - 1 - x, y = f.height - 1 - y;
    const int row = f.bottomUp ? f.height - 1 - y : y;
    const uint8_t* line = frame.pixels + size_t(row) * size_t(f.stride);
    switch (f.format) {
      case vfRGB24:
        return int(line[size_t(x) * 3 + 1]);
      case vfRGBA32:
        return int(line[size_t(x) * 4 + 1]);
      case vfYUY2:
        return int(line[size_t(x) * 2]);
      default:
        return -1;
    }
  });
}

// ---------------------------------------------------------------- the chain, instrumented

// What the feeder waits for and the stages count; one per run.
struct TFlow {
  std::mutex lock;
  std::condition_variable changed;
  void Wake() {
    std::lock_guard guard(lock);
    changed.notify_all();
  }

  // Camera (streaming thread).
  std::atomic<pid_t> streamTid{0};
  std::atomic<int64_t> fakeNs{0};    // inside the scripted camera's DQBUF (its copy)
  std::atomic<int64_t> unpackNs{0};  // from a dequeue to the requeue: the filter's copy or decode
  std::atomic<int> requeued{0};      // buffers given back after a frame
  // Mirror and display (notify thread).
  std::atomic<int> mirrorEntered{0}, pushes{0}, tagGaps{0}, untagged{0};
  std::atomic<int> lastTag{-1};
  std::atomic<int64_t> mirrorNs{0}, pushNs{0};
  std::atomic<bool> checkTags{true};
};

// The scripted camera behind a seam that times its dequeue (the fake's copy
// into the buffer, which a real camera's DMA does for free) and the filter's
// work between dequeue and requeue, and tells the feeder when a buffer is
// back.
class TTimedCamera final : public IV4L2Device {
 public:
  TTimedCamera(std::shared_ptr<camtest::TFakeV4L2Device> fake, TFlow* flow) : fake_(std::move(fake)), flow_(flow) {}
  int Open(const std::string& path, int flags) override { return fake_->Open(path, flags); }
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override {
    return fake_->Mmap(length, prot, flags, fd, offset);
  }
  int Munmap(void* address, size_t length) override { return fake_->Munmap(address, length); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return fake_->Poll(fds, count, timeoutMs); }
  int Close(int fd) override { return fake_->Close(fd); }
  bool Interruptible() const override { return fake_->Interruptible(); }
  void Interrupt(int fd) override { fake_->Interrupt(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    if (request == VIDIOC_DQBUF) {
      const int64_t before = OwnCpuNs();
      const int result = fake_->Ioctl(fd, request, arg);
      const int64_t after = OwnCpuNs();
      flow_->fakeNs.fetch_add(after - before);
      if (result == 0) {
        flow_->streamTid.store(Tid());
        holding_.store(true);
      }
      lastDequeueEnd_ = after;
      return result;
    }
    if (request == VIDIOC_QBUF && holding_.load() && Tid() == flow_->streamTid.load()) {
      holding_.store(false);
      flow_->unpackNs.fetch_add(OwnCpuNs() - lastDequeueEnd_);
      const int result = fake_->Ioctl(fd, request, arg);
      flow_->requeued.fetch_add(1);
      flow_->Wake();
      return result;
    }
    return fake_->Ioctl(fd, request, arg);
  }

 private:
  std::shared_ptr<camtest::TFakeV4L2Device> fake_;
  TFlow* flow_;
  // A dequeued buffer not given back yet (the set-up's own requeues, on
  // another thread, are not frames).
  std::atomic<bool> holding_{false};
  int64_t lastDequeueEnd_ = 0;  // the streaming thread's own
};

// The viewer's mirror, its own CPU time taken per frame (the display push
// it makes from inside is taken out again), and the frame numbers checked
// for gaps as they leave the capture.
class TTimedMirror final : public TVLMirror {
 public:
  explicit TTimedMirror(TComponent* owner, TFlow* flow) : TVLMirror(owner), flow_(flow) {}
  bool BufferOperation(TOWSuppliedBufferOperation* operation, TOWNotifyState state) override {
    if (flow_->checkTags.load()) {
      auto frame = MakeIntf<TVLImageBuffer>(operation->Buffer());
      const int tag = TagOfCapturedFrame(*frame);
      if (tag < 0) {
        flow_->untagged.fetch_add(1);
      } else {
        const int last = flow_->lastTag.exchange(tag);
        if (last >= 0 && tag != last + 1) flow_->tagGaps.fetch_add(1);
      }
    }
    flow_->mirrorEntered.fetch_add(1);
    flow_->Wake();
    const int64_t pushBefore = flow_->pushNs.load();
    const int64_t start = OwnCpuNs();
    const bool sent = TVLMirror::BufferOperation(operation, state);
    const int64_t spent = OwnCpuNs() - start;
    flow_->mirrorNs.fetch_add(spent - (flow_->pushNs.load() - pushBefore));
    return sent;
  }

 private:
  TFlow* flow_;
};

// The viewer's display, the CPU time of each push into its graph taken.
class TTimedDisplay final : public TVLDSImageDisplay {
 public:
  explicit TTimedDisplay(TComponent* owner, TFlow* flow) : TVLDSImageDisplay(owner), flow_(flow) {}
  void RenderImage(IVLImageBuffer* frame) override {
    const int64_t start = OwnCpuNs();
    TVLDSImageDisplay::RenderImage(frame);
    flow_->pushNs.fetch_add(OwnCpuNs() - start);
    flow_->pushes.fetch_add(1);
    flow_->Wake();
  }

 private:
  TFlow* flow_;
};

bool EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_viewer_chain";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  RegisterDisplayClasses();
  VLDSCaptureRegisterServices();
  return true;
}

// Runs the event loop until `done` holds or `timeoutMs` passed.
template <typename Done>
bool RunEventsUntil(Done&& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done() || std::chrono::steady_clock::now() >= deadline) loop.quit();
  });
  poll.start(5);
  if (!done()) loop.exec();
  return done();
}

enum class TInput { kYuy2, kMjpeg };

// The viewer's window content: capture → mirror (half turn) → display in a
// shown 640 x 480 window, the camera's 1600 x 1200 in the chosen mode.
struct TChain {
  explicit TChain(TInput input) {
    provider = std::make_shared<camtest::TFakeCameraProvider>();
    provider->SetSeam(std::make_shared<TTimedCamera>(provider->Fake(), &flow));
    DSRegisterDeviceProvider(provider);
    host.resize(640, 480);
    capture = NewComponent<TVLDSCapture>(&form);
    capture->VideoCaptureDevice()->SetName(QStringLiteral("Document Camera"));
    capture->SetVideoFormat(vfYUY2);
    capture->VideoSize()->SetCurrent(false);
    capture->VideoSize()->SetWidth(kWidth);
    capture->VideoSize()->SetHeight(kHeight);
    // The camera gives 1600 x 1200 uncompressed at 7 frames a second and
    // as MJPEG at 30: the rate picks the mode (the fake delivers as fast as
    // it is given frames either way).
    capture->FrameRate()->SetCurrent(false);
    capture->FrameRate()->SetRate(input == TInput::kYuy2 ? 7 : 30);
    mirror = NewComponent<TTimedMirror>(&form, &flow);
    mirror->SetMirrorType(mtBoth);
    mirror->SetEnabled(true);
    display = NewComponent<TTimedDisplay>(&form, &flow);
    display->SetParent(&host);
    display->SetAlign(alClient);
    display->SetStretch(true);
    capture->OutputPin()->Connect(mirror->InputPin());
    mirror->OutputPin()->Connect(display->InputPin());
    host.show();
  }
  ~TChain() {
    if (renderer) renderer->Frames()->SetPresentHook({});
    capture->Stop();
    renderer = nullptr;
    rendererFilter.reset();
    delete capture;
    delete mirror;
    delete display;
    QCoreApplication::sendPostedEvents();
    DSUnregisterDeviceProvider(provider.get());
  }

  // Starts the stream; an empty answer when it runs in the expected mode.
  std::string Start(TInput input) {
    if (!RunEventsUntil([&] { return host.windowHandle() && host.windowHandle()->isExposed(); }, 5000))
      return "the window was not shown";
    // The feeder keeps every frame (it sends the next once the one before
    // is on its way), which holds for decoding on the streaming thread; the
    // decoder thread, chosen by itself where a decode is slow (the sanitizer
    // build), hands on only the newest frame instead (bench_mjpeg_4k
    // measures it).
    if (!capture->Open()) return "the camera did not open";
    if (auto* filter = dynamic_cast<TDSV4L2CaptureFilter*>(capture->CaptureFilter()))
      filter->CapturePin()->SetMjpegDecoding(TDSMjpegDecoding::streamingThread);
    capture->Start();
    if (!capture->IsRunning()) return "the capture did not start";
    {
      std::lock_guard guard(provider->Fake()->lock_);
      const uint32_t wanted = input == TInput::kYuy2 ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_MJPEG;
      if (provider->Fake()->format_.pixelformat != wanted || provider->Fake()->format_.width != uint32_t(kWidth))
        return "the camera runs in another mode";
    }
    rendererFilter = display->Graph()->GetVideoRender();
    renderer = rendererFilter ? DSVideoRendererOf(rendererFilter.get()) : nullptr;
    if (!display->GraphRunning() || !renderer) return "the display has no graph";
    return {};
  }

  // The frame the camera is given next: the base picture, numbered when
  // uncompressed.
  camtest::TFakeV4L2Device::TFrame Frame(const std::vector<uint8_t>& base, bool number, int index, int64_t stamp) {
    camtest::TFakeV4L2Device::TFrame f{base, uint32_t(base.size()), 0, false, stamp};
    if (number) StampTag(f.bytes, index);
    return f;
  }

  // The first frames build the renderer's textures and buffers; they go one
  // at a time, since the camera filter hands on only the newest of the
  // buffers it finds ready. Numbered from 0 when `number`.
  bool WarmUp(const std::vector<uint8_t>& base, bool number, int count) {
    for (int i = 0; i < count; ++i) {
      provider->Fake()->Push(Frame(base, number, i, 0));
      if (!RunEventsUntil([&] { return flow.pushes.load() > i && LastPresented(); }, ShortRun() ? 10000 : 20000))
        return false;
    }
    return true;
  }

  // All frames put into the renderer presented up to the last one.
  bool LastPresented() const {
    const TDSVideoFrameCounts c = renderer->FrameCounts();
    return c.received > 0 && c.lastPresented == c.received;
  }

  TFlow flow;
  std::shared_ptr<camtest::TFakeCameraProvider> provider;
  bool application = EnsureApplication();  // before the first widget
  QWidget host;
  TComponent form;
  TVLDSCapture* capture = nullptr;
  TTimedMirror* mirror = nullptr;
  TTimedDisplay* display = nullptr;
  TIntf<IBaseFilter> rendererFilter;
  TDSVideoRenderer* renderer = nullptr;
};

// ---------------------------------------------------------------- part 1: CPU per frame at full speed

struct TChainCpu {
  bool valid = false;
  int frames = 0;
  double totalUs = 0;      // the viewer's threads, without the camera's copy and the feeder
  double toDisplayUs = 0;  // the same without the renderer's painting and the GL driver
  double fakeUs = 0;
  double paintedEachUs = 0;  // with the painting of every frame
};
TChainCpu yuy2Cpu;

// The display's view tools during a run: none; zoom 2 with a quarter turn
// (the renderer draws a turned part of each frame); the same, frozen (the
// renderer takes no frame and paints nothing new, frames are dropped).
enum class TTools { kNone, kZoomTurn, kZoomTurnFrozen };

const char* ToolsName(TTools tools) {
  switch (tools) {
    case TTools::kZoomTurn:
      return ", zoom 2 and a quarter turn";
    case TTools::kZoomTurnFrozen:
      return ", zoom 2, a quarter turn, frozen";
    default:
      return "";
  }
}

void FullSpeed(benchmark::State& state, TInput input, TTools tools = TTools::kNone) {
  const int total = FramesPerPart();
  const bool yuy2 = input == TInput::kYuy2;
  const bool frozen = tools == TTools::kZoomTurnFrozen;
  for (auto _ : state) {
    TChain chain(input);
    TFlow& flow = chain.flow;
    flow.checkTags.store(yuy2);
    if (const std::string why = chain.Start(input); !why.empty()) {
      Fail(state, why);
      return;
    }
    const std::vector<uint8_t> base = yuy2 ? camtest::MakeYuyv(kWidth, kHeight, 1) : camtest::MakeJpeg(kWidth, kHeight);
    auto camera = chain.provider->Fake();

    const int warm = WarmFrames();
    if (tools != TTools::kNone) {
      chain.display->SetZoom(2);
      chain.display->SetQuarterTurns(1);
    }
    if (!chain.WarmUp(base, yuy2, warm)) {
      Fail(state, "the warm-up frames were not presented");
      return;
    }
    // Frozen after the warm-up, which waits for its frames on the screen.
    if (frozen) chain.display->SetFrozen(true);

    const int requeuedBase = flow.requeued.load(), enteredBase = flow.mirrorEntered.load();
    const int pushesBase = flow.pushes.load();
    const int64_t fakeBase = flow.fakeNs.load(), unpackBase = flow.unpackNs.load();
    const int64_t mirrorBase = flow.mirrorNs.load(), pushBase = flow.pushNs.load();
    const TDSVideoFrameCounts countsBase = chain.renderer->FrameCounts();
    std::atomic<pid_t> feederTid{0};
    std::atomic<bool> feederDone{false}, feederStuck{false};
    const std::map<pid_t, TThreadCpu> before = SampleThreads();
    const double processBefore = ProcessCpuNs();
    const int64_t wallStart = MonotonicNs();

    std::thread feeder([&] {
      feederTid.store(Tid());
      for (int i = 0; i < total; ++i) {
        {
          std::unique_lock guard(flow.lock);
          const bool ready = flow.changed.wait_for(guard, std::chrono::seconds(20), [&] {
            return flow.requeued.load() - requeuedBase >= i &&
                   i - (flow.mirrorEntered.load() - enteredBase) < kInFlight;
          });
          if (!ready) {
            feederStuck.store(true);
            break;
          }
        }
        camera->Push(chain.Frame(base, yuy2, warm + i, 0));
      }
      feederDone.store(true);
    });
    RunEventsUntil(
        [&] {
          // Frozen, nothing more is presented: all frames have reached the
          // renderer instead.
          const bool through = frozen ? chain.renderer->FrameCounts().received - countsBase.received >= uint64_t(total)
                                      : chain.LastPresented();
          return feederDone.load() && flow.pushes.load() - pushesBase >= total && through;
        },
        ShortRun() ? 20000 : 60000);
    feeder.join();
    const int64_t wallNs = MonotonicNs() - wallStart;
    const double processNs = ProcessCpuNs() - processBefore;
    const std::map<pid_t, TThreadCpu> after = SampleThreads();
    const TDSVideoFrameCounts counts = chain.renderer->FrameCounts();

    // CPU by thread over the run.
    const pid_t main = getpid(), stream = flow.streamTid.load(), feederId = feederTid.load();
    int64_t gui = 0, streaming = 0, queue = 0, notify = 0, gl = 0, other = 0;
    for (const auto& [tid, now] : after) {
      const auto was = before.find(tid);
      const int64_t spent = now.cpuNs - (was != before.end() ? was->second.cpuNs : 0);
      if (tid == main)
        gui += spent;
      else if (tid == stream)
        streaming += spent;
      else if (tid == feederId)
        continue;
      else if (now.name.ends_with("fferQueueThread"))
        queue += spent;
      else if (now.name == "TSLNotifyThread")
        notify += spent;
      else if (now.name.starts_with("llvmpipe"))
        gl += spent;
      else
        other += spent;
    }
    // The feeder has ended before the second sample: its time shows only in
    // the process's rest.
    const int64_t fake = flow.fakeNs.load() - fakeBase, unpack = flow.unpackNs.load() - unpackBase;
    const int64_t mirror = flow.mirrorNs.load() - mirrorBase, push = flow.pushNs.load() - pushBase;
    const int64_t grabber = streaming - fake - unpack;
    const int64_t notifyRest = notify - mirror - push;
    const int64_t ours = streaming - fake + queue + notify + gui + gl + other;
    const int presented = int(counts.presented - countsBase.presented);
    const int received = int(counts.received - countsBase.received);

    const int passed = flow.pushes.load() - pushesBase;
    if (feederStuck.load() || passed != total)
      Fail(state, "only " + std::to_string(passed) + " of " + std::to_string(total) + " frames reached the display");
    else if (flow.tagGaps.load() || (yuy2 && flow.untagged.load()))
      Fail(state, "frames left the capture out of order or unnumbered");
    else if (!frozen && !chain.LastPresented())
      Fail(state, "the last frame was not presented");
    else if (frozen && presented != 0)
      Fail(state, "a frozen display presented frames");

    const auto us = [&](int64_t ns) { return double(ns) / 1e3 / total; };
    state.SetIterationTime(double(wallNs) / 1e9);
    state.counters["frames"] = total;
    state.counters["presented"] = presented;
    state.counters["received_by_renderer"] = received;
    state.counters["fps"] = double(total) / (double(wallNs) / 1e9);
    state.counters[yuy2 ? "capture_unpack_copy_us" : "capture_mjpeg_decode_us"] = us(unpack);
    state.counters["capture_grabber_queue_us"] = us(grabber + queue + notifyRest);
    state.counters["mirror_us"] = us(mirror);
    state.counters["display_push_us"] = us(push);
    state.counters["renderer_gui_us"] = us(gui);
    state.counters["gl_driver_us"] = us(gl);
    state.counters["chain_us"] = us(ours);
    state.counters["fake_camera_copy_us"] = us(fake);
    state.counters["opengl"] = DSVideoRenderPath() == TDSVideoRenderPath::kOpenGL ? 1 : 0;

    std::printf(
        "\n%s full speed%s, %d frames of 1600x1200 in %.2f s (%.1f frames/s), %d presented (%d reached the renderer);\n"
        "CPU per frame (us):\n"
        "  capture: camera filter %s %8.0f\n"
        "           grabber copy + queue hand-over (streaming thread) %8.0f\n"
        "           frame queue thread %8.0f, notify thread outside mirror/display %8.0f\n"
        "  mirror (YUY2 -> RGB24, half turn, notify thread)            %8.0f\n"
        "  display push (source filter + renderer receive, notify thr.) %8.0f\n"
        "  renderer paint/upload (user-interface thread)               %8.0f  (%.0f per presented frame)\n"
        "  GL driver threads %8.0f, other threads %8.0f\n"
        "  = chain %8.0f (%.0f without the renderer's painting and GL)%s\n"
        "  not counted: scripted camera's copy into its buffer %8.0f, feeder's frame making (process rest %.0f)\n"
        "  target: chain <= 2000%s\n",
        yuy2 ? "YUY2" : "MJPEG", ToolsName(tools), total, double(wallNs) / 1e9, double(total) / (double(wallNs) / 1e9),
        presented, received, yuy2 ? "copy  " : "decode", us(unpack), us(grabber), us(queue), us(notifyRest), us(mirror),
        us(push), us(gui), presented ? double(gui) / 1e3 / presented : 0.0, us(gl), us(other), us(ours),
        us(ours - gui - gl - other), yuy2 ? "" : " incl. decode", us(fake),
        (processNs - double(ours + fake)) / 1e3 / total, yuy2 ? "" : " + decode");
    // At full speed the renderer paints only some frames; what every frame
    // painted would cost, from the painting per presented frame.
    const double paintedEach =
        us(ours - gui - gl - other) + (presented ? double(gui + gl + other) / 1e3 / presented : 0.0);
    state.counters["chain_every_frame_painted_us"] = paintedEach;
    std::printf("  with every frame painted %8.0f%s\n", paintedEach, yuy2 ? "" : " incl. decode");
    if (!yuy2) std::printf("  decode excluded: chain %8.0f\n", us(ours - unpack));
    if (!ShortRun())
      std::printf("  for scale: memcpy of a YUY2 frame %.0f, of an RGB24 frame %.0f\n",
                  benchclock::MemcpyNs(size_t(kWidth) * kHeight * 2) / 1e3,
                  benchclock::MemcpyNs(size_t(kWidth) * kHeight * 3) / 1e3);
    if (yuy2 && tools == TTools::kNone) {
      yuy2Cpu.valid = !failed.load();
      yuy2Cpu.frames = total;
      yuy2Cpu.totalUs = us(ours);
      yuy2Cpu.toDisplayUs = us(ours - gui - gl - other);
      yuy2Cpu.fakeUs = us(fake);
      yuy2Cpu.paintedEachUs = paintedEach;
    }
  }
}

void BM_FullSpeedYuy2(benchmark::State& state) { FullSpeed(state, TInput::kYuy2); }
void BM_FullSpeedMjpeg(benchmark::State& state) { FullSpeed(state, TInput::kMjpeg); }
// The cost of the view tools per frame: compare chain_us and the painting
// per presented frame with BM_FullSpeedYuy2 of the same run.
void BM_FullSpeedYuy2ZoomTurn(benchmark::State& state) { FullSpeed(state, TInput::kYuy2, TTools::kZoomTurn); }
void BM_FullSpeedYuy2Frozen(benchmark::State& state) { FullSpeed(state, TInput::kYuy2, TTools::kZoomTurnFrozen); }

// ---------------------------------------------------------------- part 2: the media pipeline tool

std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', at), dirs.size());
    const std::string candidate = dirs.substr(at, end - at) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return {};
}

// Runs the program to its end; its user + system CPU time, or -1.
double ChildCpuNs(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  const auto ns = [](const timeval& t) { return double(t.tv_sec) * 1e9 + double(t.tv_usec) * 1e3; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}

std::vector<std::string> Pipeline(int buffers, bool work) {
  std::vector<std::string> args = {"-q", "videotestsrc", "num-buffers=" + std::to_string(buffers), "!",
                                   "video/x-raw,format=YUY2,width=1600,height=1200"};
  if (work) {
    for (const char* a : {"!", "videoflip", "video-direction=180", "!", "videoconvert", "!", "video/x-raw,format=BGR"})
      args.emplace_back(a);
  }
  args.emplace_back("!");
  args.emplace_back("fakesink");
  return args;
}

void BM_PipelineTool(benchmark::State& state) {
  for (auto _ : state) {
    if (ShortRun()) {
      state.SetLabel("skipped in the quick run");
      continue;
    }
    const std::string tool = FindProgram("gst-launch-1.0");
    if (tool.empty()) {
      std::printf(
          "\nComparison with gst-launch-1.0 skipped: it is not installed. Install it with bench/setup-gstreamer.sh\n"
          "(apt-get install gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good).\n");
      state.SetLabel("skipped: gst-launch-1.0 not installed");
      continue;
    }
    const int frames = FramesPerPart();
    // A first short run builds the tool's plugin registry.
    ChildCpuNs(tool, Pipeline(1, true));
    const double full = ChildCpuNs(tool, Pipeline(frames, true));
    const double source = ChildCpuNs(tool, Pipeline(frames, false));
    if (full < 0 || source < 0) {
      Fail(state, "gst-launch-1.0 failed");
      return;
    }
    const double theirs = full / 1e3 / frames, theirsSource = source / 1e3 / frames;
    const double theirsWork = theirs - theirsSource;
    state.counters["theirs_us"] = theirs;
    state.counters["theirs_source_us"] = theirsSource;
    state.counters["theirs_without_source_us"] = theirsWork;
    std::printf(
        "\ngst-launch-1.0 (videotestsrc -> videoflip 180 -> videoconvert BGR -> fakesink), %d frames, CPU per frame:\n"
        "  whole pipeline %8.0f us, test source + sink alone %8.0f us, flip + convert %8.0f us\n",
        frames, theirs, theirsSource, theirsWork);
    if (!yuy2Cpu.valid) {
      std::printf("  (no valid YUY2 figure of ours to compare with)\n");
      continue;
    }
    // Their pipeline ends in a null sink: the like of ours is the chain up
    // to the renderer's receive. Painting is listed apart (on Xvfb it is
    // Mesa's software rasteriser doing a graphics card's work).
    const double ours = yuy2Cpu.toDisplayUs;
    state.counters["ours_us"] = ours;
    state.counters["theirs_per_ours"] = theirs / ours;
    std::printf(
        "  ours, capture to the renderer's receive (no camera copy) %8.0f us: theirs / ours = %.2f (target >= 2.5)\n"
        "  ours with the scripted camera's copy (as their source)   %8.0f us: theirs / ours = %.2f\n"
        "  theirs without their source / ours                       %8.0f / %.0f = %.2f\n"
        "  ours with the painting of the frames presented           %8.0f us: theirs / ours = %.2f\n"
        "  ours with every frame painted (software OpenGL)          %8.0f us: theirs / ours = %.2f\n",
        ours, theirs / ours, ours + yuy2Cpu.fakeUs, theirs / (ours + yuy2Cpu.fakeUs), theirsWork, ours,
        theirsWork / ours, yuy2Cpu.totalUs, theirs / yuy2Cpu.totalUs, yuy2Cpu.paintedEachUs,
        theirs / yuy2Cpu.paintedEachUs);
  }
}

// ---------------------------------------------------------------- part 3: latency at 30 frames a second

void BM_Latency30fps(benchmark::State& state) {
  const int total = FramesPerPart();
  for (auto _ : state) {
    TChain chain(TInput::kYuy2);
    if (const std::string why = chain.Start(TInput::kYuy2); !why.empty()) {
      Fail(state, why);
      return;
    }
    const std::vector<uint8_t> base = camtest::MakeYuyv(kWidth, kHeight, 1);
    const int warm = WarmFrames();
    if (!chain.WarmUp(base, true, warm)) {
      Fail(state, "the warm-up frames were not presented");
      return;
    }
    auto camera = chain.provider->Fake();
    const int pushesBase = chain.flow.pushes.load();
    std::vector<std::atomic<int64_t>> stamps(static_cast<size_t>(total));
    // Per presented frame: camera stamp to presentation, and to the
    // renderer's receive (the rest is the wait for and the work of painting).
    std::vector<int64_t> latencies, toRenderer;
    int unmatched = 0;
    std::shared_ptr<TDSVideoFrameExchange> frames = chain.renderer->Frames();
    // On the user-interface thread, right after the swap of the frame.
    frames->SetPresentHook([&](uint64_t sequence, int64_t receivedNs, int64_t presentedNs) {
      const TDSVideoFrame* shown = frames->Current();
      const int index = (shown && shown->sequence == sequence ? TagOfPresentedFrame(*shown, true) : -1) - warm;
      if (index < 0 || index >= total || stamps[size_t(index)].load() == 0) {
        ++unmatched;
        return;
      }
      latencies.push_back(presentedNs - stamps[size_t(index)].load());
      toRenderer.push_back(receivedNs - stamps[size_t(index)].load());
    });

    std::atomic<bool> feederDone{false};
    const int64_t start = MonotonicNs() + kFrameNs;
    std::thread feeder([&] {
      for (int i = 0; i < total; ++i) {
        std::this_thread::sleep_until(
            std::chrono::steady_clock::time_point(std::chrono::nanoseconds(start + i * kFrameNs)));
        // The picture exists before its stamp, as a camera's frame does
        // before the driver completes the buffer.
        camtest::TFakeV4L2Device::TFrame f = chain.Frame(base, true, warm + i, 0);
        const int64_t stamp = MonotonicNs();
        f.timestampNs = stamp;
        stamps[size_t(i)].store(stamp);
        camera->Push(std::move(f));
      }
      feederDone.store(true);
    });
    // Until every frame came through, or (when the camera filter had to drop
    // late frames, as a starved streaming thread does) nothing more for 0.5 s.
    int lastPushes = -1;
    auto quietSince = std::chrono::steady_clock::now();
    RunEventsUntil(
        [&] {
          const int pushes = chain.flow.pushes.load();
          if (pushes != lastPushes) lastPushes = pushes, quietSince = std::chrono::steady_clock::now();
          if (!feederDone.load() || !chain.LastPresented()) return false;
          return pushes - pushesBase >= total ||
                 std::chrono::steady_clock::now() - quietSince > std::chrono::milliseconds(500);
        },
        total * 34 + 20000);
    feeder.join();
    frames->SetPresentHook({});

    const auto percentile = [](std::vector<int64_t> values, double p) {
      if (values.empty()) return 0.0;
      std::sort(values.begin(), values.end());
      const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
      return double(values[at]) / 1e6;
    };
    const int passed = chain.flow.pushes.load() - pushesBase;
    if (latencies.empty())
      Fail(state, "no frame was matched at its presentation");
    else if (!chain.LastPresented())
      Fail(state, "the last frame was not presented");
    state.counters["frames"] = total;
    state.counters["reached_display"] = passed;
    state.counters["presented_matched"] = double(latencies.size());
    state.counters["unmatched"] = unmatched;
    state.counters["latency_p50_ms"] = percentile(latencies, 0.5);
    state.counters["latency_p99_ms"] = percentile(latencies, 0.99);
    state.counters["latency_max_ms"] = percentile(latencies, 1.0);
    state.counters["to_renderer_p50_ms"] = percentile(toRenderer, 0.5);
    std::printf(
        "\nLatency at 30 frames/s, camera stamp -> presentation (after the swap), YUY2 1600x1200, %d frames:\n"
        "  %d reached the display (the rest dropped late by the camera filter), %zu presented and matched, %d "
        "presentations not matched\n"
        "  stamp -> presented: median %.1f ms, p99 %.1f ms, max %.1f ms (target: median <= 33, p99 <= 66)\n"
        "  of which stamp -> renderer receive: median %.1f ms, p99 %.1f ms\n",
        total, passed, latencies.size(), unmatched, percentile(latencies, 0.5), percentile(latencies, 0.99),
        percentile(latencies, 1.0), percentile(toRenderer, 0.5), percentile(toRenderer, 0.99));
  }
}

BENCHMARK(BM_FullSpeedYuy2)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSpeedMjpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSpeedYuy2ZoomTurn)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSpeedYuy2Frozen)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineTool)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Latency30fps)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumicar

int main(int argc, char** argv) {
  return lumicar::benchclock::RunBenchmarks(argc, argv, [] { return lumicar::failed.load(); });
}
