# The replacement matrix: morvane-data and the wizard's own code path on
# every field type, key kind and server, checked with the server's own
# client. One ctest test per executable, so that the throw-away PostgreSQL
# server starts once; the output names each case (server_type_key).
if(TARGET morvane-data AND TARGET netbrg2)
  add_executable(replacement_matrix_tests ${CMAKE_CURRENT_LIST_DIR}/replacement_matrix_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/replacement_matrix_second_client_test.cpp)
  target_link_libraries(replacement_matrix_tests PRIVATE morvane_server morvane_replace
    morvane_test_databases GTest::gtest_main ${CMAKE_DL_LIBS})
  target_compile_definitions(replacement_matrix_tests PRIVATE
    MORVANE_DATA_PATH="$<TARGET_FILE:morvane-data>")
  add_dependencies(replacement_matrix_tests morvane-data netbrg2)
  add_test(NAME replacement_matrix_tests COMMAND replacement_matrix_tests)
  set(matrix_environment "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
  if(MORVANE_SANITIZE)
    # clang 14's LeakSanitizer crashes ("Tracer caught signal 11") while it
    # walks a garbage dynamic-TLS entry in some of these morvane-data runs,
    # whose transport pulls in libpq and the MariaDB client with dlopen. The
    # address and undefined-behaviour checks stay on; the tool's leaks are
    # checked by the morvane-data tests.
    list(APPEND matrix_environment "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0")
  endif()
  set_tests_properties(replacement_matrix_tests PROPERTIES
    ENVIRONMENT "${matrix_environment}"
    TIMEOUT 600)
endif()

if(TARGET morvane_app AND TARGET netbrg2)
  add_executable(replacement_matrix_wizard_tests
    ${CMAKE_CURRENT_LIST_DIR}/replacement_matrix_wizard_test.cpp)
  target_link_libraries(replacement_matrix_wizard_tests PRIVATE morvane_app
    morvane_test_databases Qt6::Test morvane_ui_test_main)
  add_dependencies(replacement_matrix_wizard_tests netbrg2)
  add_test(NAME replacement_matrix_wizard_tests COMMAND replacement_matrix_wizard_tests)
  set_tests_properties(replacement_matrix_wizard_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC;QT_QPA_PLATFORM=offscreen"
    TIMEOUT 600)
endif()
