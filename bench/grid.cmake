# Data grid: painting one frame and scrolling one page over 100 and over
# 1,000,000 records; the ratio shows that the cost follows the window, not
# the dataset.
if(TARGET morvane_controls)
  morvane_bench(bench_grid SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/grid_paint_bench.cpp
    LIBS morvane_controls morvane_engine)
endif()
