# Runs a build of the program for every order and every usage error and
# compares both of its streams, byte for byte, with the locked digests:
# output_digests.txt (every order from 2 to 999: the SHA-256 of standard
# output and of standard error, and exit status 0) and usage_digests.txt
# (each case below: its exit status and the same two digests). Every
# platform is checked with this script: the native program in the dev
# suite, the AArch64 and 64-bit Windows programs through CTest under their
# emulators, the 32-bit Windows program in the emulated machine, the
# WebAssembly module under Node, and the other compilers' builds in
# scripts/check-reproducible.
#
#   cmake -DPROGRAM=<command>[;<argument>...] [-DLINE_ENDS=CRLF]
#         [-DORDERS=all|none|<n>;<n>...|<k>/<m>] [-DCASES=ON|OFF]
#         [-DFAILED_WRITE=ON|OFF] [-DWORK_DIR=<dir>] [-DRUNNER=<command>]
#         [-DRUNS=<dir>] [-DWRITE=ON] -P check_program.cmake
#
# PROGRAM is the program with whatever runs it (qemu-aarch64 -L ..., wine,
# node ...). With LINE_ENDS=CRLF, as on Windows, where both streams are text
# streams, every line must end in CR LF and nothing else differ: each
# stream, its line ends made LF, must have the locked digest and no line
# end may lack its CR. WRITE=ON writes the two digest files from PROGRAM
# instead of comparing (tests/lock/regenerate). ORDERS=<k>/<m> takes every
# m-th order from the k-th on (k from 0), for m shards or machines that
# share them. FAILED_WRITE=OFF leaves out the case full-output, for the
# WebAssembly module: its streams go to the page's memory, where no write
# fails. RUNNER runs every order in one process: given a folder and the
# orders, it writes each run's streams and exit status to <n>.out, <n>.err
# and <n>.status there (tests/wasm/run_module.mjs --runs, or on Windows
# zemta-order-runner, tests/lock/order_runner.cpp); the usage errors, and
# with them the least and the greatest order, still run through PROGRAM.
# Without it (or empty), each order runs through PROGRAM. With RUNS, the
# orders are not run but read from such files, and no usage error runs.
#
# The streams go to files, not pipes: Wine's helper processes inherit the
# streams and outlive the program, so a pipe would never reach its end.
#
# On a loaded machine Wine now and then fails to start a process: it exits
# non-zero before the program has written its banner. Such a run, and only
# such a run, is tried again, at most twice, and reported.
cmake_minimum_required(VERSION 3.25)

set(lock_dir "${CMAKE_CURRENT_LIST_DIR}")
if(NOT DEFINED PROGRAM AND NOT DEFINED RUNS)
  message(FATAL_ERROR "usage: cmake -DPROGRAM=<command> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
include("${lock_dir}/../../cmake/zemta_order_range.cmake")
if(NOT DEFINED ORDERS OR ORDERS STREQUAL "all")
  set(ORDERS "")
  foreach(n RANGE ${ZEMTA_MIN_ORDER} ${ZEMTA_MAX_ORDER})
    list(APPEND ORDERS ${n})
  endforeach()
elseif(ORDERS MATCHES "^([0-9]+)/([0-9]+)$")
  math(EXPR first "${ZEMTA_MIN_ORDER} + ${CMAKE_MATCH_1}")
  set(step ${CMAKE_MATCH_2})
  set(ORDERS "")
  if(first LESS_EQUAL ZEMTA_MAX_ORDER)
    foreach(n RANGE ${first} ${ZEMTA_MAX_ORDER} ${step})
      list(APPEND ORDERS ${n})
    endforeach()
  endif()
elseif(ORDERS STREQUAL "none")
  set(ORDERS "")
endif()
if(NOT DEFINED LINE_ENDS)
  set(LINE_ENDS LF)
endif()
if(NOT DEFINED CASES)
  set(CASES ON)
endif()
if(NOT DEFINED WORK_DIR)
  string(RANDOM LENGTH 8 tag)
  set(WORK_DIR "/tmp/zemta-check-${tag}")
  set(remove_work_dir ON)
endif()
file(MAKE_DIRECTORY "${WORK_DIR}")

# The usage errors and a failed write: <name>|<arguments>|<standard output>.
# The orders just outside the range are below-range and above-range.
# Standard output of full-output is /dev/full: the program must report the
# failed write (fatal error 470) and exit 1.
math(EXPR below_range "${ZEMTA_MIN_ORDER} - 1")
math(EXPR above_range "${ZEMTA_MAX_ORDER} + 1")
set(cases
  "no-argument||"
  "two-arguments|20:30|"
  "not-a-number|abc|"
  "below-range|${below_range}|"
  "above-range|${above_range}|"
  "full-output|20|/dev/full")

include("${lock_dir}/streams.cmake")

# The locked lines: "<key> <field>..." for every line not a comment.
function(read_lock var file)
  file(STRINGS "${file}" lines REGEX "^[^#]")
  foreach(line IN LISTS lines)
    string(REPLACE " " ";" fields "${line}")
    list(POP_FRONT fields key)
    set(${var}_${key} "${fields}" PARENT_SCOPE)
  endforeach()
endfunction()

set(failures 0)
set(reported "")
function(differs what got want)
  math(EXPR n "${failures} + 1")
  set(failures ${n} PARENT_SCOPE)
  if(n LESS_EQUAL 20)
    message("check_program: ${what}: got ${got}, want ${want}")
  endif()
endfunction()

if(WRITE)
  set(order_table "# order, SHA-256 of standard output, SHA-256 of standard error\n")
  string(APPEND order_table "# Written by tests/lock/regenerate; read its header before changing.\n")
  set(case_table "# usage error, exit status, SHA-256 of standard output (- for /dev/full), SHA-256 of standard error\n")
  string(APPEND case_table "# Written by tests/lock/regenerate; the cases are in check_program.cmake.\n")
else()
  read_lock(order "${lock_dir}/output_digests.txt")
  read_lock(case "${lock_dir}/usage_digests.txt")
endif()

if(RUNNER)
  set(RUNS "${WORK_DIR}/runs")
  file(REMOVE_RECURSE "${RUNS}")
  file(MAKE_DIRECTORY "${RUNS}")
  if(ORDERS)
    # Its streams to files too, as Wine's helpers would hold a pipe open.
    execute_process(COMMAND ${RUNNER} "${RUNS}" ${ORDERS} RESULT_VARIABLE status
      OUTPUT_FILE "${WORK_DIR}/runner.out" ERROR_FILE "${WORK_DIR}/runner.err")
    if(NOT status STREQUAL "0")
      file(READ "${WORK_DIR}/runner.err" runner_err)
      message(FATAL_ERROR "check_program: ${RUNNER} failed (${status}):\n${runner_err}")
    endif()
  endif()
endif()
foreach(n IN LISTS ORDERS)
  run(got "${n}" "")
  set(got "${got_status};${got_out};${got_err}")
  if(WRITE)
    if(NOT got_status STREQUAL "0")
      message(FATAL_ERROR "check_program: order ${n} exited ${got_status}")
    endif()
    string(APPEND order_table "${n} ${got_out} ${got_err}\n")
  elseif(NOT got STREQUAL "0;${order_${n}}")
    differs("order ${n} (status;stdout;stderr)" "${got}" "0;${order_${n}}")
  endif()
endforeach()

if(RUNNER)
  file(REMOVE_RECURSE "${RUNS}")
  unset(RUNS)
  # The runner's process is not the program's: with the usage errors, the
  # least and the greatest order run through PROGRAM too.
  if(CASES AND NOT WRITE)
    foreach(n IN ITEMS ${ZEMTA_MIN_ORDER} ${ZEMTA_MAX_ORDER})
      run(got "${n}" "")
      set(got "${got_status};${got_out};${got_err}")
      if(NOT got STREQUAL "0;${order_${n}}")
        differs("order ${n} through ${PROGRAM} (status;stdout;stderr)" "${got}" "0;${order_${n}}")
      endif()
    endforeach()
  endif()
endif()
if(CASES AND NOT DEFINED RUNS)
  foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 name)
    list(GET fields 1 args)
    list(GET fields 2 output)
    if(name STREQUAL "full-output" AND DEFINED FAILED_WRITE AND NOT FAILED_WRITE)
      continue()
    endif()
    string(REPLACE ":" ";" args "${args}")
    run(got "${args}" "${output}")
    set(got "${got_status};${got_out};${got_err}")
    if(WRITE)
      string(APPEND case_table "${name} ${got_status} ${got_out} ${got_err}\n")
    elseif(NOT got STREQUAL "${case_${name}}")
      differs("usage error ${name} (status;stdout;stderr)" "${got}" "${case_${name}}")
    endif()
  endforeach()
endif()

if(remove_work_dir)
  file(REMOVE_RECURSE "${WORK_DIR}")
endif()
if(WRITE)
  file(WRITE "${lock_dir}/output_digests.txt" "${order_table}")
  file(WRITE "${lock_dir}/usage_digests.txt" "${case_table}")
  return()
endif()
list(LENGTH ORDERS orders)
if(DEFINED RUNS)
  set(PROGRAM "the runs in ${RUNS}")
endif()
if(failures GREATER 0)
  message(FATAL_ERROR "check_program: ${PROGRAM}: ${failures} runs differ "
    "from the lock (${LINE_ENDS} line ends; the first 20 are listed above)")
endif()
if(CASES AND NOT DEFINED RUNS)
  message(STATUS "check_program: ${PROGRAM}: ${orders} orders and the usage errors as locked")
else()
  message(STATUS "check_program: ${PROGRAM}: ${orders} orders as locked")
endif()
