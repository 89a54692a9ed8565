# Replacements run through the session on a real SQLite file: the wizard's
# execution modes, undo scripts and log entries (morvane_replace).
if(TARGET morvane_replace AND TARGET netbrg2)
  add_executable(replacement_run_tests ${CMAKE_CURRENT_LIST_DIR}/replacement_run_test.cpp)
  target_link_libraries(replacement_run_tests PRIVATE morvane_replace morvane_test_databases
    GTest::gtest_main ${CMAKE_DL_LIBS})
  add_dependencies(replacement_run_tests netbrg2)
  gtest_discover_tests(replacement_run_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
endif()

# The row counts of values and groups on a real SQLite file: counted from one
# read of the values, or grouped by the server (replace/value_counts.h).
if(TARGET morvane_replace AND TARGET netbrg2)
  add_executable(value_counts_tests ${CMAKE_CURRENT_LIST_DIR}/value_counts_test.cpp)
  target_link_libraries(value_counts_tests PRIVATE morvane_replace morvane_test_databases
    GTest::gtest_main ${CMAKE_DL_LIBS})
  add_dependencies(value_counts_tests netbrg2)
  gtest_discover_tests(value_counts_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
endif()
