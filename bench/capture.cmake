# The capture component: Start-to-first-frame on the scripted document camera
# (graph built anew, and reused) and on the synthetic camera; a replug from
# udev's event to the first frame.
lumicar_bench(bench_capture SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp
  DEPS lumicar_capture lumicar_dsbase_camera_fake_provider lumicar_dsbase_camera_fake_udev lumicar_testing_pump)
