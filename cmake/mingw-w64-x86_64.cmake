# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DSF_BUILD_TESTS=OFF
# What it builds runs on Windows and under Wine, for testing. It follows MinGW's C++ ABI, not
# Microsoft's: a DLL built this way must not be handed to the real host (see README.md).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SF_MINGW_TRIPLET x86_64-w64-mingw32)
# The "posix" flavour of the compiler (its threads come from winpthreads, linked statically).
set(CMAKE_C_COMPILER ${SF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SF_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW tree only, never from the build machine's
# /usr/include or /usr/lib; programs (the build tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${SF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
