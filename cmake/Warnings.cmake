# One warning set, carried by an interface target that every target of the project links
# (not GoogleTest's). Warnings are errors where DETECTOR_WARNINGS_AS_ERRORS is on (CI).
add_library(detector_warnings INTERFACE)
target_compile_options(detector_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion>
  $<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<BOOL:${DETECTOR_WARNINGS_AS_ERRORS}>>:-Werror>)
