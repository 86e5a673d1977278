#pragma once
// The benchmarks' CPU clock: the calling thread's own CPU time, and a warm
// memcpy of a frame on that clock, so that a ratio against memcpy holds on a
// busy machine too.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

namespace lumicar::benchclock {

// The scheduler's own count, to the nanosecond: getrusage's per-thread times
// are built from clock ticks and come out too small for short stretches.
inline double ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// CPU nanoseconds of one memcpy of `bytes`, warm, averaged over 200 rounds.
inline double MemcpyNs(size_t bytes) {
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  std::memcpy(to.data(), from.data(), bytes);
  constexpr int kRounds = 200;
  const double start = ThreadCpuNs();
  for (int i = 0; i < kRounds; ++i) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  return (ThreadCpuNs() - start) / kRounds;
}

}  // namespace lumicar::benchclock
