// The camera's frame path.
// Decode: a 1600 x 1200 4:2:2 JPEG of a document-like page (text lines, a
// photo, a coloured heading; made here with TurboJPEG's compressor) decoded
// to YUY2 by our MJPEG decoder, against TurboJPEG's own decode of the same
// image to planar YUV; the paired benchmark times both on the same frames
// in turn and reports our time over theirs (the packing's share), the
// milliseconds of CPU time per frame and the share of one core at 30 frames
// a second.
// Latency: on the scripted camera, from the driver's buffer time stamp to
// the sample reaching the renderer behind the capture pin, for native
// YUYV 640 x 480 and for MJPEG 1600 x 1200 decoded to YUY2, with the
// streaming thread's CPU time per frame beside it (on a loaded machine the
// latency carries the waits for a core, the CPU time does not).

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/mjpeg_decoder.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/camera/yuv_repack.h"
#include "dsbase/media/media_guids.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;

void Put(std::vector<uint8_t>& bgr, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
  uint8_t* p = &bgr[(size_t(y) * kWidth + x) * 3];
  p[0] = b, p[1] = g, p[2] = r;
}

void Fill(std::vector<uint8_t>& bgr, int x, int y, int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) Put(bgr, i, j, b, g, r);
}

// A printed page under a desk lamp: off-white paper a little darker towards
// the corners, a red heading bar, lines of dark "words" made of 5 x 7 glyph
// cells drawn two pixels to the dot, a photo with soft shapes and grain, and
// sensor noise everywhere, so the JPEG has text's sharp edges and flat areas.
std::vector<uint8_t> DocumentPicture() {
  std::vector<uint8_t> bgr(size_t(kWidth) * kHeight * 3);
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> noise(-3, 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double dx = (x - kWidth / 2.0) / kWidth, dy = (y - kHeight / 2.0) / kHeight;
      const int paper = int(236 - 60 * (dx * dx + dy * dy)) + noise(random);
      Put(bgr, x, y, uint8_t(paper - 8), uint8_t(paper - 2), uint8_t(paper));
    }
  Fill(bgr, 120, 90, 1360, 56, 40, 40, 190);
  std::uniform_int_distribution<int> wordLength(2, 9), glyph(0, (1 << 30) - 1);
  for (int line = 0; line < 22; ++line) {
    const int top = 190 + line * 44;
    for (int x = 120; x < 980;) {
      const int letters = wordLength(random);
      for (int l = 0; l < letters && x < 980; ++l, x += 13) {
        const int bits = glyph(random) & glyph(random);  // about a quarter of the cells inked
        for (int row = 0; row < 7; ++row)
          for (int col = 0; col < 5; ++col)
            if ((bits >> ((row * 5 + col) % 30)) & 1) Fill(bgr, x + col * 2, top + row * 2, 2, 2, 30, 28, 26);
      }
      x += 16;
    }
  }
  std::uniform_int_distribution<int> grain(-12, 12);
  for (int y = 200; y < 760; ++y)
    for (int x = 1040; x < 1480; ++x) {
      const int sky = 120 + (y - 200) / 6, hill = (x - 1040) * (x - 1480) / 900 + 640;
      const bool ground = y > hill;
      const int g = grain(random);
      Put(bgr, x, y, uint8_t(std::clamp((ground ? 60 : 200) + g, 0, 255)),
          uint8_t(std::clamp((ground ? 140 : sky) + g, 0, 255)), uint8_t(std::clamp((ground ? 70 : 90) + g, 0, 255)));
    }
  return bgr;
}

const std::vector<uint8_t>& DocumentJpeg() {
  static const std::vector<uint8_t> jpeg = [] {
    const std::vector<uint8_t> bgr = DocumentPicture();
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(h, bgr.data(), kWidth, 0, kHeight, TJPF_BGR, &out, &size, TJSAMP_422, 85, 0);
    std::vector<uint8_t> bytes(out, out + size);
    tjFree(out);
    tjDestroy(h);
    return bytes;
  }();
  return jpeg;
}

// TurboJPEG's own decode of the frame to its planar 4:2:2 planes.
class TTurboPlanar {
 public:
  TTurboPlanar() : handle_(tjInitDecompress()), y_(size_t(kWidth) * kHeight), u_(y_.size() / 2), v_(y_.size() / 2) {}
  ~TTurboPlanar() { tjDestroy(handle_); }
  bool Decode(const std::vector<uint8_t>& jpeg) {
    unsigned char* planes[3] = {y_.data(), u_.data(), v_.data()};
    int strides[3] = {kWidth, kWidth / 2, kWidth / 2};
    return tjDecompressToYUVPlanes(handle_, jpeg.data(), static_cast<unsigned long>(jpeg.size()), planes, kWidth,
                                   strides, kHeight, TJFLAG_STOPONWARNING) == 0;
  }
  const uint8_t* Y() const { return y_.data(); }

 private:
  tjhandle handle_;
  std::vector<uint8_t> y_, u_, v_;
};

// The decode benchmarks time the thread's own CPU time: the machine is
// shared, and a core's share at 30 frames a second is CPU time anyway.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void FrameCounters(benchmark::State& state, double totalSeconds) {
  if (state.iterations() == 0) return;
  const double ms = totalSeconds * 1000.0 / double(state.iterations());
  state.counters["ms_per_frame"] = ms;
  state.counters["core_pct_at_30fps"] = ms * 30.0 / 10.0;
  state.counters["jpeg_bytes"] = double(DocumentJpeg().size());
}

void BM_MjpegToYuy2_Ours(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = DocumentJpeg();
  TDSMjpegDecoder decoder;
  std::vector<uint8_t> yuy2(size_t(kWidth) * kHeight * 2);
  double total = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    if (!decoder.DecodeToYuy2(jpeg.data(), jpeg.size(), kWidth, kHeight, yuy2.data(), kWidth * 2))
      state.SkipWithError(decoder.LastError());
    benchmark::DoNotOptimize(yuy2.data());
    const double s = ThreadSeconds() - start;
    state.SetIterationTime(s);
    total += s;
  }
  FrameCounters(state, total);
}

void BM_MjpegToPlanarYuv_TurboJpeg(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = DocumentJpeg();
  TTurboPlanar turbo;
  double total = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    if (!turbo.Decode(jpeg)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(turbo.Y());
    const double s = ThreadSeconds() - start;
    state.SetIterationTime(s);
    total += s;
  }
  FrameCounters(state, total);
}

// Both decodes of the same frame in turn, so that clock and cache drift hit
// both alike; the time reported is ours.
void BM_MjpegToYuy2_RatioToTurboJpeg(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = DocumentJpeg();
  TDSMjpegDecoder decoder;
  TTurboPlanar turbo;
  std::vector<uint8_t> yuy2(size_t(kWidth) * kHeight * 2);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const double a = ThreadSeconds();
    if (!turbo.Decode(jpeg)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(turbo.Y());
    const double b = ThreadSeconds();
    if (!decoder.DecodeToYuy2(jpeg.data(), jpeg.size(), kWidth, kHeight, yuy2.data(), kWidth * 2))
      state.SkipWithError(decoder.LastError());
    benchmark::DoNotOptimize(yuy2.data());
    const double c = ThreadSeconds();
    theirs += b - a;
    ours += c - b;
    state.SetIterationTime(c - b);
  }
  if (theirs > 0) state.counters["ratio"] = ours / theirs;
  FrameCounters(state, ours);
}

// The packing alone: TurboJPEG's 4:2:2 planes to YUY2 with our kernel.
void BM_Planar422ToYuy2_Packing(benchmark::State& state) {
  std::vector<uint8_t> y(size_t(kWidth) * kHeight, 90), u(y.size() / 2, 100), v(y.size() / 2, 140);
  std::vector<uint8_t> yuy2(y.size() * 2);
  for (auto _ : state) {
    DSPlanarToYuy2(y.data(), kWidth, u.data(), kWidth / 2, v.data(), kWidth / 2, 0, kWidth, kHeight, yuy2.data(),
                   kWidth * 2);
    benchmark::DoNotOptimize(yuy2.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(yuy2.size()));
}

int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Notes when each sample arrives from the capture pin.
class TArrivalRenderer final : public TDSBaseRenderer {
 public:
  TArrivalRenderer() : TDSBaseRenderer(QStringLiteral("Arrival probe"), nullptr, GUID_NULL) {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    return mt->majortype == MEDIATYPE_Video && mt->subtype == MEDIASUBTYPE_YUY2 ? S_OK : S_FALSE;
  }
  HRESULT DoRenderSample(IMediaSample*) override {
    arrivedNs_.store(MonotonicNs());
    streamCpuSeconds_.store(ThreadSeconds());  // the streaming thread's
    arrived_.fetch_add(1);
    arrived_.notify_all();
    return S_OK;
  }
  std::atomic<int64_t> arrivedNs_{0};
  std::atomic<double> streamCpuSeconds_{0};
  std::atomic<int> arrived_{0};
};

void Percentiles(benchmark::State& state, std::vector<double> us, const std::string& name) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters[name + "_median_us"] = us[us.size() / 2];
  state.counters[name + "_p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

// One frame at a time: stamped, handed to the scripted driver, and timed
// until the renderer has it. The fake copies the frame into the mapped
// buffer at VIDIOC_DQBUF, which a real driver has done before stamping, so
// the figures carry that copy on top.
void StreamLatency(benchmark::State& state, int width, int height, const std::vector<uint8_t>& frame) {
  auto fake = std::make_shared<camtest::TFakeV4L2Device>();
  TDSV4L2CaptureFilter* raw = nullptr;
  if (TDSV4L2CaptureFilter::Create(fake, "/dev/video0", QStringLiteral("Document Camera"), &raw) != S_OK) {
    state.SkipWithError("camera did not open");
    return;
  }
  TIntf<TDSV4L2CaptureFilter> camera = TIntf<TDSV4L2CaptureFilter>::Adopt(raw);
  auto renderer = MakeIntf<TArrivalRenderer>();
  auto events = MakeIntf<dstest::TEventGraph>();
  camera->JoinFilterGraph(events.get(), u"Video Capture Filter");
  TDSMediaType type = DSCameraMediaType(MEDIASUBTYPE_YUY2, width, height, 333333);
  auto* renderPin = static_cast<TDSBasePin*>(renderer->GetPin(0));
  if (FAILED(camera->CapturePin()->SetFormat(&type.Get())) ||
      dstest::ConnectPins(camera->CapturePin(), renderPin) != S_OK || renderer->Run(0) != S_OK ||
      camera->Run(0) != S_OK) {
    state.SkipWithError("camera did not start");
    return;
  }
  std::vector<double> us, cpu;
  double lastCpu = -1;
  for (auto _ : state) {
    const int before = renderer->arrived_.load();
    camtest::TFakeV4L2Device::TFrame f{frame, uint32_t(frame.size()), 0, false};
    const int64_t stamp = MonotonicNs();
    f.timestampNs = stamp;
    fake->Push(std::move(f));
    for (int seen = renderer->arrived_.load(); seen == before; seen = renderer->arrived_.load())
      renderer->arrived_.wait(seen);
    const double latency = double(renderer->arrivedNs_.load() - stamp) / 1000.0;
    us.push_back(latency);
    state.SetIterationTime(latency / 1e6);
    // The streaming thread works only on our frames: its CPU time from one
    // arrival to the next is what one frame costs it, whatever the load.
    const double streamCpu = renderer->streamCpuSeconds_.load();
    if (lastCpu >= 0) cpu.push_back((streamCpu - lastCpu) * 1e6);
    lastCpu = streamCpu;
  }
  Percentiles(state, us, "latency");
  Percentiles(state, cpu, "stream_cpu");
  state.counters["dropped"] = double(camera->CapturePin()->FramesDropped());
  camera->Stop();
  renderer->Stop();
  dstest::DisconnectPins(camera->CapturePin(), renderPin);
  camera->JoinFilterGraph(nullptr, nullptr);
}

void BM_LatencyYuyv640x480(benchmark::State& state) {
  static const std::vector<uint8_t> frame = camtest::MakeYuyv(640, 480, 3);
  StreamLatency(state, 640, 480, frame);
}

void BM_LatencyMjpeg1600x1200ToYuy2(benchmark::State& state) { StreamLatency(state, kWidth, kHeight, DocumentJpeg()); }

BENCHMARK(BM_MjpegToYuy2_Ours)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MjpegToPlanarYuv_TurboJpeg)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MjpegToYuy2_RatioToTurboJpeg)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Planar422ToYuy2_Packing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LatencyYuyv640x480)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(400);
BENCHMARK(BM_LatencyMjpeg1600x1200ToYuy2)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
}  // namespace lumicar
