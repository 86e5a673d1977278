# The cost of sending one operation through pin links, and of its parts.
lumicar_bench(bench_pins SOURCES ${CMAKE_CURRENT_LIST_DIR}/pins_bench.cpp DEPS lumicar_pins)
