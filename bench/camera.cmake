# The camera: MJPEG 1600 x 1200 decoded to YUY2 against TurboJPEG's own
# decode to planar YUV (and the packing alone), and the latency from the
# driver's time stamp to the sample leaving the capture pin on the scripted
# camera.
lumicar_bench(bench_camera SOURCES ${CMAKE_CURRENT_LIST_DIR}/camera_bench.cpp
  DEPS lumicar_dsbase_camera lumicar_dsbase_camera_fake lumicar_dsbase_test_support)
