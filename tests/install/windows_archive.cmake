# Unpacks a Windows zip archive made by cpack and checks it as a user meets
# it: one folder named after the archive, holding exactly the program, the
# licence (with the licences of the runtimes linked into the program), the
# README and the manual page as text, and programs that, run under Wine,
# write the locked bytes with every line ending in CR LF, as a Windows text
# stream writes them: zemta for orders 5 and 999
# (tests/lock/check_program.cmake), zemta-rule for every 16th of its cases
# (tests/lock/check_rule.cmake). The archive's programs are its preset's
# build, whose every order and case scripts/check-platforms holds to the
# lock; here they are run as a user unpacks them, and a Windows process
# under Wine takes seconds to start.
#
#   cmake -DARCHIVE=<zip> -DWINE=<wine loader> -DWORK_DIR=<scratch>
#         -P windows_archive.cmake
#
# Wine's own settings (WINEPREFIX, WINEDEBUG, ...) come from the environment.
# Without WINE only the archive's contents are checked.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
run_checked("${CMAKE_COMMAND}" -E chdir "${WORK_DIR}"
            "${CMAKE_COMMAND}" -E tar xf "${ARCHIVE}")

string(REGEX REPLACE "\\.zip$" "" folder "${ARCHIVE}")
get_filename_component(folder "${folder}" NAME)
file(GLOB_RECURSE unpacked RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
list(SORT unpacked)
set(expected LICENSE.txt README.md zemta-rule.exe zemta-rule.txt zemta.exe zemta.txt)
list(TRANSFORM expected PREPEND "${folder}/")
if(NOT unpacked STREQUAL expected)
  message(FATAL_ERROR "${ARCHIVE} holds\n  ${unpacked}\ninstead of\n  ${expected}")
endif()

# The program holds the GCC runtime (libgcc, libstdc++) and the mingw-w64
# C runtime and winpthreads, linked in; their notices travel with it.
file(READ "${WORK_DIR}/${folder}/LICENSE.txt" licence)
foreach(notice IN ITEMS
    "the zemta developers"
    "GCC RUNTIME LIBRARY EXCEPTION"
    "libgcc"
    "libstdc++-v3"
    "Files: mingw-w64-crt/"
    "Files: mingw-w64-libraries/winpthreads/")
  string(FIND "${licence}" "${notice}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "LICENSE.txt in ${ARCHIVE} lacks \"${notice}\"")
  endif()
endforeach()

if(NOT WINE)
  return()
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" "-DPROGRAM=${WINE};${WORK_DIR}/${folder}/zemta.exe"
    -DLINE_ENDS=CRLF "-DORDERS=5;999" -DCASES=OFF "-DWORK_DIR=${WORK_DIR}/runs"
    -P "${CMAKE_CURRENT_LIST_DIR}/../lock/check_program.cmake"
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "zemta.exe from ${ARCHIVE} differs from the lock")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" "-DPROGRAM=${WINE};${WORK_DIR}/${folder}/zemta-rule.exe"
    -DLINE_ENDS=CRLF -DSHARD=0/16 "-DWORK_DIR=${WORK_DIR}/rule-runs"
    -P "${CMAKE_CURRENT_LIST_DIR}/../lock/check_rule.cmake"
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "zemta-rule.exe from ${ARCHIVE} differs from the lock")
endif()
message(STATUS "${ARCHIVE}: contents, zemta.exe 5 and 999 and a sample of zemta-rule.exe as expected")
