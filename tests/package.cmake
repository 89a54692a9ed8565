# The Debian package made from this build folder, unpacked and run as an
# operator would (tests/package_test.sh). Registered in the release build
# only: a package of sanitizer-instrumented programs is not what anyone
# installs, and the programs it holds are the ones the other tests run.
if(TARGET morvane AND TARGET morvane-data AND TARGET netbrg2 AND NOT MORVANE_SANITIZE)
  add_test(NAME morvane_package
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${PROJECT_SOURCE_DIR}
      ${PROJECT_BINARY_DIR} ${PROJECT_VERSION} ${CMAKE_CURRENT_BINARY_DIR}/package-test)
  set_tests_properties(morvane_package PROPERTIES
    ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8"
    TIMEOUT 300)
endif()
