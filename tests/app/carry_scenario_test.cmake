# Runs PROGRAM with ARGS (a list) and requires exit status 1, EXPECTED in
# its stderr and no file at OUTPUT afterwards.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${PROGRAM}" ${ARGS} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "exit status ${status}, not 1; stderr: ${errors}")
endif()
string(FIND "${errors}" "${EXPECTED}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "stderr does not say '${EXPECTED}': ${errors}")
endif()
if(EXISTS "${OUTPUT}")
  message(FATAL_ERROR "${OUTPUT} was written")
endif()
