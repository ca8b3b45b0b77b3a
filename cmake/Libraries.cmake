# One static library per engine folder: every .cpp of the folder, the project
# root on the include path, so headers are included as "core/Variant.h".
function(qm_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# One test program per tests/ folder, all of its *_test.cpp files, with the
# shared test main; every test is registered with CTest. WINDOW_TESTS is a
# gtest filter naming the tests that open a real window: they run without
# the sanitizer's leak check. The OpenGL driver's threads (Mesa's llvmpipe)
# still run when such a program ends, and LeakSanitizer's tracer, which
# stops every thread to look at its stack, can crash on them ("Tracer caught
# signal 11"), failing a test that passed; what those libraries keep for the
# life of the process is no leak of ours either. Every other test keeps it.
function(qm_add_test_folder name)
  cmake_parse_arguments(ARG "" "WINDOW_TESTS" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE qm_test_support ${ARG_DEPENDS})
  target_compile_definitions(${name} PRIVATE QM_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    QM_TESTS_DIR="${PROJECT_SOURCE_DIR}/tests")
  # Listing a sanitized program's tests on a busy machine can take far more
  # than the default 5 s; a timed-out listing fails every test of the folder.
  if(ARG_WINDOW_TESTS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      TEST_FILTER "-${ARG_WINDOW_TESTS}"
      PROPERTIES TIMEOUT 300)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      TEST_FILTER "${ARG_WINDOW_TESTS}"
      PROPERTIES TIMEOUT 300
        ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=path_list_append:detect_leaks=0")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      PROPERTIES TIMEOUT 300)
  endif()
endfunction()
