# Frame-path conversion and mirror kernels against memcpy of the same output bytes (Release build).
find_package(hwy REQUIRED)
lumicar_bench(bench_conversion_kernels
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kernels_bench.cpp
  DEPS lumicar_kernel_reference hwy::hwy)
