# Renders the manual page MANUAL into the plain ASCII text file TEXT with
# GROFF: no hyphenation, no bold or underline (neither overstriking nor
# escape sequences), so any text viewer shows it as a terminal would.

execute_process(
  COMMAND "${GROFF}" -man -Tascii -ww -rHY=0 -P-cbou "${MANUAL}"
  OUTPUT_FILE "${TEXT}" ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  file(REMOVE "${TEXT}")
  message(FATAL_ERROR "${GROFF} could not render ${MANUAL}:\n${warnings}")
endif()
