# The cost of lock sections and destroy-lock claims taken and released
# without contention.
lumicar_bench(bench_lock SOURCES ${CMAKE_CURRENT_LIST_DIR}/lock_bench.cpp DEPS lumicar_runtime)
