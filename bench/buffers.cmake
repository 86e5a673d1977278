# Block pool: frame-sized allocations from a warm pool against the heap.
lumicar_bench(bench_buffers SOURCES ${CMAKE_CURRENT_LIST_DIR}/buffers_bench.cpp DEPS lumicar_buffers)
