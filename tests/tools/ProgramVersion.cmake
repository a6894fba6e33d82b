# Runs PROGRAM --version and checks that it prints "NAME VERSION" and a line
# end, VERSION being the project's version: every program shows the one
# version defined in the top-level CMakeLists.txt.
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --version exited with ${rc}: ${err}")
endif()
if(NOT out STREQUAL "${NAME} ${VERSION}\n")
  message(FATAL_ERROR "${PROGRAM} --version printed \"${out}\", expected \"${NAME} ${VERSION}\"")
endif()
