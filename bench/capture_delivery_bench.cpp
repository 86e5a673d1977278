// Frame delivery of the capture component at 30 frames a second, 1600 × 1200,
// on the scripted document camera: YUY2 as the camera sends it, and MJPEG
// decoded by the camera filter to YUY2 and to RGB24 (the viewer's format).
// A feeder thread pushes a frame every 33.3 ms stamped with CLOCK_MONOTONIC
// at the push, as a driver stamps a completed buffer; a sink linked to
// OutputPin notes when each frame reaches it. Reported per format:
//   lat_med_ms, lat_p99_ms  driver buffer stamp → the sink's receive callback
//                           (also the "Time" column: the median);
//   camera_MB               bytes the camera filter writes into its sample
//                           per frame (a copy of the driver buffer for YUY2,
//                           the decoder's output for MJPEG);
//   copy_MB, copies         bytes and calls per frame through the copy and
//                           flip kernels on the capture's threads, counted by
//                           wrapping those dispatch entries;
//   full_copies             full-frame copies between the driver buffer and
//                           the buffer leaving OutputPin (the camera's copy
//                           counts for YUY2, a decode does not);
//   cpu_pct, fake_cpu_pct   CPU of the process's threads other than the main
//                           and the feeder thread over the wall time, in % of
//                           one core, without (and, separately, for) the
//                           scripted driver's own copy into its buffer, which
//                           a real camera does by DMA.
// The MJPEG decode alone is timed by BM_MjpegDecode so that the latency of
// the MJPEG rows can be judged.
//
// With LUMICAR_BENCH_SHORT=1 each format streams 30 frames, and the program
// exits non-zero when a frame is lost, repeated, out of order, or its stamp
// does not lead back to the frame pushed; speed figures are never checked.

#include <benchmark/benchmark.h>
#include <linux/videodev2.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "buffers/image_buffer.h"
#include "buffers/sequence_stamp.h"
#include "buffers/time_stamp.h"
#include "capture/ds_capture.h"
#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/mjpeg_decoder.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/graph_ids.h"
#include "imagepins/buffer_operations.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "testing/bench_cpu_time.h"
#include "testing/bench_main.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/camera/fake_v4l2_device.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;
constexpr int64_t kPeriodNs = 1'000'000'000 / 30;

bool ShortRun() {
  const char* v = std::getenv("LUMICAR_BENCH_SHORT");
  return v && *v && std::strcmp(v, "0") != 0;
}

// Set by any run whose frames went wrong; main's exit code.
std::atomic<bool> gBroken{false};

void Broken(benchmark::State& state, const char* what, const std::string& why) {
  gBroken.store(true);
  std::fprintf(stderr, "%s: %s\n", what, why.c_str());
  state.SkipWithError(why.c_str());
}

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "bench_capture_delivery";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return app;
}

int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int ThisTid() { return int(syscall(SYS_gettid)); }

// CPU time of one thread of this process by its id: the kernel's per-thread
// CPU clock (the id pthread_getcpuclockid makes from a thread id).
int64_t ThreadCpuNs(int tid) {
  const clockid_t clock = clockid_t((~clockid_t(tid) << 3) | 6);
  timespec t{};
  if (clock_gettime(clock, &t) != 0) return -1;
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int64_t OwnCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::map<int, int64_t> AllThreadsCpu() {
  std::map<int, int64_t> result;
  for (const QString& entry : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const int tid = entry.toInt();
    const int64_t ns = ThreadCpuNs(tid);
    if (ns >= 0) result[tid] = ns;
  }
  return result;
}

QString ThreadName(int tid) {
  QFile f(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
  if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
  return QString::fromUtf8(f.readAll()).trimmed();
}

// ---------------------------------------------------------------- copy count

// The copy and flip kernels the frame path can reach are dispatch entries
// (process-wide function pointers): while a measurement runs they point at
// wrappers that note each call's source, target and bytes, then call the
// kernel they replaced.
struct TCopy {
  const uint8_t* source;
  int64_t bytes;
};

struct TCopyLog {
  std::mutex lock;
  std::map<const uint8_t*, TCopy> byTarget;  // copies of a frame's size and more
  int64_t bytes = 0, calls = 0;
  int64_t frameBytes = 0;
  bool on = false;

  void Note(const void* source, const void* target, int64_t count) {
    std::lock_guard guard(lock);
    if (!on) return;
    bytes += count;
    ++calls;
    if (count * 2 >= frameBytes)
      byTarget[static_cast<const uint8_t*>(target)] = {static_cast<const uint8_t*>(source), count};
  }
};
TCopyLog gCopies;

kernel_fn::ippsCopy_8u* gCopy8u = nullptr;
kernel_fn::ippiMirror_8u_C1R* gMirrorC1 = nullptr;
kernel_fn::ippiMirror_8u_C3R* gMirrorC3 = nullptr;
kernel_fn::ippiMirror_8u_C4R* gMirrorC4 = nullptr;
kernel_fn::ippiMirror_16u_C1R* gMirror16 = nullptr;

IppStatus CountedCopy8u(const Ipp8u* src, Ipp8u* dst, int len) {
  gCopies.Note(src, dst, len);
  return gCopy8u(src, dst, len);
}
IppStatus CountedMirrorC1(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, IppiAxis flip) {
  gCopies.Note(src, dst, int64_t(roi.width) * roi.height);
  return gMirrorC1(src, srcStep, dst, dstStep, roi, flip);
}
IppStatus CountedMirrorC3(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, IppiAxis flip) {
  // Turning rows over starts the target at its last row.
  gCopies.Note(src, dst, int64_t(roi.width) * 3 * roi.height);
  return gMirrorC3(src, srcStep, dst, dstStep, roi, flip);
}
IppStatus CountedMirrorC4(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, IppiAxis flip) {
  gCopies.Note(src, dst, int64_t(roi.width) * 4 * roi.height);
  return gMirrorC4(src, srcStep, dst, dstStep, roi, flip);
}
IppStatus CountedMirror16(const Ipp16u* src, int srcStep, Ipp16u* dst, int dstStep, IppiSize roi, IppiAxis flip) {
  gCopies.Note(src, dst, int64_t(roi.width) * 2 * roi.height);
  return gMirror16(src, srcStep, dst, dstStep, roi, flip);
}

// Wraps the entries for its lifetime.
class TCountedKernels {
 public:
  explicit TCountedKernels(int64_t frameBytes) {
    {
      std::lock_guard guard(gCopies.lock);
      gCopies.byTarget.clear();
      gCopies.bytes = gCopies.calls = 0;
      gCopies.frameBytes = frameBytes;
      gCopies.on = false;
    }
    gCopy8u = std::exchange(ippsCopy_8u, &CountedCopy8u);
    gMirrorC1 = std::exchange(ippiMirror_8u_C1R, &CountedMirrorC1);
    gMirrorC3 = std::exchange(ippiMirror_8u_C3R, &CountedMirrorC3);
    gMirrorC4 = std::exchange(ippiMirror_8u_C4R, &CountedMirrorC4);
    gMirror16 = std::exchange(ippiMirror_16u_C1R, &CountedMirror16);
  }
  ~TCountedKernels() {
    ippsCopy_8u = gCopy8u;
    ippiMirror_8u_C1R = gMirrorC1;
    ippiMirror_8u_C3R = gMirrorC3;
    ippiMirror_8u_C4R = gMirrorC4;
    ippiMirror_16u_C1R = gMirror16;
  }
  void Count(bool on) {
    std::lock_guard guard(gCopies.lock);
    gCopies.on = on;
  }
};

// ---------------------------------------------------------------- camera

// The scripted node behind a recording layer: where the driver's buffers are
// mapped (to tell them from the buffers made of them) and the CPU time the
// scripted driver spends copying a pushed frame into its buffer in DQBUF.
class TRecordingDevice final : public IV4L2Device {
 public:
  explicit TRecordingDevice(std::shared_ptr<camtest::TFakeV4L2Device> fake) : fake_(std::move(fake)) {}

  int Open(const std::string& path, int flags) override { return fake_->Open(path, flags); }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    if (request != VIDIOC_DQBUF) return fake_->Ioctl(fd, request, arg);
    const int64_t before = OwnCpuNs();
    const int result = fake_->Ioctl(fd, request, arg);
    dequeueCpuNs_.fetch_add(OwnCpuNs() - before);
    return result;
  }
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override {
    void* address = fake_->Mmap(length, prot, flags, fd, offset);
    if (address != MAP_FAILED) {
      std::lock_guard guard(lock_);
      mappings_.emplace_back(static_cast<const uint8_t*>(address), length);
    }
    return address;
  }
  int Munmap(void* address, size_t length) override {
    {
      std::lock_guard guard(lock_);
      std::erase_if(mappings_, [&](const auto& m) { return m.first == address; });
    }
    return fake_->Munmap(address, length);
  }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return fake_->Poll(fds, count, timeoutMs); }
  int Close(int fd) override { return fake_->Close(fd); }
  bool Interruptible() const override { return fake_->Interruptible(); }
  void Interrupt(int fd) override { fake_->Interrupt(fd); }

  bool InMapping(const uint8_t* p) {
    std::lock_guard guard(lock_);
    return std::any_of(mappings_.begin(), mappings_.end(),
                       [&](const auto& m) { return p >= m.first && p < m.first + m.second; });
  }
  int Mappings() {
    std::lock_guard guard(lock_);
    return int(mappings_.size());
  }
  int64_t DequeueCpuNs() const { return dequeueCpuNs_.load(); }

 private:
  std::shared_ptr<camtest::TFakeV4L2Device> fake_;
  std::mutex lock_;
  std::vector<std::pair<const uint8_t*, size_t>> mappings_;
  std::atomic<int64_t> dequeueCpuNs_{0};
};

// ---------------------------------------------------------------- sink

struct TArrival {
  int64_t atNs;    // CLOCK_MONOTONIC in the receive callback
  int64_t begin;   // the frame's start time (stream time, 100 ns)
  bool stamped;    // its time stamp is set
  int64_t number;  // its sequence number, -1 without
  const uint8_t* pixels;
  uint64_t marker;  // the first 8 bytes of the picture
  TVLVideoFormat format;
};

// Notes what reaches its input and does nothing else.
class TDeliverySink : public TComponent {
 public:
  TDeliverySink() {
    input_.reset(
        new TVLOWImageSinkPin(this, nullptr, [this](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState) {
          const int64_t now = MonotonicNs();
          auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(op);
          if (!supplied || !supplied->Buffer()) return TOWDispatchResult();
          auto frame = MakeIntf<TVLImageBuffer>(supplied->Buffer());
          TArrival a{now, 0, false, -1, nullptr, 0, frame->GetFormat()};
          TMLTimeStamp* stamp = frame->GetTimeStamp();
          a.stamped = stamp->Available();
          a.begin = stamp->Begin();
          TSLSequenceStamp* number = frame->GetSequenceStamp();
          if (number->Available()) a.number = number->BufferNumber();
          a.pixels = frame->Read();
          if (a.pixels && frame->GetSize() >= 8) std::memcpy(&a.marker, a.pixels, 8);
          std::lock_guard guard(lock_);
          arrivals_.push_back(a);
          arrived_.notify_all();
          return TOWDispatchResult();
        }));
  }
  ~TDeliverySink() override { input_.reset(); }
  TVLOWImageSinkPin* InputPin() const { return input_.get(); }
  size_t Count() {
    std::lock_guard guard(lock_);
    return arrivals_.size();
  }
  bool WaitCount(size_t n, std::chrono::milliseconds failsafe) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, failsafe, [&] { return arrivals_.size() >= n; });
  }
  std::vector<TArrival> Arrivals() {
    std::lock_guard guard(lock_);
    return arrivals_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<TArrival> arrivals_;
  TOWPinPtr<TVLOWImageSinkPin> input_;
};

// ---------------------------------------------------------------- the run

enum class TSource { yuy2, mjpegToYuy2, mjpegToRgb24 };

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
  return v[i];
}

void Deliver(benchmark::State& state, TSource source) {
  const char* what = source == TSource::yuy2          ? "YUY2"
                     : source == TSource::mjpegToYuy2 ? "MJPEG to YUY2"
                                                      : "MJPEG to RGB24";
  App();
  VLDSCaptureRegisterServices();
  const bool quick = ShortRun();
  const int warmUp = quick ? 2 : 10;
  const int measured = quick ? 30 : 300;
  const int total = warmUp + measured;

  auto camera = std::make_shared<camtest::TFakeCameraProvider>();
  const std::shared_ptr<camtest::TFakeV4L2Device> fake = camera->Fake();
  const auto device = std::make_shared<TRecordingDevice>(fake);
  camera->SetSeam(device);
  const bool yuy2 = source == TSource::yuy2;
  // The document camera sends YUYV at 1600 × 1200 at 7 fps only; the YUY2
  // row gives it 30 fps so that the frames arrive as the camera sends them.
  if (yuy2) fake->intervals_.push_back({V4L2_PIX_FMT_YUYV, uint32_t(kWidth), uint32_t(kHeight), 1, 30});
  const std::vector<uint8_t> picture =
      yuy2 ? camtest::MakeYuyv(kWidth, kHeight, 7) : camtest::MakeJpeg(kWidth, kHeight);
  const TVLVideoFormat format = source == TSource::mjpegToRgb24 ? vfRGB24 : vfYUY2;
  const int64_t frameBytes = int64_t(kWidth) * kHeight * (format == vfRGB24 ? 3 : 2);
  DSRegisterDeviceProvider(camera);

  for (auto _ : state) {
    TDeliverySink sink;
    auto capture = std::make_unique<TVLDSCapture>();
    capture->VideoCaptureDevice()->SetName(QStringLiteral("Document Camera"));
    capture->SetVideoFormat(format);
    capture->VideoSize()->SetCurrent(false);
    capture->VideoSize()->SetWidth(kWidth);
    capture->VideoSize()->SetHeight(kHeight);
    capture->FrameRate()->SetCurrent(false);
    capture->FrameRate()->SetRate(30);
    if (!capture->OutputPin()->Connect(sink.InputPin())) {
      Broken(state, what, "the sink did not link");
      break;
    }
    // Every frame is to arrive (the feeder waits for its buffer): decoding
    // stays on the streaming thread, where a slow decode (the sanitizer
    // build) cannot make the decoder thread hand on only the newest frame.
    capture->Open();
    auto* filter = dynamic_cast<TDSV4L2CaptureFilter*>(capture->CaptureFilter());
    if (filter) filter->CapturePin()->SetMjpegDecoding(TDSMjpegDecoding::streamingThread);
    capture->Start();
    if (!capture->IsRunning() || !filter) {
      Broken(state, what, "the capture did not start");
      break;
    }
    const uint32_t wantFourcc = yuy2 ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_MJPEG;
    if (filter->CapturePin()->StreamingFourcc() != wantFourcc || capture->NegotiatedFormat() != format ||
        capture->GetWidth() != kWidth || capture->GetHeight() != kHeight) {
      Broken(state, what, "the camera streams another format or size");
      break;
    }

    TCountedKernels kernels(frameBytes);
    std::vector<int64_t> pushedNs(size_t(total), 0);
    std::atomic<int> feederTid{0};
    std::atomic<int> late{0};
    std::atomic<bool> feederFailed{false};
    std::map<int, int64_t> cpuBefore;
    int64_t wallBegin = 0, dequeueBefore = 0;
    bool measuring = false;  // the feeder's until it is joined

    // The feeder: one frame every 33.3 ms, each stamped at its push. It
    // waits for the camera to hand the previous frame's buffer back first
    // (the camera hands on only the newest of two ready frames); a frame
    // that had to wait is counted as late.
    std::thread feeder([&] {
      feederTid.store(ThisTid());
      std::vector<uint8_t> bytes = picture;
      const int64_t origin = MonotonicNs();
      for (int i = 0; i < total; ++i) {
        const int64_t due = origin + int64_t(i) * kPeriodNs;
        std::this_thread::sleep_for(std::chrono::nanoseconds(std::max<int64_t>(0, due - MonotonicNs())));
        if (i > 0) {
          const int64_t before = MonotonicNs();
          if (!fake->WaitRequeued(i)) {
            feederFailed.store(true);
            return;
          }
          if (MonotonicNs() - before > 1'000'000) late.fetch_add(1);
        }
        if (i == warmUp) {
          // The measured part begins: the threads' CPU clocks are read
          // with the feeder between frames.
          cpuBefore = AllThreadsCpu();
          dequeueBefore = device->DequeueCpuNs();
          wallBegin = MonotonicNs();
          kernels.Count(true);
          measuring = true;
        }
        // Each YUY2 frame carries its number in its first bytes.
        if (yuy2) std::memcpy(bytes.data(), &i, sizeof i);
        camtest::TFakeV4L2Device::TFrame frame{bytes, uint32_t(bytes.size()), 0, false, 0};
        frame.timestampNs = MonotonicNs();
        pushedNs[size_t(i)] = frame.timestampNs;
        fake->Push(std::move(frame));
      }
    });
    const bool all = sink.WaitCount(size_t(total), std::chrono::milliseconds(20'000 + total * 200));
    const int64_t wallEnd = MonotonicNs();
    const std::map<int, int64_t> cpuAfter = AllThreadsCpu();
    std::map<int, QString> names;  // read while the streaming thread still runs
    if (!quick)
      for (const auto& entry : cpuAfter) names[entry.first] = ThreadName(entry.first);
    const int64_t dequeueAfter = device->DequeueCpuNs();
    kernels.Count(false);
    // The stream time of the run's start, read while it runs: a frame's
    // driver stamp is its start time plus this.
    REFERENCE_TIME zero = 0;
    const bool clock = filter->StreamTimeOf(0, &zero);
    const REFERENCE_TIME streamStart = -zero;
    feeder.join();
    capture->Stop();

    // ---- what arrived
    const std::vector<TArrival> arrivals = sink.Arrivals();
    if (feederFailed.load() || !all || !measuring) {
      Broken(state, what,
             "frames stopped arriving after " + std::to_string(arrivals.size()) + " of " + std::to_string(total));
      break;
    }
    if (arrivals.size() != size_t(total)) {
      Broken(state, what, std::to_string(arrivals.size()) + " frames arrived for " + std::to_string(total) + " pushed");
      break;
    }
    if (!clock) {
      Broken(state, what, "the camera had no stream clock");
      break;
    }
    std::map<int64_t, int> pushedByStamp;  // driver stamp (100 ns, as DQBUF has it in µs) → frame
    for (int i = 0; i < total; ++i) pushedByStamp[pushedNs[size_t(i)] / 1000 * 10] = i;
    std::vector<double> latencies;
    std::string wrong;
    int fullCopies = -1;
    int64_t cameraBytes = 0;
    for (int i = 0; i < total && wrong.empty(); ++i) {
      const TArrival& a = arrivals[size_t(i)];
      const std::string at = "frame " + std::to_string(i) + ": ";
      if (a.number != i) {
        wrong = at + "sequence number " + std::to_string(a.number);
        break;
      }
      if (!a.stamped) {
        wrong = at + "no time stamp";
        break;
      }
      const int64_t driver = a.begin + streamStart;
      const auto found = pushedByStamp.find(driver);
      if (found == pushedByStamp.end() || found->second != i) {
        wrong =
            at + "its stamp leads to " +
            (found == pushedByStamp.end() ? std::string("no pushed frame") : "frame " + std::to_string(found->second));
        break;
      }
      if (yuy2 && a.marker % (uint64_t(1) << 32) != uint64_t(uint32_t(i))) {
        wrong = at + "the picture is another frame's";
        break;
      }
      if (a.format != format) {
        wrong = at + "left in another format";
        break;
      }
      if (i < warmUp) continue;
      latencies.push_back(double(a.atNs - driver * 100) / 1e6);
      // Where the picture that left came from: the copy that wrote it, and
      // whether that copy read the driver's buffer or a buffer in between.
      TCopy made{nullptr, 0};
      {
        std::lock_guard guard(gCopies.lock);
        const auto c = gCopies.byTarget.find(a.pixels);
        if (c != gCopies.byTarget.end()) made = c->second;
      }
      int copies = 0;
      if (made.source) {
        copies = 1;
        if (!device->InMapping(made.source)) {
          // A buffer in between: the camera filter filled it from the
          // driver's buffer (a copy for YUY2, the decoder's output for MJPEG).
          cameraBytes = made.bytes;
          if (yuy2) ++copies;
        }
      } else if (device->InMapping(a.pixels)) {
        copies = 0;  // the driver's own buffer left the component
      } else {
        copies = -1;  // made by a kernel that is not counted
      }
      if (fullCopies == -1 || copies != fullCopies) fullCopies = fullCopies == -1 ? copies : -2;
    }
    if (!wrong.empty()) {
      Broken(state, what, wrong);
      break;
    }

    // ---- CPU of the capture's threads
    const int main = int(getpid());
    int64_t threadsNs = 0;
    QString breakdown;
    for (const auto& [tid, after] : cpuAfter) {
      if (tid == main || tid == feederTid.load()) continue;
      const auto b = cpuBefore.find(tid);
      const int64_t used = after - (b == cpuBefore.end() ? 0 : b->second);
      threadsNs += used;
      if (used > 1'000'000) breakdown += QStringLiteral(" %1=%2ms").arg(names[tid]).arg(used / 1'000'000);
    }
    const double wall = double(wallEnd - wallBegin);
    const double fakeNs = double(dequeueAfter - dequeueBefore);
    int64_t copyBytes = 0, copyCalls = 0;
    {
      std::lock_guard guard(gCopies.lock);
      copyBytes = gCopies.bytes;
      copyCalls = gCopies.calls;
    }
    if (!quick) std::fprintf(stderr, "%s threads:%s\n", what, qPrintable(breakdown));

    const double median = Percentile(latencies, 0.5);
    state.SetIterationTime(median / 1e3);
    state.counters["lat_med_ms"] = median;
    state.counters["lat_p99_ms"] = Percentile(latencies, 0.99);
    state.counters["frames"] = double(latencies.size());
    state.counters["late"] = late.load();
    state.counters["camera_MB"] = double(cameraBytes) / 1e6;
    state.counters["copy_MB"] = double(copyBytes) / measured / 1e6;
    state.counters["copies"] = double(copyCalls) / measured;
    state.counters["full_copies"] = fullCopies;
    state.counters["cpu_pct"] = 100.0 * (double(threadsNs) - fakeNs) / wall;
    state.counters["fake_cpu_pct"] = 100.0 * fakeNs / wall;
  }
  DSUnregisterDeviceProvider(camera.get());
}

void BM_Delivery_Yuy2(benchmark::State& state) { Deliver(state, TSource::yuy2); }
void BM_Delivery_MjpegToYuy2(benchmark::State& state) { Deliver(state, TSource::mjpegToYuy2); }
void BM_Delivery_MjpegToRgb24(benchmark::State& state) { Deliver(state, TSource::mjpegToRgb24); }

// The camera filter's MJPEG decode of one 1600 × 1200 frame alone, on the
// thread's CPU clock ("Time") and on the wall clock (cpu_ms / wall_ms).
void MjpegDecode(benchmark::State& state, bool rgb) {
  const std::vector<uint8_t> jpeg = camtest::MakeJpeg(kWidth, kHeight);
  TDSMjpegDecoder decoder;
  std::vector<uint8_t> out(size_t(kWidth) * kHeight * 3);
  double cpu = 0, wall = 0;
  int64_t rounds = 0;
  for (auto _ : state) {
    const double c0 = benchclock::ThreadCpuNs();
    const int64_t w0 = MonotonicNs();
    const bool ok = rgb ? decoder.DecodeToBgr(jpeg.data(), jpeg.size(), kWidth, kHeight, out.data(), kWidth * 3, true)
                        : decoder.DecodeToYuy2(jpeg.data(), jpeg.size(), kWidth, kHeight, out.data(), kWidth * 2);
    const double c1 = benchclock::ThreadCpuNs();
    wall += double(MonotonicNs() - w0);
    cpu += c1 - c0;
    ++rounds;
    if (!ok) {
      Broken(state, rgb ? "decode to RGB24" : "decode to YUY2", std::string("decode failed: ") + decoder.LastError());
      break;
    }
    benchmark::DoNotOptimize(out.data());
    state.SetIterationTime((c1 - c0) / 1e9);
  }
  if (rounds) {
    state.counters["cpu_ms"] = cpu / double(rounds) / 1e6;
    state.counters["wall_ms"] = wall / double(rounds) / 1e6;
    state.counters["jpeg_KB"] = double(jpeg.size()) / 1e3;
  }
}

void BM_MjpegDecode_ToYuy2(benchmark::State& state) { MjpegDecode(state, false); }
void BM_MjpegDecode_ToRgb24(benchmark::State& state) { MjpegDecode(state, true); }

void DeliveryArgs(benchmark::internal::Benchmark* b) {
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}
void DecodeArgs(benchmark::internal::Benchmark* b) {
  b->UseManualTime()->Unit(benchmark::kMillisecond);
  if (ShortRun()) b->Iterations(3);
}

BENCHMARK(BM_Delivery_Yuy2)->Apply(DeliveryArgs);
BENCHMARK(BM_Delivery_MjpegToYuy2)->Apply(DeliveryArgs);
BENCHMARK(BM_Delivery_MjpegToRgb24)->Apply(DeliveryArgs);
BENCHMARK(BM_MjpegDecode_ToYuy2)->Apply(DecodeArgs);
BENCHMARK(BM_MjpegDecode_ToRgb24)->Apply(DecodeArgs);

}  // namespace
}  // namespace lumicar

int main(int argc, char** argv) {
  return lumicar::benchclock::RunBenchmarks(argc, argv, [] { return lumicar::gBroken.load(); });
}
