# One warning set for the project's own targets (not for GoogleTest).
function(detector_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()

# A test executable: GoogleTest main, project warnings, discovered at test time so that
# Wine stays out of the build step.
function(detector_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  detector_warnings(${name})
  if(DETECTOR_RUN_TESTS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
  endif()
endfunction()
