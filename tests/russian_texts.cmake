# Every text the wizard shows, Qt's own buttons, menus and file dialog
# included, is Russian (offscreen, over the stand-in transport).
if(TARGET morvane_app AND TARGET morvane_app_testing)
  morvane_qt_test(russian_texts_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/russian_texts_test.cpp
                  LIBS morvane_app morvane_app_testing Qt6::Test)
endif()
