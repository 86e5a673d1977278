# A sample's round trip through the media filter bases: source pin, transform,
# in-place filter and renderer, without pixel work.
lumicar_bench(bench_dsbase SOURCES ${CMAKE_CURRENT_LIST_DIR}/dsbase_bench.cpp DEPS lumicar_dsbase)
