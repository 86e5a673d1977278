# One 1600 x 1200 frame through the mirror filter (half turn; RGB24, YUY2 and
# UYVY input) against the bare kernels it is built on, fused and in two passes.
lumicar_bench(bench_filters SOURCES ${CMAKE_CURRENT_LIST_DIR}/mirror_bench.cpp DEPS lumicar_filters)
