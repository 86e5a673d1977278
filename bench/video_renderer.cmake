# The video renderer's frame path at 1600 x 1200: from its receive to the
# call that uploads the frame into a texture, against memcpy of the frame.
lumicar_bench(bench_video_renderer SOURCES ${CMAKE_CURRENT_LIST_DIR}/video_renderer_bench.cpp
  DEPS lumicar_dsbase_render lumicar_dsbase_test_support)
