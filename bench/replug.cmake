# A camera plugged back in: on the scripted udev monitor and V4L2 node, the
# time from udev's "add" to the camera watch delivering the camera on the
# owner thread (the node asked what it is on the way).
lumicar_bench(bench_replug SOURCES ${CMAKE_CURRENT_LIST_DIR}/replug_bench.cpp
  DEPS lumicar_dsbase_camera_fake lumicar_dsbase_camera_fake_udev lumicar_testing_pump SHORT TIMEOUT 120)
