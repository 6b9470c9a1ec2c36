# Fails when the module MODULE holds a fused or relaxed-SIMD instruction,
# or is compiled for relaxed SIMD (tests/wasm/module_tests.cmake):
#
#   cmake -DOBJDUMP=llvm-objdump-14 -DMODULE=<zemta.wasm> -P no_fused_instructions.cmake
#
# The disassembler names relaxed SIMD "relaxed_*" and its multiply-adds
# f32x4.fma, f64x2.fms and so on, and an instruction it does not know
# "<unknown>"; the features section lists what the module was compiled to
# use.
if(NOT OBJDUMP OR NOT EXISTS "${OBJDUMP}")
  message(FATAL_ERROR "no llvm-objdump (Debian package llvm-14) to read ${MODULE}")
endif()
execute_process(COMMAND "${OBJDUMP}" -d "${MODULE}"
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status STREQUAL "0" OR listing STREQUAL "")
  message(FATAL_ERROR "${OBJDUMP} -d ${MODULE} failed (${status})")
endif()
string(TOLOWER "${listing}" listing)
string(REGEX MATCHALL
  "\\.(relaxed_[a-z_]*|fm[as]|n?madd)([^a-z0-9_]|$)|<unknown>" fused "${listing}")
list(LENGTH fused count)
if(count GREATER 0)
  list(TRANSFORM fused REPLACE "[^a-z0-9_.<>]+$" "")
  list(REMOVE_DUPLICATES fused)
  list(JOIN fused ", " names)
  message(FATAL_ERROR "${MODULE} has ${count} fused or relaxed-SIMD "
    "instructions: ${names}")
endif()
file(STRINGS "${MODULE}" features REGEX "relaxed-simd")
if(features)
  message(FATAL_ERROR "${MODULE} is compiled for relaxed SIMD")
endif()
message(STATUS "${MODULE}: no fused or relaxed-SIMD instruction")
