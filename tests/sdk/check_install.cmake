# Installs the build tree into a scratch prefix, then builds and runs a host project against
# the installed CMake package, and checks the pkg-config file.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/consumer -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "consumer build failed")
endif()
execute_process(COMMAND ${WORK_DIR}/consumer/consumer RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "consumer run failed")
endif()
file(GLOB_RECURSE pc_files ${prefix}/*/tenvik_sdk.pc)
if(NOT pc_files)
  message(FATAL_ERROR "tenvik_sdk.pc not installed")
endif()
file(READ ${pc_files} pc)
if(NOT pc MATCHES "Libs: -L\\\${libdir} -ltenvik_sdk")
  message(FATAL_ERROR "tenvik_sdk.pc lacks the link line")
endif()
