# A soak run of the whole viewer (its own start-up, main window and synthetic
# camera at 30 frames a second): resident memory, the block pool's blocks,
# open file descriptors and threads sampled every 10 s must not grow, and
# frames must keep reaching the display. 60 minutes; the quick run 60 s.
if(TARGET lumicar_app)
  lumicar_bench(bench_viewer_soak SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer_soak.cpp DEPS lumicar_app SHORT TIMEOUT 240)
  if(TEST bench_viewer_soak_short)
    # AddressSanitizer's quarantine holds freed blocks back (256 MiB by
    # default, dozens of frames); a small one keeps resident memory close to
    # what the program really holds. The other options are the suite's own.
    set_property(TEST bench_viewer_soak_short APPEND PROPERTY ENVIRONMENT
      "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:quarantine_size_mb=16")
    # The longest test of the suite starts first, so the others run beside it.
    set_tests_properties(bench_viewer_soak_short PROPERTIES COST 1000)
  endif()
endif()
