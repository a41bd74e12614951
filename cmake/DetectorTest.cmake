# A test executable: GoogleTest main, the project's warnings, its tests discovered when CTest
# runs (so Wine stays out of the build step). The first discovery under Wine may create the
# prefix, which takes a minute or more on a busy machine.
#   detector_test(NAME SOURCES ... LIBS ... [PROPERTIES ...] [EMULATOR_ENV VAR=value ...]
#                 [WINE_PREFIX dir] [TEST_SUFFIX .x])
# Under Wine, EMULATOR_ENV sets variables for the program's whole run, discovery included: a
# test property cannot carry several variables through discovery. WINE_PREFIX gives the
# program a prefix of its own.
function(detector_test name)
  cmake_parse_arguments(T "" "WINE_PREFIX;TEST_SUFFIX" "SOURCES;LIBS;PROPERTIES;EMULATOR_ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main detector_warnings)
  if(CMAKE_CROSSCOMPILING AND (T_EMULATOR_ENV OR T_WINE_PREFIX))
    set(prefix "${DETECTOR_WINE_PREFIX}")
    if(T_WINE_PREFIX)
      set(prefix "${T_WINE_PREFIX}")
    endif()
    set(emulator "${PROJECT_SOURCE_DIR}/tools/wine-run" "${prefix}")
    if(T_EMULATOR_ENV)
      set(emulator env -u LC_ALL ${T_EMULATOR_ENV} ${emulator})
    endif()
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${emulator}")
  endif()
  if(DETECTOR_RUN_TESTS)
    set(suffix "")
    if(T_TEST_SUFFIX)
      set(suffix TEST_SUFFIX ${T_TEST_SUFFIX})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 ${suffix}
                         PROPERTIES TIMEOUT 120 ${T_PROPERTIES})
  endif()
endfunction()
