# The wizard against real databases.
#   wizard_journey_tests     the real form, driven by input events, on the demo
#                            database in SQLite and in throw-away PostgreSQL
#                            and MariaDB servers (skipped, saying why, without
#                            the server)
#   wizard_step3_tests       step 3's preview, all-or-nothing, undo, chains,
#                            on the same three back ends
#   wizard_values_counts_*   morvane-data values checked with sqlite3, psql and
#                            mariadb
#   wizard_xdotool_journey*  the built wizard under xvfb-run, driven by xdotool,
#                            on SQLite and on MariaDB
#   wizard_groups_xdotool    groups without a reference table, accepted and run, checked
#                            against morvane-data groups and sqlite3
if(TARGET morvane_app AND TARGET netbrg2)
  add_executable(wizard_journey_tests ${CMAKE_CURRENT_LIST_DIR}/wizard_journey_test.cpp)
  target_link_libraries(wizard_journey_tests PRIVATE morvane_app morvane_test_databases
    Qt6::Test morvane_ui_test_main)
  add_dependencies(wizard_journey_tests netbrg2)
  add_test(NAME wizard_journey_tests COMMAND wizard_journey_tests)
  set_tests_properties(wizard_journey_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC;QT_QPA_PLATFORM=offscreen;XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/wizard-journey-state"
    TIMEOUT 600)
endif()

if(TARGET morvane_app AND TARGET netbrg2 AND TARGET morvane-data)
  add_executable(wizard_step3_tests ${CMAKE_CURRENT_LIST_DIR}/wizard_step3_test.cpp)
  target_link_libraries(wizard_step3_tests PRIVATE morvane_app morvane_test_databases
    Qt6::Test morvane_ui_test_main)
  target_compile_definitions(wizard_step3_tests PRIVATE
    MORVANE_DATA_PATH="$<TARGET_FILE:morvane-data>")
  add_dependencies(wizard_step3_tests netbrg2 morvane-data)
  add_test(NAME wizard_step3_tests COMMAND wizard_step3_tests)
  set_tests_properties(wizard_step3_tests PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC;QT_QPA_PLATFORM=offscreen"
    TIMEOUT 600)
endif()

if(TARGET morvane AND TARGET netbrg2)
  add_test(NAME wizard_xdotool_journey
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wizard_xdotool.sh ${PROJECT_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/xdotool-journey)
  set_tests_properties(wizard_xdotool_journey PROPERTIES
    ENVIRONMENT "XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdotool-journey-state"
    SKIP_RETURN_CODE 77
    TIMEOUT 300)
  add_test(NAME wizard_xdotool_journey_mariadb
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wizard_xdotool.sh ${PROJECT_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/xdotool-journey-mariadb mariadb)
  set_tests_properties(wizard_xdotool_journey_mariadb PROPERTIES
    ENVIRONMENT "XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdotool-journey-mariadb-state"
    SKIP_RETURN_CODE 77
    TIMEOUT 300)
endif()

if(TARGET morvane AND TARGET morvane-data AND TARGET netbrg2)
  add_test(NAME wizard_groups_xdotool
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wizard_groups_xdotool.sh ${PROJECT_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/groups-xdotool)
  set_tests_properties(wizard_groups_xdotool PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

if(TARGET morvane-data AND TARGET netbrg2)
  foreach(backend sqlite postgres mariadb)
    add_test(NAME wizard_values_counts_${backend}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wizard_values_counts.sh $<TARGET_FILE:morvane-data>
              ${backend} ${CMAKE_CURRENT_BINARY_DIR}/values-counts-${backend})
    set_tests_properties(wizard_values_counts_${backend} PROPERTIES
      ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC"
      SKIP_RETURN_CODE 77
      TIMEOUT 300)
  endforeach()
endif()
