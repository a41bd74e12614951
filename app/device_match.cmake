# Matching devices against the catalogue, free of windows. Included from app/ on Windows and
# from tests/app/ in the native build, where app/ is not added.
if(NOT TARGET detector_device_match)
  add_library(detector_device_match STATIC ${CMAKE_CURRENT_LIST_DIR}/device_match.cpp)
  target_include_directories(detector_device_match PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(detector_device_match PUBLIC usb)
  detector_warnings(detector_device_match)
endif()
