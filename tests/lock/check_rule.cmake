# Runs a build of zemta-rule for a sample of its texts and faults and
# compares both of its streams, byte for byte, and its exit status with
# rule_digests.txt. Every order here, in every format, plus --hex, --half
# and --interval cases and the faults below; the texts rest on the
# correctly rounded rule, so one digest covers the engine's bits and the
# formats' characters together. Run as check_program.cmake is (the same
# PROGRAM, LINE_ENDS, WORK_DIR and WRITE; FAILED_WRITE=OFF leaves out the
# case full-output):
#
#   cmake -DPROGRAM=<command>[;<argument>...] [-DLINE_ENDS=CRLF]
#         [-DFAILED_WRITE=ON|OFF] [-DWORK_DIR=<dir>] [-DWRITE=ON]
#         -P check_rule.cmake
cmake_minimum_required(VERSION 3.25)

set(lock_dir "${CMAKE_CURRENT_LIST_DIR}")
if(NOT DEFINED PROGRAM)
  message(FATAL_ERROR "usage: cmake -DPROGRAM=<command> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT DEFINED LINE_ENDS)
  set(LINE_ENDS LF)
endif()
if(NOT DEFINED WORK_DIR)
  string(RANDOM LENGTH 8 tag)
  set(WORK_DIR "/tmp/zemta-check-rule-${tag}")
  set(remove_work_dir ON)
endif()
file(MAKE_DIRECTORY "${WORK_DIR}")
include("${lock_dir}/streams.cmake")
include("${lock_dir}/../../cmake/zemta_rule_formats.cmake")

# <name>|<arguments, ":" between them>|<standard output, empty for a file>
set(cases "")
foreach(format IN LISTS ZEMTA_RULE_FORMATS)
  foreach(n IN ITEMS 2 7 20 999)
    list(APPEND cases "${format}-${n}|${n}:--format:${format}|")
  endforeach()
endforeach()
list(APPEND cases
  "csv-hex-999|999:--hex|"
  "c-hex-20|20:--format:c:--hex|"
  "cpp-hex-half-7|7:--format:cpp:--hex:--half|"
  "numpy-hex-7|7:--format:numpy:--hex|"
  "julia-hex-999|--hex:999:--format:julia|"
  "csv-half-999|999:--half|"
  "fortran-half-7|7:--format:fortran:--half|"
  "fortran-33|33:--format:fortran|"
  "fortran-interval-999|999:--format:fortran:--interval:1e-300:3e-300|"
  "c-interval-20|20:--format:c:--interval:0:1|"
  "csv-interval-999|999:--interval:-2.5:0x1p-3|"
  "json-interval-half-7|7:--format:json:--interval:1e-3:1e3:--half|"
  "matlab-interval-hexless-20|20:--interval:-1e-300:1e300:--format:matlab|"
  "c-function-half-7|7:--format:c-function:--half|"
  "c-function-interval-half-20|20:--format:c-function:--interval:-2.5:0x1p-3:--half|"
  "help|--help|"
  "gnu-forms-7|--format=numpy:--:7|"
  "interval-as-typed-20|20:--interval:+.5:0X1P1|"
  "narrow-warning-999|999:--interval:1:0x1.0000000001p0|"
  "underflow|20:--interval:0:1e-400|"
  "overflow|20:--interval:-0x1p1024:0|"
  "ends-one-double|20:--interval:1:1.00000000000000001|"
  "end-is-an-option|20:--interval:--help:1|"
  "no-argument||"
  "not-a-number|abc|"
  "order-1000|1000|"
  "unknown-format|20:--format:pyhton|"
  "reversed|20:--interval:1:0|"
  "hex-rust|20:--format:rust:--hex|"
  "full-output|999:--format:c|/dev/full")

set(failures 0)
set(count 0)
if(WRITE)
  set(table "# case, exit status, SHA-256 of standard output (- for /dev/full), SHA-256 of standard error\n")
  string(APPEND table "# Written by tests/lock/regenerate; the cases are in check_rule.cmake.\n")
else()
  file(STRINGS "${lock_dir}/rule_digests.txt" lines REGEX "^[^#]")
  foreach(line IN LISTS lines)
    string(REPLACE " " ";" fields "${line}")
    list(POP_FRONT fields key)
    set(locked_${key} "${fields}")
  endforeach()
endif()

foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 args)
  list(GET fields 2 output)
  if(name STREQUAL "full-output" AND DEFINED FAILED_WRITE AND NOT FAILED_WRITE)
    continue()
  endif()
  string(REPLACE ":" ";" args "${args}")
  math(EXPR count "${count} + 1")
  run(got "${args}" "${output}")
  set(got "${got_status};${got_out};${got_err}")
  if(WRITE)
    string(APPEND table "${name} ${got_status} ${got_out} ${got_err}\n")
  elseif(NOT got STREQUAL "${locked_${name}}")
    math(EXPR failures "${failures} + 1")
    message("check_rule: ${name} (status;stdout;stderr): got ${got}, want ${locked_${name}}")
  endif()
endforeach()

if(remove_work_dir)
  file(REMOVE_RECURSE "${WORK_DIR}")
endif()
if(WRITE)
  file(WRITE "${lock_dir}/rule_digests.txt" "${table}")
  return()
endif()
if(failures GREATER 0)
  message(FATAL_ERROR "check_rule: ${PROGRAM}: ${failures} of ${count} "
    "cases differ from the lock (${LINE_ENDS} line ends)")
endif()
message(STATUS "check_rule: ${PROGRAM}: ${count} cases as locked")
