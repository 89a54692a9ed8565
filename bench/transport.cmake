# bench_transport: SELECT * of a 1,000,000-row Goods through libnetbrg2.so
# into a reply buffer, beside the back ends' own command-line clients.
find_package(SQLite3 REQUIRED)
morvane_bench(bench_transport
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/transport_bench.cpp
          ${PROJECT_SOURCE_DIR}/tests/pg_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/mariadb_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/demo_db.cpp
  LIBS netbrg2_core SQLite::SQLite3 ${CMAKE_DL_LIBS})
target_compile_definitions(bench_transport PRIVATE
  MORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  NETBRG2_LIBRARY="$<TARGET_FILE:netbrg2>")
add_dependencies(bench_transport netbrg2)
