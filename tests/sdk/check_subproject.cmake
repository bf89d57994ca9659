# Configures and builds tests/sdk/subproject with GoogleTest and Google Benchmark made
# unfindable, then runs its host program (through EMULATOR, with TOOLCHAIN_FILE, for a cross
# build).
file(REMOVE_RECURSE ${WORK_DIR})
set(toolchain)
if(TOOLCHAIN_FILE)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G Ninja ${toolchain}
                        -DTENVIK_SOURCE_DIR=${TENVIK_SOURCE_DIR}
                        -DCMAKE_BUILD_TYPE=Release
                        -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
                        -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
                        -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "subproject configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "subproject build failed")
endif()
execute_process(COMMAND ${EMULATOR} ${WORK_DIR}/host${EXECUTABLE_SUFFIX} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "subproject host failed")
endif()
