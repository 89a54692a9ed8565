# morvane_layer(TARGET folder-target LIBS public-libs... TEST_LIBS extra-test-libs...)
#
# One static library per layer folder from every .cpp in it except tests
# (*_test.cpp) and fuzz targets (*_fuzz.cpp); one GoogleTest executable
# "<target>_tests" from the folder's *_test.cpp files, registered with ctest
# test by test. Tests run with the C locale pinned, so they never depend on
# the machine's language settings.
function(morvane_layer target)
  cmake_parse_arguments(ARG "" "" "LIBS;TEST_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_fuzz.cpp)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  if(fuzzers)
    list(REMOVE_ITEM sources ${fuzzers})
  endif()
  add_library(${target} STATIC ${sources})
  target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  if(tests)
    morvane_test(${target}_tests SOURCES ${tests} LIBS ${target} ${ARG_TEST_LIBS})
  endif()
endfunction()

# morvane_test(NAME SOURCES... LIBS libs...)
function(morvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANG=C.UTF-8;TZ=UTC")
endfunction()

# morvane_fuzz(NAME SOURCE LIBS libs... CORPUS dir SECONDS n)
# A libFuzzer target, built only with MORVANE_FUZZ (clang). ctest runs it for
# a bounded time over the seed corpus; a crash or leak fails the test.
function(morvane_fuzz name)
  cmake_parse_arguments(ARG "" "SOURCE;CORPUS;SECONDS" "LIBS" ${ARGN})
  if(NOT MORVANE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCE})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
      sh -c "rm -rf '${work}' && mkdir -p '${work}' && cp -r '${ARG_CORPUS}'/. '${work}'/ && exec \"$0\" -max_total_time=${ARG_SECONDS} -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1 '${work}'" $<TARGET_FILE:${name}>)
endfunction()

# morvane_fuzz_coverage(sources...)
# The fuzz targets link libraries built without libFuzzer's coverage, so
# libFuzzer would see only the target's own file. The parsers a target
# exercises are named here (in the folder whose library builds them) and get
# the coverage instrumentation, and only they: the rest of the build is the
# same as without MORVANE_FUZZ.
function(morvane_fuzz_coverage)
  if(MORVANE_FUZZ)
    set_source_files_properties(${ARGN} DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      PROPERTIES COMPILE_OPTIONS -fsanitize=fuzzer-no-link)
  endif()
endfunction()
