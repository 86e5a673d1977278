# The viewer's whole frame path on a shown window (run it under
# tests/run-under-xvfb.sh): the scripted document camera through the capture,
# the half-turn mirror and the image display to the video renderer's
# presentation. CPU per frame split by stage (YUY2 and MJPEG; YUY2 also with
# the display zoomed and turned, and frozen), the same work
# done by a command-line media pipeline when one is installed
# (bench/setup-gstreamer.sh), and the camera-stamp-to-presentation latency at
# 30 frames a second. The quick run streams 12 frames per part.
lumicar_bench(bench_viewer_chain SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewer_chain_bench.cpp
  DEPS lumicar_capture lumicar_display lumicar_filters lumicar_dsbase_camera_fake_provider SHORT XVFB TIMEOUT 150)
