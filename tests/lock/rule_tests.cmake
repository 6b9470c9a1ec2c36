# The built zemta-rule against the lock (check_rule.cmake), run as a user
# runs it: on the build's own machine, or for a cross build under
# CMAKE_CROSSCOMPILING_EMULATOR (ctest --preset aarch64, ctest --preset
# win64, ctest --preset wasm), with CR LF line ends on Windows. The
# WebAssembly module's streams go to memory, where no write fails, so there
# the case of a failed write is left out. Labelled "full" like the
# program's own lock runs.
set(zemta_rule_lock_line_ends LF)
set(zemta_rule_lock_failed_write ON)
if(WIN32)
  set(zemta_rule_lock_line_ends CRLF)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
  set(zemta_rule_lock_failed_write OFF)
endif()
set(zemta_rule_lock_program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zemta-rule>)
add_test(NAME lock.rule
  COMMAND ${CMAKE_COMMAND} "-DPROGRAM=${zemta_rule_lock_program}"
    -DLINE_ENDS=${zemta_rule_lock_line_ends}
    -DFAILED_WRITE=${zemta_rule_lock_failed_write}
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/lock.rule
    -P ${CMAKE_CURRENT_LIST_DIR}/check_rule.cmake)
set_tests_properties(lock.rule PROPERTIES LABELS full TIMEOUT 3600)
