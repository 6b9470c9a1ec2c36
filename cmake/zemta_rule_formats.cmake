# Sets ZEMTA_RULE_FORMATS, the names zemta-rule's --format takes, in the
# order --help lists them, read from their one definition, rule_format_names
# in rule/emit/rule_formats.h, for what CMake checks or runs with them: the CMake
# package's zemta_generate_rule() (its FORMAT check, through
# zemtaConfig.cmake) and the lock of zemta-rule's texts
# (tests/lock/check_rule.cmake, which includes this file itself). Included
# by the top-level CMakeLists.txt. C++ code uses the array.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../rule/emit/rule_formats.h
  zemta_rule_format_lines
  REGEX "^    {\"[a-z-]+\", RuleFormat::[a-z_]+, (true|false)},$")
set(ZEMTA_RULE_FORMATS "")
foreach(line IN LISTS zemta_rule_format_lines)
  string(REGEX REPLACE "^    {\"([a-z-]+)\".*" "\\1" name "${line}")
  list(APPEND ZEMTA_RULE_FORMATS ${name})
endforeach()
list(FIND ZEMTA_RULE_FORMATS csv zemta_rule_csv_index)
if(NOT zemta_rule_csv_index EQUAL 0)
  message(FATAL_ERROR "rule_format_names not found in rule/emit/rule_formats.h")
endif()
