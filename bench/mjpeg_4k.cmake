# An 8 MP document camera's MJPEG (3840 x 2160 and 3264 x 2448 at 30 fps)
# from the scripted camera through the capture: frames delivered a second at
# the end of the chain, frames lost inside it, frames the camera dropped as
# stale, and CPU cores used; with the decode on its own thread and, for
# comparison, on the streaming thread. LUMICAR_BENCH_SECONDS (default 10)
# sets the length of each run.
lumicar_bench(bench_mjpeg_4k SOURCES ${CMAKE_CURRENT_LIST_DIR}/mjpeg_4k_bench.cpp
  DEPS lumicar_capture lumicar_dsbase_camera_fake_provider)
