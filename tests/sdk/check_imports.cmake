# A DLL's import table (OBJDUMP -p) names only DLLs that every Windows installation has: the
# system's own and its C runtime. The runtimes of the compiler (libstdc++-6.dll,
# libgcc_s_seh-1.dll; libwinpthread-1.dll with posix-threads compilers) and zlib are linked
# in, never needed beside it.
#
# Arguments: LIBRARY, OBJDUMP.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(imported)
foreach(line ${lines})
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    list(APPEND imported ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT imported)
  message(FATAL_ERROR "no import table found in ${LIBRARY}")
endif()

set(foreign)
foreach(dll ${imported})
  string(TOLOWER ${dll} name)
  if(NOT name MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\\.dll$")
    list(APPEND foreign ${dll})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${LIBRARY} needs DLLs that a Windows host does not have: ${foreign}\n"
                      " all its imports: ${imported}")
endif()
message(STATUS "imports only system DLLs: ${imported}")
