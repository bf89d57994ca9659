# Replays every capture in CAPTURE_DIR and compares the output with its .expected file.
# With FROM_STDIN set, each capture is fed through standard input as "-". EMULATOR, when set,
# runs the program (Wine for a Windows build).
file(GLOB captures ${CAPTURE_DIR}/*.capture)
if(NOT captures)
  message(FATAL_ERROR "no captures in ${CAPTURE_DIR}")
endif()
foreach(capture ${captures})
  string(REGEX REPLACE "\\.capture$" ".expected" expected_file ${capture})
  if(FROM_STDIN)
    execute_process(COMMAND ${EMULATOR} ${REPLAY} --log --stable - INPUT_FILE ${capture}
                    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  else()
    execute_process(COMMAND ${EMULATOR} ${REPLAY} --log --stable ${capture}
                    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    message(FATAL_ERROR "replay of ${capture} exited with ${status}\n${errors}\n${output}")
  endif()
  file(READ ${expected_file} expected)
  if(NOT output STREQUAL expected)
    message(FATAL_ERROR "replay of ${capture} differs from ${expected_file}\n--- got:\n${output}")
  endif()
  message(STATUS "${capture}: as expected")
endforeach()
