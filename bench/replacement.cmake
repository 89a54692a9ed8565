# bench_replacement: 50,000 single-row UPDATEs all-or-nothing through
# libnetbrg2.so beside sqlite3 running them between BEGIN and COMMIT.
morvane_bench(bench_replacement
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/replacement_bench.cpp
          ${PROJECT_SOURCE_DIR}/tests/demo_db.cpp
  LIBS netbrg2_core SQLite::SQLite3 ${CMAKE_DL_LIBS})
target_compile_definitions(bench_replacement PRIVATE
  MORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  NETBRG2_LIBRARY="$<TARGET_FILE:netbrg2>")
add_dependencies(bench_replacement netbrg2)
