# Data engine: loading and saving data buffers.
morvane_bench(bench_engine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/engine_load_bench.cpp
  LIBS morvane_engine)
