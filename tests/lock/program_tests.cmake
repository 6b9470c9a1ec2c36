# The built program against the lock (check_program.cmake), run as a user
# runs it: on the build's own machine, or for a cross build under
# CMAKE_CROSSCOMPILING_EMULATOR (ctest --preset aarch64, ctest --preset
# win64). A Windows program writes CR LF line ends. The orders are split into
# interleaved shards, so that ctest can run them side by side; the first also
# runs the usage errors. Labelled "full": the sanitizer suite leaves them to
# the in-process lock test.
set(zemta_lock_program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zemta>)
set(zemta_lock_line_ends LF)
if(WIN32)
  set(zemta_lock_line_ends CRLF)
endif()

foreach(shard RANGE 0 3)
  set(orders "")
  math(EXPR first "2 + ${shard}")
  foreach(n RANGE ${first} 999 4)
    list(APPEND orders ${n})
  endforeach()
  set(cases OFF)
  if(shard EQUAL 0)
    set(cases ON)
  endif()
  add_test(NAME lock.program.${shard}
    COMMAND ${CMAKE_COMMAND} "-DPROGRAM=${zemta_lock_program}"
      -DLINE_ENDS=${zemta_lock_line_ends} "-DORDERS=${orders}" -DCASES=${cases}
      -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/lock.program.${shard}
      -P ${CMAKE_CURRENT_LIST_DIR}/check_program.cmake)
  # Under an emulator on a loaded machine a shard can take many minutes.
  set_tests_properties(lock.program.${shard} PROPERTIES LABELS full TIMEOUT 3600)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/rule_tests.cmake)
