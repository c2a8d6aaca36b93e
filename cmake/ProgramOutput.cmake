# cmake -DPROGRAM=... "-DARGS=a;b" -DOUTPUT=FILE -P ProgramOutput.cmake
# Writes what PROGRAM ARGS prints on stdout to FILE; a failure removes FILE
# and fails the build step.
execute_process(COMMAND "${PROGRAM}" ${ARGS} OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${PROGRAM} ${ARGS} ended with status ${status}")
endif()
