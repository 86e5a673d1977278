// The image display's CPU cost per frame at 1600 x 1200, YUY2 and RGB24,
// from the frame's arrival at the display (its input pin, RenderImage) to
// the renderer's texture upload call: the push into the display graph's
// source filter (the copy into a sample, RGB turned bottom-up), the
// renderer's receive (its copy into the frame hand-over, the repaint
// request posted), the request arriving on the user-interface thread, and
// the newest frame taken and its upload described (what the OpenGL surface
// passes to glTexImage2D / glTexSubImage2D). Not included: the upload itself
// and the GPU's work. Next to it: memcpy of the frame; the counter vs_memcpy
// is the ratio of the two CPU times on the same clock.
//
// Runs on Qt's offscreen platform with the display hidden, so that no paint
// adds the QPainter fallback's conversion.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstring>
#include <vector>

#include "buffers/image_buffer.h"
#include "display/control/display_classes.h"
#include "display/control/ds_image_display.h"
#include "dsbase/render/gl_frame_upload.h"
#include "dsbase/render/video_renderer.h"
#include "imagepins/frame_operations.h"
#include "testing/bench_cpu_time.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600, kHeight = 1200;

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_display_graph";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  benchmark::DoNotOptimize(app);
  RegisterDisplayClasses();
}

using benchclock::MemcpyNs;

size_t FrameBytes(TVLVideoFormat format) {
  return format == vfYUY2 ? size_t(kWidth) * kHeight * 2 : size_t(kWidth) * kHeight * 3;
}

void BM_Memcpy(benchmark::State& state, TVLVideoFormat format) {
  const size_t bytes = FrameBytes(format);
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_RenderImageToUpload(benchmark::State& state, TVLVideoFormat format) {
  EnsureApplication();
  TComponent form;
  TOWPinPtr<TVLOWImageSourcePin> output(new TVLOWImageSourcePin(&form));
  auto* display = NewComponent<TVLDSImageDisplay>(&form);
  output->Connect(display->InputPin());
  output->Notify(MakeIntf<TOWStartFrameOperation>(kWidth, kHeight, 333333, format, 0, kWidth, kHeight));
  TIntf<IBaseFilter> rendererFilter = display->Graph()->GetVideoRender();
  TDSVideoRenderer* renderer = rendererFilter ? DSVideoRendererOf(rendererFilter.get()) : nullptr;
  if (!display->GraphRunning() || renderer == nullptr) {
    state.SkipWithError("no display graph");
    delete display;
    return;
  }
  std::shared_ptr<TDSVideoFrameExchange> frames = renderer->Frames();
  auto frame = MakeIntf<TVLImageBuffer>(kWidth, kHeight, format);
  std::memset(frame->Write(), 0x5A, FrameBytes(format));
  QCoreApplication::sendPostedEvents();

  for (auto _ : state) {
    if (!output->SubmitBuffer(frame.get())) state.SkipWithError("frame lost");
    QCoreApplication::sendPostedEvents();
    TDSGLFrameUpload upload;
    if (!frames->TakeNewest() || !DSGLFrameUploadOf(*frames->Current(), &upload)) {
      state.SkipWithError("no frame at the renderer");
      break;
    }
    benchmark::DoNotOptimize(upload.pixels);
  }
  const TDSVideoFrameCounts counts = renderer->FrameCounts();
  const size_t bytes = FrameBytes(format);
  state.counters["frame_bytes"] = double(bytes);
  state.counters["received_per_iteration"] =
      state.iterations() ? double(counts.received) / double(state.iterations()) : 0;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  const double memcpyNs = MemcpyNs(bytes);
  state.counters["memcpy_us"] = memcpyNs / 1000;
  state.counters["vs_memcpy"] =
      benchmark::Counter(memcpyNs * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  renderer = nullptr;
  rendererFilter.reset();
  output.reset();
  delete display;
  QCoreApplication::sendPostedEvents();
}

BENCHMARK_CAPTURE(BM_Memcpy, Yuy2Frame, vfYUY2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memcpy, Rgb24Frame, vfRGB24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RenderImageToUpload, Yuy2, vfYUY2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RenderImageToUpload, Rgb24, vfRGB24)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumicar
