# Compiles the program to WebAssembly for WASI (preview 1) with clang and the
# Debian WASI sysroot (wasi-libc, libc++-dev-wasm32, libc++abi-14-dev-wasm32,
# libclang-rt-14-dev-wasm32 and lld-14). The module runs under Node or in a
# web page through web/wasi.js:
#
#   cmake --preset wasm && cmake --build --preset wasm
#
# Debian installs the sysroot in the multiarch directories under /usr
# (/usr/include/wasm32-wasi, /usr/lib/wasm32-wasi), where clang looks for
# the wasm32-wasi target by default, so no --sysroot is given.
# CMake 3.25 has no platform file for WASI; the module is a program for no
# operating system as far as CMake knows.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# wasi-libc has no C++ exception runtime; the program throws none.
# -msimd128: the fixed-width SIMD of WebAssembly 2.0 (Chrome 91, Firefox 89,
# Safari 16.4), whose f64x2 operations round each lane as the scalar ones
# do; it halves the time of the lane kernel. Relaxed SIMD, whose fused
# multiply-add may round once or twice depending on the machine, stays off;
# a test checks the module for it (tests/wasm/module_tests.cmake).
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -msimd128")
# The sysroot's libraries carry debug sections the module does not need,
# and the functions' names (the "name" section, 5 KB of each module) serve
# only a debugger: the page carries two modules and has to stay small.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--strip-all")
# ctest runs the module under Node through web/wasi.js, as the page runs it
# (ctest --preset wasm: the lock, tests/lock/program_tests.cmake).
set(CMAKE_CROSSCOMPILING_EMULATOR node
  ${CMAKE_CURRENT_LIST_DIR}/../../tests/wasm/run_module.mjs)
# A test program linked by CMake's checks would need a WASI runner.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/lib/wasm32-wasi /usr/include/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
