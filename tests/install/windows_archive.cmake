# Unpacks a Windows zip archive made by cpack and checks it as a user meets
# it: one folder named after the archive, holding exactly the program, the
# licence (with the licences of the runtimes linked into the program), the
# README and the manual page as text, and a program that, run
# under Wine, writes the bytes of the Linux build REFERENCE with every line
# ending in CR LF, as a Windows text stream writes them.
#
#   cmake -DARCHIVE=<zip> -DREFERENCE=<linux zemta> -DWINE=<wine loader>
#         -DWORK_DIR=<scratch> -P windows_archive.cmake
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
set(expected LICENSE.txt README.md zemta.exe zemta.txt)
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
foreach(order IN ITEMS 5 999)
  execute_process(COMMAND "${REFERENCE}" ${order}
    OUTPUT_VARIABLE linux_out ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${REFERENCE} ${order} gave status ${status}")
  endif()
  string(REPLACE "\n" "\r\n" windows_out "${linux_out}")
  # Into files, not pipes: Wine's helper processes inherit the streams and
  # outlive the program, so a pipe would never reach its end.
  execute_process(COMMAND ${WINE} "${WORK_DIR}/${folder}/zemta.exe" ${order}
    OUTPUT_FILE "${WORK_DIR}/out.txt" ERROR_FILE "${WORK_DIR}/err.txt"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(READ "${WORK_DIR}/err.txt" err)
    message(FATAL_ERROR
      "zemta.exe ${order} from ${ARCHIVE} gave status ${status}:\n${err}")
  endif()
  # Compared as files: file(READ) would not keep the carriage returns.
  file(WRITE "${WORK_DIR}/expected.txt" "${windows_out}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                  "${WORK_DIR}/expected.txt" "${WORK_DIR}/out.txt"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR
      "zemta.exe ${order} from ${ARCHIVE} wrote ${WORK_DIR}/out.txt, which "
      "differs from the Linux output with CR LF line ends in "
      "${WORK_DIR}/expected.txt")
  endif()
endforeach()
message(STATUS "${ARCHIVE}: contents and zemta.exe 5 and 999 as expected")
