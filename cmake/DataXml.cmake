# One XML step of the data build (cmake -P): TOOL (sgdtool), SOURCE, OUTPUT,
# KEY (may be empty). The source must parse as the game parses it; then it is
# copied, or enciphered under KEY as HexCipherText with a line feed at the
# end. The output is replaced only once it is whole.
execute_process(COMMAND ${TOOL} xml2bin
  INPUT_FILE ${SOURCE} OUTPUT_QUIET ERROR_VARIABLE problem RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${SOURCE} does not read as XML: ${problem}")
endif()
if(KEY STREQUAL "")
  file(COPY_FILE ${SOURCE} ${OUTPUT}.tmp)
else()
  execute_process(COMMAND ${TOOL} encipher ${KEY}
    INPUT_FILE ${SOURCE} OUTPUT_FILE ${OUTPUT}.tmp ERROR_VARIABLE problem RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "${SOURCE} cannot be enciphered: ${problem}")
  endif()
  file(APPEND ${OUTPUT}.tmp "\n")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
