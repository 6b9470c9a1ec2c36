# Runs zemta-rule and writes its table to a file. Run by the build rule that
# zemta_generate_rule() creates:
#
#   cmake -DZEMTA_RULE_EXECUTABLE=<zemta-rule> -DARGUMENTS=<arg>|<arg>...
#         -DOUTPUT=<file> -P zemta_rule_output.cmake
#
# The file is written only when zemta-rule succeeds, and left alone when its
# content would not change.

cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" ARGUMENTS "${ARGUMENTS}")

execute_process(
  COMMAND "${ZEMTA_RULE_EXECUTABLE}" ${ARGUMENTS}
  OUTPUT_VARIABLE text
  ERROR_VARIABLE diagnostics
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${ZEMTA_RULE_EXECUTABLE} ${ARGUMENTS} failed (${status}):\n${diagnostics}")
endif()
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${text}")
