# The hand-over between frames and the media graph: the display side's push
# into the video source (against memcpy of the same bytes), the display's
# way from a component pin's SubmitBuffer to the renderer, and the capture
# side's frame queue latency.
lumicar_bench(bench_display_source SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_source_bench.cpp
  DEPS lumicar_display_source lumicar_display lumicar_dsbase_test_support)
