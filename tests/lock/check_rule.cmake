# Runs a build of zemta-rule for a sample of its texts and faults and
# compares both of its streams, byte for byte, and its exit status with
# rule_digests.txt. Every order here, in every format, plus --hex, --half
# and --interval cases and the faults below, then --rule: each family at a
# few orders, with its parameters and options, and their faults; the texts rest on the
# correctly rounded rule, so one digest covers the engine's bits and the
# formats' characters together.
#
#   cmake -DPROGRAM=<command>[;<argument>...] [-DLINE_ENDS=CRLF]
#         [-DFAILED_WRITE=ON|OFF] [-DWORK_DIR=<dir>] [-DWRITE=ON]
#         [-DSHARD=<k>/<m>] -P check_rule.cmake
#
# PROGRAM is zemta-rule with whatever runs it; LINE_ENDS=CRLF, as on
# Windows, asks for CR LF line ends on both streams and compares them made
# LF; FAILED_WRITE=OFF leaves out the case full-output; WORK_DIR is where
# the streams go (a folder of its own under /tmp, removed after, unless
# given); WRITE=ON writes rule_digests.txt instead of comparing. These five
# mean what they mean to check_program.cmake; its other options (ORDERS,
# CASES, RUNNER, RUNS) have no use here: every case runs through PROGRAM.
# SHARD=<k>/<m> (not with WRITE) runs every m-th case from the k-th (k from
# 0) for m machines that share them.
cmake_minimum_required(VERSION 3.25)

set(lock_dir "${CMAKE_CURRENT_LIST_DIR}")
# streams.cmake would read the runs from RUNS instead of running PROGRAM.
unset(RUNS)
unset(RUNS CACHE)
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
include("${lock_dir}/../../cmake/zemta_order_range.cmake")
include("${lock_dir}/../../cmake/zemta_rule_families.cmake")

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

# --rule: Gauss-Legendre named (the same bytes as csv-20 and c-7), and the
# faults of the family options, which are found before the family is
# computed.
list(APPEND cases
  "rule-legendre-20|20:--rule:legendre|"
  "rule-legendre-gnu-forms-7|--rule=legendre:7:--format=c|"
  "rule-unknown|20:--rule:gauss|"
  "rule-order-lobatto-1|1:--rule:lobatto|"
  "rule-alpha-legendre|5:--alpha:0.5|"
  "rule-beta-laguerre|5:--rule:laguerre:--beta:1|"
  "rule-alpha-not-above|5:--rule:jacobi:--alpha:-1|"
  "rule-beta-overflows|5:--rule:jacobi:--beta=0x1p1024|"
  "rule-scaled-chebyshev1|5:--rule:chebyshev1:--scaled|"
  "rule-interval-hermite|5:--rule:hermite:--interval:0:1|"
  "rule-interval-laguerre|5:--rule:laguerre:--interval:0:1|"
  "rule-half-radau|5:--rule:radau:--half|"
  "rule-half-jacobi-asymmetric|5:--rule:jacobi:--alpha:0.5:--half|")

# The families beside Gauss-Legendre: each at its least order, 7, 20 and
# 999, and in C at 7.
foreach(family IN LISTS ZEMTA_RULE_FAMILIES)
  if(family STREQUAL "legendre")
    continue()
  endif()
  list(FIND ZEMTA_RULE_FAMILIES ${family} index)
  list(GET ZEMTA_RULE_LEAST_ORDERS ${index} least)
  foreach(n IN ITEMS ${least} 7 20 999)
    list(APPEND cases "${family}-${n}|${n}:--rule:${family}|")
  endforeach()
  list(APPEND cases "${family}-c-7|7:--rule:${family}:--format:c|")
endforeach()
foreach(format IN LISTS ZEMTA_RULE_FORMATS)
  list(APPEND cases "kronrod-${format}-20|20:--rule:kronrod:--format:${format}|")
endforeach()
list(APPEND cases
  "kronrod-half-7|7:--rule:kronrod:--half:--format:json|"
  "kronrod-interval-20|20:--rule:kronrod:--interval:0:1:--format:fortran|"
  "lobatto-interval-7|7:--rule:lobatto:--interval:-2.5:0x1p-3:--format:numpy|"
  "lobatto-narrow-999|999:--rule:lobatto:--interval:1:0x1.0000000001p0|"
  "radau-right-interval-hex-20|20:--rule:radau-right:--interval:0:1:--hex|"
  "chebyshev1-interval-half-7|7:--rule:chebyshev1:--interval:0:2:--half:--format:fortran|"
  "chebyshev2-half-hex-20|20:--rule:chebyshev2:--half:--hex:--format:cpp|"
  "hermite-scaled-100|100:--rule:hermite:--scaled:--format:numpy|"
  "hermite-half-hex-20|20:--rule:hermite:--half:--hex|"
  "hermite-prob-scaled-half-7|7:--rule=hermite-prob:--scaled:--half:--format:rust|"
  "laguerre-alpha-20|20:--rule:laguerre:--alpha:-0.5|"
  "laguerre-scaled-999|999:--rule:laguerre:--scaled:--format:js|"
  "laguerre-alpha-scaled-7|7:--rule:laguerre:--alpha=2.5:--scaled:--format:matlab|"
  "jacobi-alpha-beta-20|20:--rule:jacobi:--alpha:0.5:--beta:-0.5|"
  "jacobi-chebyshev3-7|7:--rule:jacobi:--alpha:-0.5:--beta:0.5:--format:julia|"
  "jacobi-gegenbauer-half-7|7:--rule:jacobi:--alpha:0.25:--beta:0.25:--half:--format:c|"
  "jacobi-extreme-20|20:--rule:jacobi:--alpha:-0.999:--beta:10:--format:json|"
  "jacobi-interval-hex-7|7:--rule:jacobi:--alpha:0x1p-1:--beta:0:--interval:0:1:--hex:--format:c|")

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

set(shard_first 0)
set(shard_step 1)
if(DEFINED SHARD AND NOT WRITE)
  if(NOT SHARD MATCHES "^([0-9]+)/([0-9]+)$" OR CMAKE_MATCH_2 EQUAL 0)
    message(FATAL_ERROR "check_rule: SHARD must be <k>/<m>, not ${SHARD}")
  endif()
  set(shard_first ${CMAKE_MATCH_1})
  set(shard_step ${CMAKE_MATCH_2})
endif()
set(index -1)
foreach(case IN LISTS cases)
  math(EXPR index "${index} + 1")
  math(EXPR in_shard "${index} % ${shard_step} - ${shard_first}")
  if(NOT in_shard EQUAL 0)
    continue()
  endif()
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
