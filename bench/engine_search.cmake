# Data engine: ordering, searching, filtering and summing a 1,000,000-record view.
morvane_bench(bench_engine_search SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine_search_bench.cpp
  LIBS morvane_engine)
