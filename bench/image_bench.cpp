// SetFormat YUY2 -> RGB24 of a 1600 x 1200 frame against the bare kernel
// call it is built on, to show what the frame handle, the container and the
// pool cost on top of the pixel work.

#include <benchmark/benchmark.h>

#include "buffers/block_pool.h"
#include "buffers/image_buffer.h"
#include "buffers/image_pool_block.h"
#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/swap_channels.h"
#include "kernels/yuv422_rgb.h"

namespace lumicar {
namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

TIntf<TVLImageBuffer> CameraFrame() {
  auto frame = MakeIntf<TVLImageBuffer>(kWidth, kHeight, vfYUY2);
  uint8_t* p = frame->Write();
  for (uint32_t i = 0; i < frame->GetSize(); ++i) p[i] = uint8_t(i * 7 + (i >> 11));
  return frame;
}

// The frame's own operation: a new handle sharing the camera frame, then
// SetFormat, which builds an RGB24 container from the pool and converts.
void BM_SetFormatYuy2ToRgb24(benchmark::State& state) {
  const TIntf<TVLImageBuffer> source = CameraFrame();
  for (auto _ : state) {
    TIntf<TVLImageBuffer> frame = MakeIntf<TVLImageBuffer>(*source);
    frame->SetFormat(vfRGB24);
    benchmark::DoNotOptimize(frame->Read());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * source->GetSize());
  SLMemoryCleanUp();
}
BENCHMARK(BM_SetFormatYuy2ToRgb24)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same pixel work with nothing around it: the kernel SetFormat calls
// (the fused built-in while both table entries are built-in, otherwise the
// two entries), into a destination allocated once.
void BM_BareKernelYuy2ToRgb24(benchmark::State& state) {
  const TIntf<TVLImageBuffer> source = CameraFrame();
  const int dstStep = static_cast<int>(VLRowStep(vfRGB24, kWidth));
  TVLPoolBlock destination(static_cast<std::size_t>(dstStep) * kHeight);
  const IppiSize roi{kWidth, kHeight};
  const int order[3] = {2, 1, 0};
  const bool fused = IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R) &&
                     IsBuiltin(ippiSwapChannels_8u_C3IR, &builtin::ippiSwapChannels_8u_C3IR);
  for (auto _ : state) {
    if (fused) {
      builtin::fused_yuy2_to_bgr24(source->Read(), 2 * kWidth, destination.Data(), dstStep, roi);
    } else {
      ippiYUV422ToRGB_8u_C2C3R(source->Read(), 2 * kWidth, destination.Data(), dstStep, roi);
      ippiSwapChannels_8u_C3IR(destination.Data(), dstStep, roi, order);
    }
    benchmark::DoNotOptimize(destination.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * source->GetSize());
}
BENCHMARK(BM_BareKernelYuy2ToRgb24)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumicar
