# The grid's HTML export of the demo database's Goods table, read back by a
# real HTML parser: chromium --headless --dump-dom when it is installed, else
# python3's html.parser (the test skips, saying why, when neither is there).
if(TARGET morvane_controls AND TARGET morvane_server AND TARGET netbrg2 AND COMMAND morvane_qt_test)
  morvane_qt_test(html_export_demo_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/html_export_demo_test.cpp
    LIBS morvane_controls morvane_server morvane_test_databases ${CMAKE_DL_LIBS})
  add_dependencies(html_export_demo_tests netbrg2)
endif()
