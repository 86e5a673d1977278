# The frame's format conversion against the bare kernel it wraps.
lumicar_bench(bench_image SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_bench.cpp DEPS lumicar_buffers)
