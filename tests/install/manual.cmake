# The installed manual pages render without warnings, and zemta's page
# documents every message the program can print. The messages come from
# the program's sources, so a message added there without an entry here
# fails; running the program confirms that the sources were read right.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

set(manual "${ROOT}/${MANDIR}/man1/zemta.1")
set(zemta "${ROOT}/${BINDIR}/zemta")

find_program(GROFF groff REQUIRED)
find_program(LEXGROG lexgrog)
foreach(page IN ITEMS "${manual}" "${ROOT}/${MANDIR}/man1/zemta-rule.1")
  execute_process(COMMAND "${GROFF}" -man -Tutf8 -ww -z "${page}"
    ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff warns about ${page}:\n${warnings}")
  endif()
  if(LEXGROG)
    # man-db's parser for the whatis database needs a proper NAME section.
    run_checked("${LEXGROG}" "${page}")
  endif()
endforeach()

# Plain text without hyphenation, white space squeezed, so a message broken
# across lines still matches.
run_checked("${GROFF}" -man -Tutf8 -rHY=0 -P-cbou "${manual}")
string(REGEX REPLACE "[ \t\r\n]+" " " text "${run_output}")

# --- The messages, from the sources -----------------------------------------
set(space "[ \t\r\n]*")
file(READ "${CLI_DIR}/exits.h" exits_header)
set(sources "")
file(GLOB cli_sources "${CLI_DIR}/*.cpp")
foreach(source IN LISTS cli_sources)
  file(READ "${source}" content)
  string(APPEND sources "${content}")
endforeach()

string(REGEX MATCHALL "usage_e[a-z]+\\(${space}\"[^\"]*\"" usage_calls
       "${sources}")
set(usage_messages "")
foreach(call IN LISTS usage_calls)
  string(REGEX REPLACE ".*\"([^\"]*)\"" "\\1" message "${call}")
  list(APPEND usage_messages "${message}")
endforeach()
# The messages about the range end in min_order or max_order, put after
# their text at compile time (ending_in in run.cpp).
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/zemta_order_range.cmake)
string(REGEX MATCHALL "ending_in<(min|max)_order>\\(${space}\"[^\"]*\"\\)"
       range_messages "${sources}")
foreach(call IN LISTS range_messages)
  string(REGEX REPLACE "ending_in<(min|max)_order>.*\"([^\"]*)\".*" "\\1;\\2"
         parts "${call}")
  list(GET parts 0 end)
  list(GET parts 1 message)
  string(TOUPPER "${end}" end)
  list(APPEND usage_messages "${message}${ZEMTA_${end}_ORDER}")
endforeach()

string(REGEX MATCHALL
       "fatal_e[a-z]+\\(${space}[A-Za-z0-9_]+,${space}\"[^\"]*\"" fatal_calls
       "${sources}")
set(fatal_entries "")
foreach(call IN LISTS fatal_calls)
  string(REGEX REPLACE ".*\\(${space}([A-Za-z0-9_]+),.*" "\\1" code "${call}")
  string(REGEX REPLACE ".*\"([^\"]*)\"" "\\1" message "${call}")
  if(NOT code MATCHES "^[0-9]+$")
    string(REGEX MATCH "${code}${space}=${space}([0-9]+)" definition
           "${exits_header}")
    if(NOT definition)
      message(FATAL_ERROR "no value for the error code ${code} in exits.h")
    endif()
    set(code "${CMAKE_MATCH_1}")
  endif()
  list(APPEND fatal_entries "${code}|${message}")
endforeach()

list(LENGTH usage_messages usage_count)
list(LENGTH fatal_entries fatal_count)
if(usage_count LESS 5 OR fatal_count LESS 4)
  message(FATAL_ERROR
    "found only ${usage_count} usage and ${fatal_count} fatal messages in "
    "${CLI_DIR}; the pattern no longer matches how the sources pass them")
endif()

# --- The messages, from the running program ---------------------------------
function(provoked_message out_var)
  execute_process(COMMAND "${zemta}" ${ARGN}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 1 OR NOT out STREQUAL "")
    message(FATAL_ERROR "zemta ${ARGN}: status ${status}, output \"${out}\"")
  endif()
  set(${out_var} "${err}" PARENT_SCOPE)
endfunction()

set(provoked "")
math(EXPR below_range "${ZEMTA_MIN_ORDER} - 1")
math(EXPR above_range "${ZEMTA_MAX_ORDER} + 1")
foreach(arguments IN ITEMS "" "7;8" "abc" "${below_range}" "${above_range}")
  provoked_message(err ${arguments})
  if(NOT err MATCHES "\nError: ([^\n]*)\n$")
    message(FATAL_ERROR "zemta ${arguments}: no error line in\n${err}")
  endif()
  list(APPEND provoked "${CMAKE_MATCH_1}")
  if(NOT CMAKE_MATCH_1 IN_LIST usage_messages)
    message(FATAL_ERROR
      "zemta ${arguments} prints \"${CMAKE_MATCH_1}\", which was not found "
      "in the sources; the pattern above misses how they pass it")
  endif()
endforeach()
if(EXISTS /dev/full)
  execute_process(COMMAND "${zemta}" 5 OUTPUT_FILE /dev/full
    ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 1
     OR NOT err MATCHES "\nFatal Error Code ([0-9]+)\n([^\n]*)\n$")
    message(FATAL_ERROR "zemta 5 >/dev/full: status ${status}\n${err}")
  endif()
  if(NOT "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}" IN_LIST fatal_entries)
    message(FATAL_ERROR
      "zemta 5 >/dev/full prints error ${CMAKE_MATCH_1} "
      "\"${CMAKE_MATCH_2}\", which was not found in the sources")
  endif()
endif()

# --- The manual -------------------------------------------------------------
set(missing "")
foreach(message IN LISTS usage_messages)
  string(FIND "${text}" "Error: ${message}" at)
  if(at EQUAL -1)
    string(APPEND missing "\n  usage error \"Error: ${message}\"")
  endif()
endforeach()
foreach(entry IN LISTS fatal_entries)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 code)
  list(GET entry 1 message)
  # The message belongs to its code: it follows within the same entry,
  # after at most a few more codes that share it.
  string(FIND "${text}" "Fatal Error Code ${code} " at)
  set(found -1)
  if(at GREATER -1)
    string(SUBSTRING "${text}" ${at} 120 entry_text)
    string(FIND "${entry_text}" " ${message}" found)
  endif()
  if(found EQUAL -1)
    string(APPEND missing
           "\n  fatal error ${code} \"${message}\" (\"Fatal Error Code "
           "${code}\" followed by the message)")
  endif()
endforeach()

# The banner is shown as the program prints it, version included.
provoked_message(err)
string(REGEX MATCH "^[^\n]*" banner "${err}")
string(FIND "${text}" "${banner}" at)
if(at EQUAL -1)
  string(APPEND missing "\n  the banner \"${banner}\"")
endif()
string(FIND "${text}" "zemta ${VERSION}" at)
if(at EQUAL -1)
  string(APPEND missing "\n  the version \"zemta ${VERSION}\" in its footer")
endif()

# zemta-rule's page has an entry in FAMILIES for every family of
# rule_family_names.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/zemta_rule_families.cmake)
file(READ "${ROOT}/${MANDIR}/man1/zemta-rule.1" rule_page)
string(FIND "${rule_page}" "\n.SH FAMILIES\n" families_at)
string(SUBSTRING "${rule_page}" ${families_at} -1 rule_families)
string(FIND "${rule_families}" "\n.SH FORMATS\n" formats_at)
string(SUBSTRING "${rule_families}" 0 ${formats_at} rule_families)
foreach(family IN LISTS ZEMTA_RULE_FAMILIES)
  string(REPLACE "-" "\\-" roff_name "${family}")
  string(FIND "${rule_families}" "\n.TP\n.B ${roff_name}\n" at)
  if(families_at EQUAL -1 OR at EQUAL -1)
    string(APPEND missing
           "\n  zemta-rule.1: the family ${family} in FAMILIES")
  endif()
endforeach()

if(missing)
  message(FATAL_ERROR "${manual} does not document:${missing}")
endif()
list(LENGTH provoked provoked_count)
message(STATUS "${usage_count} usage and ${fatal_count} fatal messages "
               "documented; ${provoked_count} usage errors provoked")
