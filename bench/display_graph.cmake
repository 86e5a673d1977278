# The image display's frame path at 1600 x 1200 through its own media graph:
# from the frame's arrival at the display to the renderer's texture upload
# call, against memcpy of the frame.
lumicar_bench(bench_display_graph SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_graph_bench.cpp DEPS lumicar_display)
# A measured 10 s run of a 30 frames a second stream on a real window system
# (run it under tests/run-under-xvfb.sh): frames presented against frames
# sent, the process's CPU share, and the arrival-to-presentation latency.
lumicar_bench(bench_display_graph_run SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_graph_run.cpp DEPS lumicar_display)
