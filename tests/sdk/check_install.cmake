# Installs the build tree into a scratch prefix, moves the whole installed tree to another
# directory (an install must not depend on the prefix it was made for), then builds and runs
# the host program of tests/sdk/consumer against the moved tree twice: as a CMake project
# that finds the package with find_package, and with a plain compiler command whose flags
# come from pkg-config.
#
# Arguments: BUILD_DIR, SOURCE_DIR (the consumer), WORK_DIR, C_COMPILER, VERSION; for a
# cross build also TOOLCHAIN_FILE, EMULATOR (which runs the consumer) and EXECUTABLE_SUFFIX.
set(installed ${WORK_DIR}/prefix)
set(moved ${WORK_DIR}/moved)
file(REMOVE_RECURSE ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed:\n${output}")
  endif()
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${installed})
file(RENAME ${installed} ${moved})

# ---- find_package ---------------------------------------------------------------------------
# A cross toolchain searches its own tree only, and the roots it is given: the moved tree is one.
set(toolchain)
if(TOOLCHAIN_FILE)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_FIND_ROOT_PATH=${moved})
endif()
run("find_package consumer configure"
    ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-consumer -G Ninja ${toolchain}
    -DCMAKE_PREFIX_PATH=${moved} -DCMAKE_C_COMPILER=${C_COMPILER})
run("find_package consumer build" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-consumer)
run("find_package consumer run"
    ${EMULATOR} ${WORK_DIR}/cmake-consumer/consumer${EXECUTABLE_SUFFIX})

# ---- pkg-config -----------------------------------------------------------------------------
find_program(PKG_CONFIG NAMES pkg-config pkgconf)
if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config is needed to test the installed tenvik_sdk.pc")
endif()
file(GLOB_RECURSE pc_files ${moved}/*/tenvik_sdk.pc)
list(LENGTH pc_files pc_count)
if(NOT pc_count EQUAL 1)
  message(FATAL_ERROR "expected one installed tenvik_sdk.pc, found: ${pc_files}")
endif()
get_filename_component(pc_dir ${pc_files} DIRECTORY)
# Only the moved tree is searched, never the system's own pkg-config directories.
set(ENV{PKG_CONFIG_LIBDIR} ${pc_dir})
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

function(pkg_config out)
  execute_process(COMMAND ${PKG_CONFIG} ${ARGN} tenvik_sdk RESULT_VARIABLE status
                  OUTPUT_VARIABLE value ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "pkg-config ${ARGN} failed: ${error}")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

pkg_config(version --modversion)
if(NOT version STREQUAL VERSION)
  message(FATAL_ERROR "tenvik_sdk.pc gives version '${version}', the project is ${VERSION}")
endif()
foreach(variable prefix libdir includedir)
  pkg_config(path --variable=${variable})
  get_filename_component(path "${path}" REALPATH)
  get_filename_component(root "${moved}" REALPATH)
  string(FIND "${path}/" "${root}/" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "tenvik_sdk.pc: ${variable} '${path}' lies outside the moved tree")
  endif()
endforeach()
pkg_config(cflags --cflags)
pkg_config(libs --libs)
pkg_config(libdir --variable=libdir)
separate_arguments(cflags UNIX_COMMAND "${cflags}")
separate_arguments(libs UNIX_COMMAND "${libs}")
set(consumer ${WORK_DIR}/pkg-config-consumer${EXECUTABLE_SUFFIX})
run("pkg-config consumer build"
    ${C_COMPILER} -std=c99 -Wall -Wextra -Werror -pedantic ${cflags}
    ${SOURCE_DIR}/main.c -o ${consumer} ${libs})
# A Windows program finds its DLLs beside it: the host ships the installed one with it.
file(GLOB dlls ${moved}/bin/*.dll)
if(dlls)
  file(COPY ${dlls} DESTINATION ${WORK_DIR})
endif()
run("pkg-config consumer run"
    ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${EMULATOR} ${consumer})
