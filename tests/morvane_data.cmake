# The morvane-data tool run as a program against real databases.
# morvane_data_tests: SQLite files from the demo database script, test by
# test, plus usage and error answers. morvane_data_postgres_tests and
# morvane_data_mariadb_tests: one ctest test for the whole executable each,
# sharing one throw-away server; skipped, saying why, when the server
# binaries are absent.
if(TARGET morvane-data AND TARGET netbrg2)
  foreach(suite morvane_data morvane_data_postgres morvane_data_mariadb)
    add_executable(${suite}_tests ${CMAKE_CURRENT_LIST_DIR}/${suite}_test.cpp)
    target_link_libraries(${suite}_tests PRIVATE morvane_server morvane_test_databases
      GTest::gtest_main)
    target_compile_definitions(${suite}_tests PRIVATE
      MORVANE_DATA_PATH="$<TARGET_FILE:morvane-data>")
    add_dependencies(${suite}_tests morvane-data netbrg2)
  endforeach()
  gtest_discover_tests(morvane_data_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
  add_test(NAME morvane_data_postgres_tests COMMAND morvane_data_postgres_tests)
  set_tests_properties(morvane_data_postgres_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*PostgreSQL server binaries not found"
    TIMEOUT 600)
  add_test(NAME morvane_data_mariadb_tests COMMAND morvane_data_mariadb_tests)
  set_tests_properties(morvane_data_mariadb_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*MariaDB server binaries not found"
    TIMEOUT 600)
endif()
