# The capture component's frame delivery on the scripted document camera at
# 30 fps, 1600 × 1200: driver stamp to the output pin (median and 99th
# percentile), the full-frame copies on the way and the CPU share of the
# capture's threads; YUY2 from the camera and MJPEG decoded by it.
lumicar_bench(bench_capture_delivery SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_delivery_bench.cpp
  DEPS lumicar_capture lumicar_dsbase_camera_fake_provider SHORT TIMEOUT 120)
