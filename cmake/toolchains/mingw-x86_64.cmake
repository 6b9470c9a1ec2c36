# Cross-compiles for 64-bit Windows with mingw-w64 (posix thread model, whose
# libstdc++ has the full C++20 <charconv>).
#
#   cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# ctest runs the program under Debian's 64-bit Wine (package wine64); Wine's
# settings (WINEPREFIX ...) come from the environment, as scripts/wine.sh
# sets them.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

# The project links the C++ runtime and winpthread in (-static) on any
# MinGW target, so the .exe needs only the system's DLLs.

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
