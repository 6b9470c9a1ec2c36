# Runs zemta for one order and writes the parts of its output to separate
# files: the one definition of how the output is cut into its parts. Run by
# the build rule that zemta_generate() creates, and by the tests that
# compile the generated code (tests/generated) and that hold the README's
# and the manual page's sed lines to it (tests/generated/split_examples.cmake):
#
#   cmake -DZEMTA_EXECUTABLE=<zemta> -DORDER=<n> [-DC_FILE=<file>]
#         [-DFORTRAN_FILE=<file>] [-DRAW_FILE=<file>]
#         -P zemta_split_output.cmake
#
# zemta writes the C function, then the FORTRAN function from the line
# "      FUNCTION GQ<n>(F,A,B)" to the line "      END", then the raw list.
# The raw file is led by "typedef long double DBL;", so that it compiles on
# its own. Nothing is written unless zemta succeeds and its output has that
# shape.

cmake_minimum_required(VERSION 3.25)

execute_process(
  COMMAND "${ZEMTA_EXECUTABLE}" "${ORDER}"
  OUTPUT_VARIABLE text
  ERROR_VARIABLE diagnostics
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR
    "${ZEMTA_EXECUTABLE} ${ORDER} failed (${status}):\n${diagnostics}")
endif()

set(fortran_head "\n      FUNCTION GQ${ORDER}(F,A,B)\n")
set(fortran_tail "\n      END\n")
string(FIND "${text}" "${fortran_head}" head_at)
string(FIND "${text}" "${fortran_tail}" tail_at)
if(head_at EQUAL -1 OR tail_at LESS head_at)
  message(FATAL_ERROR
    "${ZEMTA_EXECUTABLE} ${ORDER}: no FORTRAN function in the output")
endif()

# Each part keeps its final line end; the blank line that follows the
# FORTRAN function opens the raw list.
math(EXPR fortran_at "${head_at} + 1")
string(LENGTH "${fortran_tail}" tail_length)
math(EXPR raw_at "${tail_at} + ${tail_length}")
math(EXPR fortran_length "${raw_at} - ${fortran_at}")
string(SUBSTRING "${text}" 0 ${fortran_at} c_part)
string(SUBSTRING "${text}" ${fortran_at} ${fortran_length} fortran_part)
string(SUBSTRING "${text}" ${raw_at} -1 raw_part)

if(DEFINED C_FILE)
  file(WRITE "${C_FILE}" "${c_part}")
endif()
if(DEFINED FORTRAN_FILE)
  file(WRITE "${FORTRAN_FILE}" "${fortran_part}")
endif()
if(DEFINED RAW_FILE)
  file(WRITE "${RAW_FILE}" "typedef long double DBL;\n${raw_part}")
endif()
