# The display's layout arithmetic per resize, and the painter display's frame
# hand-over on the sender's thread for small and large frames.
lumicar_bench(bench_display SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp DEPS lumicar_display)
