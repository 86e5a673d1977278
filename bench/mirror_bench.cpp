// One 1600 x 1200 camera frame through the mirror filter, as the viewer's
// chain runs it (a producer's output pin, the mirror, a consumer's input),
// against the bare kernel calls that do the pixel work, to show what the
// pins, the operations, the handles and the pool cost on top.

#include <benchmark/benchmark.h>

#include "buffers/block_pool.h"
#include "buffers/image_buffer.h"
#include "buffers/image_pool_block.h"
#include "filters/mirror.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/fused_yuv422_to_bgr24_mirror.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

TIntf<TVLImageBuffer> CameraFrame(TVLVideoFormat format) {
  auto frame = MakeIntf<TVLImageBuffer>(kWidth, kHeight, format);
  uint8_t* p = frame->Write();
  for (uint32_t i = 0; i < frame->GetSize(); ++i) p[i] = uint8_t(i * 7 + (i >> 11));
  return frame;
}

// producer -> mirror (mtBoth, enabled) -> consumer that keeps nothing.
struct TChain {
  TComponent form;
  TOWPinPtr<TVLOWImageSourcePin> output{new TVLOWImageSourcePin(&form)};
  TVLMirror* mirror = NewComponent<TVLMirror>(&form);
  TOWPinPtr<TVLOWImageSinkPin> input{
      new TVLOWImageSinkPin(&form, nullptr, [](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
        benchmark::DoNotOptimize(operation);
        return TOWDispatchResult();
      })};
  explicit TChain(TVLVideoFormat format) {
    mirror->SetMirrorType(mtBoth);
    output->Connect(mirror->InputPin());
    mirror->OutputPin()->Connect(input.get());
    output->Notify(MakeIntf<TOWStartFrameOperation>(kWidth, kHeight, 333333, format, 0, kWidth, kHeight));
  }
};

void RunFilter(benchmark::State& state, TVLVideoFormat format) {
  TChain chain(format);
  const TIntf<TVLImageBuffer> frame = CameraFrame(format);
  for (auto _ : state) {
    // The camera hands over a frame of its own each time; stamping and
    // converting must not see the previous frame's container.
    TIntf<TVLImageBuffer> handed = MakeIntf<TVLImageBuffer>(*frame);
    handed->GetTimeStamp()->SetAvailable(false);
    if (!chain.output->SubmitBuffer(handed.get())) state.SkipWithError("frame lost");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * frame->GetSize());
  SLMemoryCleanUp();
}

void BM_MirrorFilterRgb24(benchmark::State& state) { RunFilter(state, vfRGB24); }
BENCHMARK(BM_MirrorFilterRgb24)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MirrorFilterYuy2(benchmark::State& state) { RunFilter(state, vfYUY2); }
BENCHMARK(BM_MirrorFilterYuy2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MirrorFilterUyvy(benchmark::State& state) { RunFilter(state, vfUYVY); }
BENCHMARK(BM_MirrorFilterUyvy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The flip alone, into a destination allocated once.
void BM_BareMirrorKernelRgb24(benchmark::State& state) {
  const TIntf<TVLImageBuffer> source = CameraFrame(vfRGB24);
  const int step = source->GetStep();
  TVLPoolBlock destination(static_cast<std::size_t>(step) * kHeight);
  for (auto _ : state) {
    ippiMirror_8u_C3R(source->Read(), step, destination.Data(), step, IppiSize{kWidth, kHeight}, ippAxsBoth);
    benchmark::DoNotOptimize(destination.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * source->GetSize());
}
BENCHMARK(BM_BareMirrorKernelRgb24)->Unit(benchmark::kMillisecond)->UseRealTime();

// The YUY2 frame's pixel work done in two passes: the frame's own
// conversion to RGB24 (the kernels as SetFormat runs them) plus the flip,
// with no pins around. The filter itself converts while flipping (below).
void BM_BareConvertAndMirrorYuy2(benchmark::State& state) {
  const TIntf<TVLImageBuffer> source = CameraFrame(vfYUY2);
  const int step = static_cast<int>(VLRowStep(vfRGB24, kWidth));
  TVLPoolBlock destination(static_cast<std::size_t>(step) * kHeight);
  for (auto _ : state) {
    TIntf<TVLImageBuffer> converted = MakeIntf<TVLImageBuffer>(*source);
    converted->SetFormat(vfRGB24);
    ippiMirror_8u_C3R(converted->Read(), step, destination.Data(), step, IppiSize{kWidth, kHeight}, ippAxsBoth);
    benchmark::DoNotOptimize(destination.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * source->GetSize());
  SLMemoryCleanUp();
}
BENCHMARK(BM_BareConvertAndMirrorYuy2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same picture in one pass: the fused kernel the filter runs for YUY2.
void BM_BareFusedConvertMirrorYuy2(benchmark::State& state) {
  const TIntf<TVLImageBuffer> source = CameraFrame(vfYUY2);
  const int step = static_cast<int>(VLRowStep(vfRGB24, kWidth));
  TVLPoolBlock destination(static_cast<std::size_t>(step) * kHeight);
  for (auto _ : state) {
    builtin::fused_yuy2_to_bgr24_mirror(source->Read(), source->GetStep(), destination.Data(), step,
                                        IppiSize{kWidth, kHeight}, ippAxsBoth);
    benchmark::DoNotOptimize(destination.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * source->GetSize());
}
BENCHMARK(BM_BareFusedConvertMirrorYuy2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumicar
