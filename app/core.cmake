# morvane_app_core: the wizard's settings store, period, SQL builders, value
# suggestions, replacement plans, undo scripts, the replacement log and their
# execution through the session. No Qt, so the command-line tool links it too;
# whichever of tools/ and app/ is configured first includes this file.
add_library(morvane_app_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mv_cfg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/period.cpp
  ${CMAKE_CURRENT_LIST_DIR}/builders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/suggestions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacement_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mapping_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/undo_script.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacement_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacement_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/step3_script.cpp)
target_link_libraries(morvane_app_core PUBLIC morvane_rtl morvane_server)
morvane_test(morvane_app_core_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/mv_cfg_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/builders_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/suggestions_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacement_plan_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mapping_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/undo_script_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacement_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/step3_script_test.cpp
  LIBS morvane_app_core)
