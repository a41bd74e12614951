# The link label's window-free logic. Included from app/ on Windows and from tests/app/ in the
# native build, where app/ is not added.
if(NOT TARGET detector_link_logic)
  add_library(detector_link_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/link_logic.cpp)
  target_include_directories(detector_link_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  detector_warnings(detector_link_logic)
endif()
