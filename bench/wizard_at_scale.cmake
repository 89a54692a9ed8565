# wizard_at_scale: the wizard's read, paint and generate on a 1,000,000-row
# table through TFormUM (offscreen), beside sqlite3 on the same file; a plain
# program, run by bench/wizard_at_scale.sh, never by ctest.
if(TARGET morvane_app AND TARGET netbrg2)
  add_executable(wizard_at_scale ${CMAKE_CURRENT_LIST_DIR}/wizard_at_scale.cpp)
  target_link_libraries(wizard_at_scale PRIVATE morvane_app)
  target_compile_definitions(wizard_at_scale PRIVATE
    NETBRG2_LIBRARY="$<TARGET_FILE:netbrg2>")
  add_dependencies(wizard_at_scale netbrg2)
endif()
