# The graph services: per-sample cost of YUY2 → colour converter → sample
# grabber → callback at 1600 × 1200 against memcpy of the output, graph build
# with one converter, and Run/Stop.
lumicar_bench(bench_dsbase_graph SOURCES ${CMAKE_CURRENT_LIST_DIR}/dsbase_graph_bench.cpp DEPS lumicar_dsbase)
