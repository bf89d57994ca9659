# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (packages g++-mingw-w64-x86-64 and
# libz-mingw-w64-dev). The win32-threads flavour of the compilers is named outright, whatever
# the alternatives point at. The library starts no threads and takes no locks, and that
# flavour's C++ runtime can throw when memory has run out; the posix-threads one cannot: its
# exception pool locks a winpthread mutex, which allocates on first use, and the throw
# recurses until the stack overflows. The win32 flavour has no std::thread, std::mutex or
# std::condition_variable: the tests start their threads through TestThread.h, and GoogleTest
# takes its Notification from tests/support/gtest-custom.
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
set(CMAKE_C_COMPILER ${TENVIK_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TENVIK_MINGW_TRIPLET}-g++-win32)
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
