# The session and query tables against real databases, through
# libnetbrg2.so as the program loads it. SQLite: ctest runs the tests one
# by one, each on its own file. PostgreSQL and MariaDB: one ctest test for
# the whole executable each, sharing one throw-away server; skipped, saying
# why, when the server binaries are absent.
if(TARGET morvane_server AND TARGET netbrg2)
  foreach(backend sqlite postgres mariadb)
    add_executable(session_${backend}_tests ${CMAKE_CURRENT_LIST_DIR}/session_${backend}_test.cpp)
    target_link_libraries(session_${backend}_tests PRIVATE morvane_server morvane_replace morvane_test_databases
      GTest::gtest_main ${CMAKE_DL_LIBS})
    add_dependencies(session_${backend}_tests netbrg2)
  endforeach()
  gtest_discover_tests(session_sqlite_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
  add_test(NAME session_postgres_tests COMMAND session_postgres_tests)
  set_tests_properties(session_postgres_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*PostgreSQL server binaries not found"
    TIMEOUT 600)
  add_test(NAME session_mariadb_tests COMMAND session_mariadb_tests)
  set_tests_properties(session_mariadb_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] .*MariaDB server binaries not found"
    TIMEOUT 600)
endif()
