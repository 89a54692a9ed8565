# Pending changes of query tables applied through libnetbrg2.so, on SQLite
# and on a throw-away PostgreSQL server. One ctest test for the executable, so
# that one server serves every case; the PostgreSQL cases skip, saying why,
# when the server binaries are absent, and the SQLite cases still count.
if(TARGET morvane_server AND TARGET netbrg2)
  add_executable(apply_updates_tests ${CMAKE_CURRENT_LIST_DIR}/apply_updates_test.cpp)
  target_link_libraries(apply_updates_tests PRIVATE morvane_server morvane_test_databases
    GTest::gtest_main ${CMAKE_DL_LIBS})
  add_dependencies(apply_updates_tests netbrg2)
  add_test(NAME apply_updates_tests COMMAND apply_updates_tests)
  set_tests_properties(apply_updates_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
    TIMEOUT 600)
endif()
