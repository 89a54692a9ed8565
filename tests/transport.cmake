# The transport against real databases, through libnetbrg2.so as the
# program loads it.
#
# transport_sqlite_tests: every test on its own temporary SQLite file, run by
# ctest test by test. transport_postgres_tests and transport_mariadb_tests:
# one ctest test for the whole executable, so that one throw-away server
# (pg_fixture.cpp, mariadb_fixture.cpp) serves all its cases; each skips
# with a message when its server's binaries are absent.
find_package(SQLite3 REQUIRED)
add_library(morvane_test_databases STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pg_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mariadb_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/demo_db.cpp)
target_link_libraries(morvane_test_databases PUBLIC netbrg2_core SQLite::SQLite3)
target_compile_definitions(morvane_test_databases PUBLIC
  MORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  NETBRG2_LIBRARY="$<TARGET_FILE:netbrg2>")

add_executable(transport_sqlite_tests ${CMAKE_CURRENT_LIST_DIR}/transport_sqlite_test.cpp)
target_link_libraries(transport_sqlite_tests PRIVATE morvane_test_databases
  GTest::gtest_main ${CMAKE_DL_LIBS})
add_dependencies(transport_sqlite_tests netbrg2)
gtest_discover_tests(transport_sqlite_tests
  DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")

add_executable(transport_postgres_tests ${CMAKE_CURRENT_LIST_DIR}/transport_postgres_test.cpp)
target_link_libraries(transport_postgres_tests PRIVATE morvane_test_databases
  GTest::gtest_main ${CMAKE_DL_LIBS})
add_dependencies(transport_postgres_tests netbrg2)
add_test(NAME transport_postgres_tests COMMAND transport_postgres_tests)
set_tests_properties(transport_postgres_tests PROPERTIES
  ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
  SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*PostgreSQL server binaries not found"
  TIMEOUT 600)

add_executable(transport_mariadb_tests ${CMAKE_CURRENT_LIST_DIR}/transport_mariadb_test.cpp)
target_link_libraries(transport_mariadb_tests PRIVATE morvane_test_databases
  GTest::gtest_main ${CMAKE_DL_LIBS})
add_dependencies(transport_mariadb_tests netbrg2)
add_test(NAME transport_mariadb_tests COMMAND transport_mariadb_tests)
set_tests_properties(transport_mariadb_tests PROPERTIES
  ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
  SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*MariaDB server binaries not found"
  TIMEOUT 600)

# The engine reads the transport's replies (only when the engine is built).
if(TARGET morvane_engine)
  add_executable(transport_engine_tests ${CMAKE_CURRENT_LIST_DIR}/transport_engine_test.cpp)
  target_link_libraries(transport_engine_tests PRIVATE morvane_test_databases morvane_engine
    GTest::gtest_main ${CMAKE_DL_LIBS})
  add_dependencies(transport_engine_tests netbrg2)
  gtest_discover_tests(transport_engine_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
endif()
