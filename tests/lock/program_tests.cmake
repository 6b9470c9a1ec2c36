# The built program against the lock (check_program.cmake), run as a user
# runs it: on the build's own machine, or for a cross build under
# CMAKE_CROSSCOMPILING_EMULATOR (ctest --preset aarch64, win64 or wasm). A
# Windows program writes CR LF line ends. The orders are split into
# interleaved shards, so that ctest can run them side by side; the first also
# runs the usage errors. Labelled "full": the sanitizer suite and the quick
# path leave them to the in-process lock test.
#
# The WebAssembly module runs under Node through web/wasi.js, as the page
# runs it (tests/wasm/run_module.mjs, the wasm preset's emulator), each
# shard's orders in one Node process: a process per run would start Node
# and compile the module each time, which costs far more than the run. Its
# streams go to memory, where no write fails, so the case of a failed write
# is left out. The Windows programs, under Wine, run their orders the same
# way, in zemta-order-runner.
set(zemta_lock_program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zemta>)
set(zemta_lock_line_ends LF)
set(zemta_lock_failed_write ON)
set(zemta_lock_runner "")
if(WIN32)
  set(zemta_lock_line_ends CRLF)
  # Under Wine a process starts slowly: the orders run in one process of
  # zemta-order-runner (tests/lock/order_runner.cpp), which must be built.
  set(zemta_lock_runner ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zemta-order-runner>)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "wasm32")
  set(zemta_lock_failed_write OFF)
  set(zemta_lock_runner ${CMAKE_CROSSCOMPILING_EMULATOR} --runs $<TARGET_FILE:zemta>)
endif()

set(zemta_lock_shards 4)
math(EXPR last_shard "${zemta_lock_shards} - 1")
foreach(shard RANGE ${last_shard})
  set(cases OFF)
  if(shard EQUAL 0)
    set(cases ON)
  endif()
  add_test(NAME lock.program.${shard}
    COMMAND ${CMAKE_COMMAND} "-DPROGRAM=${zemta_lock_program}"
      -DLINE_ENDS=${zemta_lock_line_ends}
      -DFAILED_WRITE=${zemta_lock_failed_write}
      "-DRUNNER=${zemta_lock_runner}" -DORDERS=${shard}/${zemta_lock_shards}
      -DCASES=${cases} -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/lock.program.${shard}
      -P ${CMAKE_CURRENT_LIST_DIR}/check_program.cmake)
  # Under an emulator on a loaded machine a shard can take many minutes.
  set_tests_properties(lock.program.${shard} PROPERTIES LABELS full TIMEOUT 3600)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/rule_tests.cmake)
