# The built zemta-rule against the lock (check_rule.cmake), run as a user
# runs it: on the build's own machine, or for a cross build under
# CMAKE_CROSSCOMPILING_EMULATOR (ctest --preset aarch64, ctest --preset
# win64), with CR LF line ends on Windows. Labelled "full" like the
# program's own lock runs.
set(zemta_rule_lock_line_ends LF)
if(WIN32)
  set(zemta_rule_lock_line_ends CRLF)
endif()
set(zemta_rule_lock_program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zemta-rule>)
add_test(NAME lock.rule
  COMMAND ${CMAKE_COMMAND} "-DPROGRAM=${zemta_rule_lock_program}"
    -DLINE_ENDS=${zemta_rule_lock_line_ends}
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/lock.rule
    -P ${CMAKE_CURRENT_LIST_DIR}/check_rule.cmake)
set_tests_properties(lock.rule PROPERTIES LABELS full TIMEOUT 3600)
