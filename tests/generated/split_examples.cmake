# The README's sed lines and the manual page's example cut zemta's output
# as its one definition does, cmake/zemta_split_output.cmake: for each of a
# few orders, the files the commands write must be the definition's parts
# byte for byte (the manual page's raw file with the typedef that leads
# the definition's, the README's without it), and the README's three files
# put back together must be the whole output, as it says.
#
#   cmake -DZEMTA=<zemta> -DSOURCE_DIR=<source tree> -DWORK_DIR=<dir>
#         [-DSPLITTER=<command>] -P split_examples.cmake
#
# SPLITTER is another cutter held to the same definition, such as the web
# page's: run as <command> <output> <C file> <FORTRAN file> <raw file>, it
# must write the three parts, the raw list without a typedef.
cmake_minimum_required(VERSION 3.25)

set(orders 2 3 5 999)
set(typedef "typedef long double DBL;\n")

# The shell lines of the example, the line that runs zemta left out, in
# <var>; the files they write, in the order C, FORTRAN, raw, in <var>_files.
function(example_commands var text)
  string(REGEX REPLACE "(^|\n)[^\n]*zemta 20 > gq20.txt[^\n]*" "" text "${text}")
  string(REGEX REPLACE " +#[^\n']*" "" text "${text}")
  string(REGEX MATCHALL "> *[A-Za-z0-9_.]+" targets "${text}")
  list(TRANSFORM targets REPLACE "^> *" "")
  list(LENGTH targets count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "split_examples: not three files written by:\n${text}")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
  set(${var}_files "${targets}" PARENT_SCOPE)
endfunction()

# The README: the sh block that follows "Cut them apart with `sed`".
file(READ "${SOURCE_DIR}/README.md" readme)
if(NOT readme MATCHES "Cut them apart with `sed`:\n\n```sh\n([^`]*)```")
  message(FATAL_ERROR "split_examples: no sed block in README.md")
endif()
example_commands(readme "${CMAKE_MATCH_1}")

# The manual page: the first example, from its roff source.
file(READ "${SOURCE_DIR}/man/zemta.1.in" manual)
string(FIND "${manual}" "\n.SH EXAMPLES\n" at)
if(at GREATER -1)
  string(SUBSTRING "${manual}" ${at} -1 manual)
  string(FIND "${manual}" "\n.nf\n" from)
  string(FIND "${manual}" "\n.fi\n" to)
endif()
if(at EQUAL -1 OR from EQUAL -1 OR to LESS from)
  message(FATAL_ERROR "split_examples: no first example in man/zemta.1.in")
endif()
math(EXPR from "${from} + 5")
math(EXPR length "${to} + 1 - ${from}")
string(SUBSTRING "${manual}" ${from} ${length} manual)
string(REPLACE "\\(aq" "'" manual "${manual}")
string(REPLACE "\\-" "-" manual "${manual}")
string(REPLACE "\\e" "\\" manual "${manual}")
example_commands(manual "${manual}")

set(failures "")
foreach(n IN LISTS orders)
  set(dir "${WORK_DIR}/${n}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}/definition")
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DZEMTA_EXECUTABLE=${ZEMTA}"
      -DORDER=${n} -DC_FILE=${dir}/definition/c -DFORTRAN_FILE=${dir}/definition/f
      -DRAW_FILE=${dir}/definition/raw
      -P "${SOURCE_DIR}/cmake/zemta_split_output.cmake"
    RESULT_VARIABLE status)
  execute_process(COMMAND "${ZEMTA}" ${n} OUTPUT_FILE "${dir}/gq20.txt"
    ERROR_QUIET RESULT_VARIABLE zemta_status)
  if(NOT status EQUAL 0 OR NOT zemta_status EQUAL 0)
    message(FATAL_ERROR "split_examples: zemta ${n} or its split failed")
  endif()
  file(READ "${dir}/gq20.txt" output)
  file(READ "${dir}/definition/raw" raw)
  string(LENGTH "${typedef}" typedef_length)
  string(SUBSTRING "${raw}" 0 ${typedef_length} lead)
  if(NOT lead STREQUAL typedef)
    message(FATAL_ERROR "split_examples: the definition's raw file has no typedef")
  endif()
  string(SUBSTRING "${raw}" ${typedef_length} -1 raw_list)
  file(WRITE "${dir}/definition/raw_list" "${raw_list}")

  foreach(example IN ITEMS readme manual)
    execute_process(COMMAND sh -e -c "${${example}}" WORKING_DIRECTORY "${dir}"
      RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
      string(APPEND failures "\n  ${example}, order ${n}: the commands failed: ${errors}")
      continue()
    endif()
    set(expected c f raw_list)
    if(example STREQUAL "manual")
      set(expected c f raw)
    endif()
    foreach(file want IN ZIP_LISTS ${example}_files expected)
      execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
          "${dir}/${file}" "${dir}/definition/${want}"
        RESULT_VARIABLE differs)
      if(NOT differs EQUAL 0)
        string(APPEND failures "\n  ${example}, order ${n}: ${file} is not "
          "the definition's part ${want}")
      endif()
    endforeach()
  endforeach()

  if(DEFINED SPLITTER)
    execute_process(COMMAND ${SPLITTER} "${dir}/gq20.txt" "${dir}/splitter.c"
        "${dir}/splitter.f" "${dir}/splitter.raw"
      RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
      string(APPEND failures "\n  ${SPLITTER}, order ${n}: failed: ${errors}")
    else()
      set(splitter_parts c f raw)
      set(definition_parts c f raw_list)
      foreach(part want IN ZIP_LISTS splitter_parts definition_parts)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
            "${dir}/splitter.${part}" "${dir}/definition/${want}"
          RESULT_VARIABLE differs)
        if(NOT differs EQUAL 0)
          string(APPEND failures "\n  ${SPLITTER}, order ${n}: its ${part} "
            "part is not the definition's part ${want}")
        endif()
      endforeach()
    endif()
  endif()

  # The README's "put back together they are gq20.txt".
  set(whole "")
  foreach(file IN LISTS readme_files)
    file(READ "${dir}/${file}" part)
    string(APPEND whole "${part}")
  endforeach()
  if(NOT whole STREQUAL output)
    string(APPEND failures "\n  readme, order ${n}: its files put together "
      "are not the output")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "split_examples: the examples cut the output otherwise "
    "than cmake/zemta_split_output.cmake:${failures}")
endif()
set(cutters "the README and the manual page")
if(DEFINED SPLITTER)
  set(cutters "the README, the manual page and ${SPLITTER}")
endif()
message(STATUS "split_examples: ${cutters} cut orders ${orders} as the "
  "definition does")
