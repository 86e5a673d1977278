// Frame-path kernels at 1600 x 1200. Each benchmark times its kernel and, in the same iterations, a memcpy of
// the kernel's output bytes; the "ratio" counter is kernel time / memcpy time, so its median over repetitions
// compares the two under the same conditions. Both are timed in the thread's own CPU time, so that other
// processes on a shared machine do not count against either. Run with --benchmark_repetitions=9.

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kernels/fused_bgr24_to_yuv422.h"
#include "kernels/fused_yuv422_to_bgr24.h"
#include "kernels/fused_yuv422_to_bgr24_mirror.h"
#include "kernels/memory_ops.h"
#include "kernels/mirror.h"
#include "kernels/rgb_yuv422.h"
#include "kernels/swap_channels.h"
#include "kernels/yuv422_rgb.h"
#include "testing/kernels/reference_kernels.h"

// clang-format off
#include <hwy/targets.h>
// clang-format on

namespace lumicar {
namespace {

// LUMICAR_BENCH_TARGET=AVX2 (or SSSE3, ...) keeps the kernels' run-time dispatch at that instruction set or
// lesser ones, to measure what a processor without the better ones gets.
const bool kTargetLimited = [] {
  const char* wanted = std::getenv("LUMICAR_BENCH_TARGET");
  if (wanted == nullptr) return false;
  for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
    if (std::string(wanted) == hwy::TargetName(target)) {
      hwy::DisableTargets(target - 1);  // every better target has a lower bit
      return true;
    }
  }
  return false;
}();

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;
constexpr int kYuvStep = 2 * kWidth;                      // 3,200 bytes
constexpr int kRgbStep = 3 * kWidth;                      // 1600 is a multiple of 4: no row padding
constexpr size_t kYuvBytes = size_t{kYuvStep} * kHeight;  // 3,840,000
constexpr size_t kRgbBytes = size_t{kRgbStep} * kHeight;  // 5,760,000
constexpr IppiSize kSize{kWidth, kHeight};
constexpr int kSwapRedBlue[3] = {2, 1, 0};

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

// The frames of a stream: every iteration converts a different camera frame into a different destination,
// as the frame path does (each frame arrives in its own buffer and leaves in a fresh pool block), so no
// frame is still in the caches from the iteration before. The memcpy baseline rotates through its own ring
// of buffers the same way.
constexpr int kRing = 4;

struct Frames {
  std::vector<uint8_t> yuy2[kRing], rgb[kRing], rgb_out[kRing], rgb_temp[kRing], yuv_out[kRing];
  std::vector<uint8_t> copy_src[kRing], copy_dst[kRing];
  Frames() {
    for (int i = 0; i < kRing; ++i) {
      yuy2[i] = RandomBytes(kYuvBytes, 1 + i);
      rgb[i] = RandomBytes(kRgbBytes, 10 + i);
      rgb_out[i].assign(kRgbBytes, 0);
      rgb_temp[i].assign(kRgbBytes, 0);
      yuv_out[i].assign(kYuvBytes, 0);
      copy_src[i] = RandomBytes(kRgbBytes, 20 + i);
      copy_dst[i].assign(kRgbBytes, 0);
    }
  }
};

// One iteration's view of the ring.
struct Slot {
  uint8_t* yuy2;
  uint8_t* rgb;
  uint8_t* rgb_out;
  uint8_t* rgb_temp;
  uint8_t* yuv_out;
};

Frames& SharedFrames() {
  static Frames frames;
  return frames;
}

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Times `kernel` per iteration (the reported time) and a memcpy of `output_bytes` right after it.
template <class Kernel>
void RunAgainstMemcpy(benchmark::State& state, size_t output_bytes, Kernel kernel) {
  Frames& f = SharedFrames();
  double kernel_seconds = 0, copy_seconds = 0;
  int i = 0;
  for (auto _ : state) {
    i = (i + 1) % kRing;
    const Slot slot{f.yuy2[i].data(), f.rgb[i].data(), f.rgb_out[i].data(), f.rgb_temp[i].data(), f.yuv_out[i].data()};
    const double t0 = ThreadSeconds();
    kernel(slot);
    benchmark::ClobberMemory();
    const double t1 = ThreadSeconds();
    std::memcpy(f.copy_dst[i].data(), f.copy_src[i].data(), output_bytes);
    benchmark::ClobberMemory();
    const double t2 = ThreadSeconds();
    kernel_seconds += t1 - t0;
    copy_seconds += t2 - t1;
    state.SetIterationTime(t1 - t0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["memcpy_ms"] = copy_seconds / n * 1e3;
  state.counters["ratio"] = kernel_seconds / copy_seconds;
  state.SetLabel(hwy::TargetName(hwy::SupportedAndGeneratedTargets().front()));
  state.SetBytesProcessed(static_cast<int64_t>(output_bytes) * state.iterations());
}

// YUY2 -> RGB24 as the image conversion runs it: both entries built in, so the fused kernel runs the chain.
void BM_Yuy2ToRgb24_Fused(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes,
                   [](const Slot& f) { builtin::fused_yuy2_to_bgr24(f.yuy2, kYuvStep, f.rgb_out, kRgbStep, kSize); });
}
// The same chain as two separate built-in calls.
void BM_Yuy2ToRgb24_Chain(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes, [](const Slot& f) {
    builtin::ippiYUV422ToRGB_8u_C2C3R(f.yuy2, kYuvStep, f.rgb_out, kRgbStep, kSize);
    builtin::ippiSwapChannels_8u_C3IR(f.rgb_out, kRgbStep, kSize, kSwapRedBlue);
  });
}
// The plain reference loop of the conversion alone, for scale.
void BM_Yuy2ToRgb24_ReferenceLoop(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes,
                   [](const Slot& f) { reference::Yuy2ToRgb(f.yuy2, kYuvStep, f.rgb_out, kRgbStep, kWidth, kHeight); });
}

void BM_MirrorC3_Axis2(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes, [](const Slot& f) {
    builtin::ippiMirror_8u_C3R(f.rgb, kRgbStep, f.rgb_out, kRgbStep, kSize, ippAxsBoth);
  });
}
void BM_MirrorC3_Axis0(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes, [](const Slot& f) {
    builtin::ippiMirror_8u_C3R(f.rgb, kRgbStep, f.rgb_out, kRgbStep, kSize, ippAxsHorizontal);
  });
}

void BM_SwapBytes16_Yuy2ToUyvy(benchmark::State& state) {
  RunAgainstMemcpy(state, kYuvBytes, [](const Slot& f) {
    builtin::ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(f.yuy2), reinterpret_cast<Ipp16u*>(f.yuv_out),
                               static_cast<int>(kYuvBytes / 2));
  });
}
void BM_Copy8u_Yuy2Frame(benchmark::State& state) {
  RunAgainstMemcpy(state, kYuvBytes,
                   [](const Slot& f) { builtin::ippsCopy_8u(f.yuy2, f.yuv_out, static_cast<int>(kYuvBytes)); });
}

// RGB24 -> YUY2 as the image conversion runs it (fused), and as the two-call chain through a temporary.
void BM_Rgb24ToYuy2_Fused(benchmark::State& state) {
  RunAgainstMemcpy(state, kYuvBytes,
                   [](const Slot& f) { builtin::fused_bgr24_to_yuy2(f.rgb, kRgbStep, f.yuv_out, kYuvStep, kSize); });
}
void BM_Rgb24ToYuy2_Chain(benchmark::State& state) {
  RunAgainstMemcpy(state, kYuvBytes, [](const Slot& f) {
    builtin::ippiSwapChannels_8u_C3R(f.rgb, kRgbStep, f.rgb_temp, kRgbStep, kSize, kSwapRedBlue);
    builtin::ippiRGBToYUV422_8u_C3C2R(f.rgb_temp, kRgbStep, f.yuv_out, kYuvStep, kSize);
  });
}

// YUY2 -> RGB24 flipped, as the mirror filter runs a camera frame: the fused kernel for each axis, and the chain
// it replaces (the fused conversion into a temporary, then the flip).
template <IppiAxis kAxis>
void BM_Yuy2ToRgb24Mirror_Fused(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes, [](const Slot& f) {
    builtin::fused_yuy2_to_bgr24_mirror(f.yuy2, kYuvStep, f.rgb_out, kRgbStep, kSize, kAxis);
  });
}
void BM_Yuy2ToRgb24Mirror_Chain(benchmark::State& state) {
  RunAgainstMemcpy(state, kRgbBytes, [](const Slot& f) {
    builtin::fused_yuy2_to_bgr24(f.yuy2, kYuvStep, f.rgb_temp, kRgbStep, kSize);
    builtin::ippiMirror_8u_C3R(f.rgb_temp, kRgbStep, f.rgb_out, kRgbStep, kSize, ippAxsBoth);
  });
}

BENCHMARK(BM_Yuy2ToRgb24_Fused)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24_Chain)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24_ReferenceLoop)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MirrorC3_Axis2)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MirrorC3_Axis0)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwapBytes16_Yuy2ToUyvy)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Copy8u_Yuy2Frame)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rgb24ToYuy2_Fused)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rgb24ToYuy2_Chain)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24Mirror_Fused<ippAxsBoth>)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24Mirror_Fused<ippAxsHorizontal>)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24Mirror_Fused<ippAxsVertical>)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuy2ToRgb24Mirror_Chain)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumicar
