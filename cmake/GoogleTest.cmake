# GoogleTest: an installed build for this toolchain when there is one; otherwise its sources,
# as Debian's googletest package installs them (src/googletest under a system prefix), built
# with the project. Either way nothing is downloaded.
include(FetchContent)
find_path(DETECTOR_GTEST_SOURCE_DIR NAMES googletest/CMakeLists.txt
          PATHS ${CMAKE_SYSTEM_PREFIX_PATH} PATH_SUFFIXES src/googletest
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "GoogleTest sources, used when no installed GoogleTest is found")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
FetchContent_Declare(googletest
  SOURCE_DIR "${DETECTOR_GTEST_SOURCE_DIR}"
  FIND_PACKAGE_ARGS NAMES GTest CONFIG)
FetchContent_MakeAvailable(googletest)
# The Windows compilers' thread model has no std::mutex, of which GoogleTest makes its
# Notification: it gets one made of an event instead.
if(WIN32 AND TARGET gtest)
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC
    "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/gtest_notification.h")
endif()
include(GoogleTest)
