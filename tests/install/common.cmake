# Helpers shared by the install test scripts.

cmake_minimum_required(VERSION 3.25)

# Runs a command and stops the test with its output if it fails. The output
# is left in run_output.
macro(run_checked)
  execute_process(COMMAND ${ARGN}
    OUTPUT_VARIABLE run_output ERROR_VARIABLE run_output
    RESULT_VARIABLE run_status)
  if(NOT run_status EQUAL 0)
    string(REPLACE ";" " " run_command "${ARGN}")
    message(FATAL_ERROR
      "${run_command}\nfailed (${run_status}):\n${run_output}")
  endif()
endmacro()

# Runs `<zemta> 5` and checks that it succeeds and writes the C function
# first.
function(expect_rule_output zemta)
  execute_process(COMMAND "${zemta}" 5
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  string(FIND "${out}" "#include <float.h>\n" at)
  if(NOT status EQUAL 0 OR NOT at EQUAL 0)
    message(FATAL_ERROR
      "${zemta} 5 gave status ${status}, output starting\n"
      "${out}\nstandard error:\n${err}")
  endif()
  string(FIND "${out}" "      FUNCTION GQ5(F,A,B)\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${zemta} 5 wrote no FORTRAN function")
  endif()
endfunction()
