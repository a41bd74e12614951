# The hyperlink label control (Windows only) over its window-free logic.
include(${CMAKE_CURRENT_LIST_DIR}/link_logic.cmake)
if(WIN32 AND NOT TARGET detector_link_label)
  add_library(detector_link_label STATIC ${CMAKE_CURRENT_LIST_DIR}/link_label.cpp)
  target_link_libraries(detector_link_label PUBLIC detector_link_logic detector_framework
                        shell32 advapi32 gdi32 user32)
  detector_warnings(detector_link_label)
endif()
