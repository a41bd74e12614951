# Run by CPack's External generator, with the files staged by the install rules in
# CPACK_TEMPORARY_DIRECTORY: writes the ZIP and hands it back to CPack.
set(zip "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip")
execute_process(
  COMMAND "${CPACK_DETECTOR_PYTHON}" "${CPACK_DETECTOR_MAKE_ZIP}" "${zip}"
          "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_DETECTOR_SOURCE_DATE_EPOCH}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_zip.py failed")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${zip}")
