# The WebAssembly module's own test (ctest --preset wasm), beside the lock
# tests of tests/lock/program_tests.cmake: no fused or relaxed-SIMD
# instruction in either module (the program's and zemta-rule's). -ffp-contract=off keeps the compiler from
# fusing a*b+c, and relaxed SIMD's multiply-add may round once or twice
# depending on the machine that runs it. Included from the top-level
# CMakeLists.txt for the wasm preset.
# The disassembler is llvm-14's; the module builds without it, the test
# then fails and says so.
find_program(ZEMTA_LLVM_OBJDUMP NAMES llvm-objdump-14 llvm-objdump)
foreach(program IN ITEMS zemta zemta-rule)
  add_test(NAME wasm.no_fused_instructions.${program}
    COMMAND ${CMAKE_COMMAND} "-DOBJDUMP=${ZEMTA_LLVM_OBJDUMP}"
      -DMODULE=$<TARGET_FILE:${program}>
      -P ${CMAKE_CURRENT_LIST_DIR}/no_fused_instructions.cmake)
endforeach()
