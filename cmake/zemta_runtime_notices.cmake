# The licence file of the Windows archives: LICENSE, then the licences of
# the runtime libraries that `-static` links into zemta.exe (the GCC
# runtime, libgcc and libstdc++, under the GCC Runtime Library Exception;
# the mingw-w64 C runtime start-up code and winpthreads). Their texts are
# the copyright files of the Debian packages that ship the libraries this
# compiler links, found by asking the compiler for each library's path and
# dpkg for the package that owns it.
#
# ZEMTA_RUNTIME_NOTICES, a list of files, takes the place of that search
# with a toolchain that did not come from Debian packages. Included by
# zemta_install.cmake on Windows; sets zemta_licence_text to the file made.

set(ZEMTA_RUNTIME_NOTICES "" CACHE STRING
    "Licence texts of the runtime libraries linked into zemta.exe (found from the Debian packages when empty)")

set(notices "${ZEMTA_RUNTIME_NOTICES}")
if(NOT notices)
  find_program(ZEMTA_DPKG_QUERY dpkg-query)
  foreach(library IN ITEMS libstdc++.a libgcc.a libgcc_eh.a libwinpthread.a
                           libmingw32.a libmingwex.a crt2.o)
    execute_process(
      COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT ZEMTA_DPKG_QUERY)
      set(notices "")
      break()
    endif()
    file(REAL_PATH "${path}" path)
    execute_process(COMMAND ${ZEMTA_DPKG_QUERY} -S "${path}"
      OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET)
    string(REGEX REPLACE "^([^:]+):.*" "\\1" owner "${owner}")
    set(copyright /usr/share/doc/${owner}/copyright)
    if(NOT status EQUAL 0 OR NOT EXISTS "${copyright}")
      set(notices "")
      break()
    endif()
    # The gcc and g++ packages share one documentation folder.
    file(REAL_PATH "${copyright}" copyright)
    list(APPEND notices "${copyright}")
  endforeach()
  list(REMOVE_DUPLICATES notices)
endif()

file(READ "${PROJECT_SOURCE_DIR}/LICENSE" licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/LICENSE" ${notices})
if(notices)
  string(APPEND licence "\n"
    "zemta.exe holds, linked in by its compiler, the GCC runtime (libgcc and\n"
    "libstdc++, under the GCC Runtime Library Exception) and the mingw-w64\n"
    "runtime (its C runtime start-up code and winpthreads). Their copyright\n"
    "notices and licences follow.\n")
  foreach(notice IN LISTS notices)
    file(READ "${notice}" text)
    string(APPEND licence "\n"
      "========================================================================\n"
      "${notice}\n"
      "========================================================================\n"
      "\n${text}")
  endforeach()
else()
  message(WARNING
    "No licence texts found for the runtime libraries linked into zemta.exe; "
    "the archive's LICENSE.txt holds zemta's licence only. Set "
    "ZEMTA_RUNTIME_NOTICES to the files that hold them.")
endif()
set(zemta_licence_text ${PROJECT_BINARY_DIR}/LICENSE.txt)
# Written only when it changes, so that a new configure does not repack.
file(WRITE "${zemta_licence_text}.new" "${licence}")
file(COPY_FILE "${zemta_licence_text}.new" "${zemta_licence_text}"
     ONLY_IF_DIFFERENT)
