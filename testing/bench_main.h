#pragma once
// The main of benchmark programs whose runs can go wrong, not only slow:
// Google Benchmark's own main ends with 0 even after a run reported an
// error, so these end with 1 when `failed` says a run broke.

#include <benchmark/benchmark.h>

#include <cstdio>

namespace lumicar::benchclock {

template <typename Failed>
int RunBenchmarks(int argc, char** argv, Failed failed) {
  // Line by line, so that a run cut short still shows how far it came.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return failed() ? 1 : 0;
}

}  // namespace lumicar::benchclock
