# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (packages g++-mingw-w64-x86-64 and
# libz-mingw-w64-dev). The posix-threads flavour of the compilers is named outright, whatever
# the alternatives point at: the tests use std::thread, which the win32 flavour lacks.
#
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#
# Libraries, headers and CMake packages are searched for in the MinGW tree only, and in the
# roots given in CMAKE_FIND_ROOT_PATH (a host project adds the prefix the SDK is installed to).
# When Wine is installed, programs run through its 64-bit loader, so CTest runs the suite here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TENVIK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TENVIK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TENVIK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TENVIK_MINGW_TRIPLET}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TENVIK_MINGW_TRIPLET})
# Programs come from the build machine, everything else from the roots.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian installs Wine's 64-bit loader off the PATH.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TENVIK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
  if(TENVIK_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TENVIK_WINE64})
  endif()
endif()
