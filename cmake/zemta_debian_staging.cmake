# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged tree of the Debian
# package, before it is packed: adds what Debian requires of every package
# and `cmake --install` has no use for.
#
# - share/doc/zemta/copyright: the licence in Debian's machine-readable
#   copyright format, made from LICENSE;
# - share/doc/zemta/changelog.gz: the package's changelog;
# - the manual page compressed, as man-db expects under /usr/share/man;
# - the program without the compiler's .comment and .note sections, which
#   CPack's plain strip leaves in and nothing at run time reads.
#
# Both compressed files are made with gzip -9n: best compression, and no
# name or time stamp in the header, so the same sources give the same bytes.
#
# - with a statically linked program, the lintian override that says so on
#   purpose (a static program starts in a fraction of the time, and it
#   needs nothing at run time that could change its output).
#
# Last, every mode in the staged tree is set to Debian's: 0755 for the
# directories and the program, 0644 for every other file. The files made
# here would otherwise carry the builder's umask, and configure_file() the
# mode of its template in the source tree.
#
# Reads CPACK_ZEMTA_SOURCE_DIR, CPACK_ZEMTA_BINDIR, CPACK_ZEMTA_MANDIR,
# CPACK_ZEMTA_DOCDIR, CPACK_ZEMTA_STRIP, CPACK_ZEMTA_STATIC_LINK and CPACK_PACKAGE_VERSION from
# CPackConfig.cmake.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(GZIP gzip REQUIRED)
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(source "${CPACK_ZEMTA_SOURCE_DIR}/packaging/debian")
set(docdir "${root}/${CPACK_ZEMTA_DOCDIR}")

function(gzip_in_place file)
  execute_process(COMMAND "${GZIP}" -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip -9n ${file} failed")
  endif()
endfunction()

# A package whose changelog does not open with its own version would tell
# the user the wrong story.
file(STRINGS "${source}/changelog" top LIMIT_COUNT 1)
if(NOT top MATCHES "^zemta \\(([^)]+)\\) ")
  message(FATAL_ERROR "${source}/changelog: first line is not an entry: ${top}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL CPACK_PACKAGE_VERSION)
  message(FATAL_ERROR
    "${source}/changelog begins with version ${CMAKE_MATCH_1}, the package "
    "is ${CPACK_PACKAGE_VERSION}: add an entry for it")
endif()
file(READ "${source}/changelog" changelog)
file(WRITE "${docdir}/changelog" "${changelog}")
gzip_in_place("${docdir}/changelog")

# The licence text goes into the License paragraph indented by one space,
# with its empty lines written as " ." (Debian's continuation-line rules).
file(READ "${CPACK_ZEMTA_SOURCE_DIR}/LICENSE" licence)
string(STRIP "${licence}" licence)
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " licence "${licence}")
set(ZEMTA_LICENSE_TEXT " ${licence}")
set(ZEMTA_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
configure_file("${source}/copyright.in" "${docdir}/copyright" @ONLY)

file(GLOB manuals "${root}/${CPACK_ZEMTA_MANDIR}/man*/*")
foreach(manual IN LISTS manuals)
  if(NOT manual MATCHES "\\.gz$")
    gzip_in_place("${manual}")
  endif()
endforeach()

set(programs "${root}/${CPACK_ZEMTA_BINDIR}/zemta"
             "${root}/${CPACK_ZEMTA_BINDIR}/zemta-rule")
if(CPACK_ZEMTA_STRIP)
  execute_process(
    COMMAND "${CPACK_ZEMTA_STRIP}" --remove-section=.comment
            --remove-section=.note ${programs}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CPACK_ZEMTA_STRIP} failed on the programs")
  endif()
endif()

if(CPACK_ZEMTA_STATIC_LINK)
  string(REGEX REPLACE "^/" "" prefix "${CPACK_PACKAGING_INSTALL_PREFIX}")
  file(WRITE "${root}/share/lintian/overrides/zemta"
    "# Linked statically on purpose: it starts faster and loads no library.\n"
    "zemta: statically-linked-binary [${prefix}/${CPACK_ZEMTA_BINDIR}/zemta]\n"
    "zemta: statically-linked-binary [${prefix}/${CPACK_ZEMTA_BINDIR}/zemta-rule]\n")
endif()

set(executable_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE
                    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(data_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(GLOB_RECURSE entries LIST_DIRECTORIES true
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(entry IN LISTS entries)
  list(FIND programs "${entry}" program_at)
  if(IS_DIRECTORY "${entry}" OR program_at GREATER -1)
    file(CHMOD "${entry}" PERMISSIONS ${executable_mode})
  else()
    file(CHMOD "${entry}" PERMISSIONS ${data_mode})
  endif()
endforeach()
