# The one export list (EXPECTED) against what the public header declares and what the built
# library defines as dynamic symbols: all three must name the same functions.
file(STRINGS ${EXPECTED} expected)
list(SORT expected)

file(STRINGS ${HEADER} declarations REGEX "^TENVIK_SDK_API ")
set(declared)
foreach(line ${declarations})
  if(line MATCHES "^TENVIK_SDK_API [^(]*[ *]([A-Za-z_][A-Za-z0-9_]*)\\(")
    list(APPEND declared ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT declared)
if(NOT declared STREQUAL expected)
  message(FATAL_ERROR "the header declares other functions than the export list\n"
                      " declared: ${declared}\n expected: ${expected}")
endif()

execute_process(COMMAND nm -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found)
foreach(line ${lines})
  # The version node itself is an absolute symbol, not a function.
  if(line MATCHES "^[0-9a-fA-F]+ [TtWwDdBbRrVviu] ([^ @]+)")
    list(APPEND found ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT found)
list(REMOVE_DUPLICATES found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "the library exports other symbols than the export list\n"
                      " found:    ${found}\n expected: ${expected}")
endif()
list(LENGTH found count)
message(STATUS "${count} exports as listed, declared and defined")
