# Builds the consumer project against the installed package: the rule is
# generated during the build, the three programs (the C function with the
# raw list, the FORTRAN function, and zemta_generate_rule()'s table)
# integrate exp to within 1e-15, the table with RULE legendre is the same,
# a second build leaves the generated files alone, and a new order
# regenerates them.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

set(build "${WORK_DIR}/build")
set(generated rule.c rule_raw.c rule.f rule_table.h rule_named.h)
set(generation_message "zemta: generating the")
file(REMOVE_RECURSE "${WORK_DIR}")

function(configure order)
  run_checked("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${build}"
              -G "${GENERATOR}" -DCMAKE_BUILD_TYPE=Release
              "-DCMAKE_PREFIX_PATH=${ROOT}" -DGQ_ORDER=${order})
endfunction()

# Builds and leaves the build's output in build_output.
function(build)
  run_checked("${CMAKE_COMMAND}" --build "${build}")
  set(build_output "${run_output}" PARENT_SCOPE)
endfunction()

function(expect_integrals order)
  foreach(program IN ITEMS integrate_c integrate_fortran integrate_table)
    execute_process(COMMAND "${build}/${program}"
      OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT out MATCHES "GQ${order} ")
      message(FATAL_ERROR
        "${program} (order ${order}) status ${status}, expected GQ${order} "
        "and e - 1 within 1e-15:\n${out}")
    endif()
    message(STATUS "${out}")
  endforeach()
endfunction()

function(expect_start file start)
  file(READ "${build}/${file}" content)
  string(FIND "${content}" "${start}" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "${file} does not start with \"${start}\":\n${content}")
  endif()
endfunction()

function(file_times out_var)
  set(times "")
  foreach(file IN LISTS generated)
    file(TIMESTAMP "${build}/${file}" time "%Y-%m-%d %H:%M:%S.%f")
    list(APPEND times "${time}")
  endforeach()
  set(${out_var} "${times}" PARENT_SCOPE)
endfunction()

# --- First build: generated, compiled, right --------------------------------
configure(20)
build()
string(FIND "${build_output}" "${generation_message}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the first build generated nothing:\n${build_output}")
endif()
expect_start(rule.c "#include <float.h>\n")
expect_start(rule.f "      FUNCTION GQ20(F,A,B)\n")
expect_start(rule_raw.c "typedef long double DBL;\n\nDBL A20[20]=")
expect_start(rule_table.h "/* Gauss-Legendre rule of order 20 on [0.0, 1.0]")
expect_integrals(20)
file(READ "${build}/rule_table.h" default_table)
file(READ "${build}/rule_named.h" named_table)
if(NOT named_table STREQUAL default_table)
  message(FATAL_ERROR "RULE legendre wrote another table than the default:\n"
                      "${named_table}")
endif()
file_times(times_before)

# --- A build without changes regenerates nothing ----------------------------
build()
file_times(times_after)
string(FIND "${build_output}" "${generation_message}" at)
if(at GREATER -1 OR NOT times_before STREQUAL times_after)
  message(FATAL_ERROR "a build without changes regenerated the rule:\n"
                      "${build_output}")
endif()

# --- Nor does a re-configure with the same order ----------------------------
configure(20)
build()
string(FIND "${build_output}" "${generation_message}" at)
if(at GREATER -1)
  message(FATAL_ERROR "re-configuring with the same order regenerated the "
                      "rule:\n${build_output}")
endif()

# --- A new order regenerates ------------------------------------------------
configure(12)
build()
string(FIND "${build_output}" "${generation_message}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "changing ORDER regenerated nothing:\n${build_output}")
endif()
expect_integrals(12)
