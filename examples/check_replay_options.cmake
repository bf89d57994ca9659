# The replay tool's command line and its answers to captures it cannot replay: each case
# gives the arguments, the exit status, and patterns the standard output and the standard
# error must match ("^$" for nothing). WORK_DIR receives the faulty captures; EMULATOR, when
# set, runs the program.
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/bad-lines.capture
     "2.2.15\nbattery 5A\nchunk 02 0G\nsend\nfrobnicate 01\nbattery 5A 100\nbattery 5A\n")
file(WRITE ${WORK_DIR}/bad-revision.capture "2.02\nbattery 5A\n")
file(WRITE ${WORK_DIR}/empty.capture "")
# A protocol-2 payload of the bytes " \ line feed, tab, A, and one of a byte above 7E.
file(WRITE ${WORK_DIR}/payloads.capture
     "2.2.15\nchunk 02 0A 00 0A 00 22 5C 0A 09 41\nchunk 02 0A 00 07 00 41 80\n")
string(REPEAT "00 " 5500 too_many_bytes)
file(WRITE ${WORK_DIR}/long-line.capture "2.2.15\nchunk ${too_many_bytes}\nbattery 5A\n")

set(failures "")
function(expect status stdout_pattern stderr_pattern)
  execute_process(COMMAND ${EMULATOR} ${REPLAY} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
  if(NOT result STREQUAL "${status}" OR NOT out MATCHES "${stdout_pattern}"
     OR NOT err MATCHES "${stderr_pattern}")
    set(failures "${failures}replay ${ARGN}: exit ${result} (expected ${status})\n"
                 "--- stdout:\n${out}--- stderr:\n${err}\n" PARENT_SCOPE)
  endif()
endfunction()

set(usage "usage: replay \\[--log\\] \\[--stable\\] CAPTURE")
expect(0 "^${usage}\n.*--stable.*Exit status" "^$" --help)
expect(0 "^${usage}\n" "^$" --bogus -h)
expect(2 "^$" "^replay: unknown option '--bogus'\n${usage}\nTry 'replay --help'" --bogus
       ${WORK_DIR}/empty.capture)
expect(2 "^$" "unknown option '-x'" ${WORK_DIR}/empty.capture -x)
expect(2 "^$" "^${usage}\n" )
expect(2 "^$" "only one capture, not also '.*empty.capture'" ${WORK_DIR}/bad-revision.capture
       ${WORK_DIR}/empty.capture)
expect(2 "^$" "cannot open .*missing.capture" ${WORK_DIR}/missing.capture)
expect(2 "^$" "empty.capture: no firmware revision" ${WORK_DIR}/empty.capture)
expect(1 "^$" "firmware revision '2.02' refused" ${WORK_DIR}/bad-revision.capture)
# Text is quoted with its quote, backslash and control characters escaped (a literal
# backslash is written \\ in these patterns).
expect(0 [=[
payload system 5 text "\\"\\\\\\n\\tA"
payload system 2 hex 41 80
destroyed
$]=] "^$" ${WORK_DIR}/payloads.capture)
# Every bad line is named and skipped; the good lines around them are still replayed.
expect(1 "^#[^\n]*\ncreated 2.2.15\nbattery 90\nbattery 90\ndestroyed\n$"
       "^line 3: bad hex bytes\nline 4: send needs a pid\nline 5: unknown entry 'frobnicate'\nline 6: bad hex bytes\n$"
       ${WORK_DIR}/bad-lines.capture)
expect(1 "\nbattery 90\ndestroyed\n$" "^line 2: longer than [0-9]+ characters\n$"
       ${WORK_DIR}/long-line.capture)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
