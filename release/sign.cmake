# Copies the exe IN to OUT, signed with Authenticode (osslsigncode) when KEY and CERT are given.
#   cmake -DIN=exe -DOUT=exe [-DKEY=pem -DCERT=pem -DOSSLSIGNCODE=path [-DTIMESTAMP_URL=url]]
#         -P sign.cmake
get_filename_component(folder "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(REMOVE "${OUT}")
if(NOT KEY)
  file(COPY_FILE "${IN}" "${OUT}")
  return()
endif()
set(timestamp)
if(TIMESTAMP_URL)
  set(timestamp -ts "${TIMESTAMP_URL}")
endif()
execute_process(
  COMMAND "${OSSLSIGNCODE}" sign -certs "${CERT}" -key "${KEY}" -h sha256
          -n "Quenlix PC Camera Driver Detector" ${timestamp} -in "${IN}" -out "${OUT}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "osslsigncode could not sign ${IN}:\n${output}")
endif()
