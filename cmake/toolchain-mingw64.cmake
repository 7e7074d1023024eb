# Cross-compiles for 64-bit Windows with mingw-w64. The posix thread model is required: the win32
# variant has no std::mutex, which googletest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# The dependency prefix is handed in by the scripts; it holds FreeType, libjpeg-turbo, libpng,
# libtiff and googletest, built static with this same file.
set(VV_DEPS_PREFIX "" CACHE PATH "Windows dependency prefix")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VV_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
