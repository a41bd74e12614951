# The Windows exe on the sample catalogue: exit 0 and the four records, so that an exe that
# never ran (which also exits 0 under Wine) fails.
execute_process(COMMAND ${EMULATOR} ${PREFIX} ${PROGRAM} ${CATALOGUE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}: ${err}")
endif()
if(NOT out MATCHES "the program loads 4 records" OR NOT out MATCHES "no problems")
  message(FATAL_ERROR "not the sample's clean report")
endif()
