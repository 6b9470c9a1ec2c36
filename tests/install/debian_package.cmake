# Builds the Debian package as a user builds it from a release's source
# archive, checks its control fields, has lintian check it against Debian
# policy (any error or warning fails), unpacks it into a scratch root and
# runs the program from there.
#
# The source is the tracked files of SOURCE_DIR as `git archive` gives
# them (files 0664, folders 0775), unpacked and built under umask 002, so
# that a mode the package took from the source tree or the umask shows.
# Outside a git clone the tree SOURCE_DIR is built as it stands.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(DPKG dpkg REQUIRED)
find_program(LINTIAN lintian REQUIRED)
find_program(READELF readelf REQUIRED)
find_program(GIT git)
find_program(SH sh REQUIRED)

# Runs a shell command line under umask 002; the arguments after it are
# its $0, $1, ...
macro(run_with_umask_002 command_line)
  run_checked("${SH}" -c "umask 002 && ${command_line}" ${ARGN})
endmacro()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/source")
set(source "${SOURCE_DIR}")
if(GIT)
  # stash create fails on files whose time stamps alone have changed.
  execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" update-index -q --refresh
    OUTPUT_QUIET ERROR_QUIET)
  # The tracked files as they stand: HEAD, or a commit of the changes to it.
  execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" -c user.name=zemta
                          -c user.email=zemta@invalid stash create
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0)
    if(NOT commit)
      set(commit HEAD)
    endif()
    run_with_umask_002("\"$0\" -C \"$1\" archive \"$2\" | tar -x -C \"$3\""
      "${GIT}" "${SOURCE_DIR}" "${commit}" "${WORK_DIR}/source")
    set(source "${WORK_DIR}/source")
  endif()
endif()
set(build "${WORK_DIR}/build")
run_with_umask_002("\"$0\" -S \"$1\" -B \"$2\" -G \"$3\" -DCMAKE_BUILD_TYPE=Release"
  "${CMAKE_COMMAND}" "${source}" "${build}" "${GENERATOR}")
run_with_umask_002("\"$0\" --build \"$1\" --target zemta zemta-rule"
  "${CMAKE_COMMAND}" "${build}")
run_with_umask_002("cd \"$1\" && \"$0\" -G DEB -B \"$2\""
  "${CPACK}" "${build}" "${WORK_DIR}")
file(GLOB packages "${WORK_DIR}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${WORK_DIR}, found: ${packages}")
endif()

function(expect_field field pattern)
  execute_process(COMMAND "${DPKG_DEB}" -f "${packages}" ${field}
    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "${field}: \"${value}\" does not match \"${pattern}\"")
  endif()
endfunction()
string(REPLACE "." "\\." version_pattern "${VERSION}")
expect_field(Package "^zemta$")
expect_field(Version "^${version_pattern}$")
expect_field(Maintainer "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
expect_field(Description "^[^\n]*Gauss-Legendre[^\n]*\n .")
# Pedantic and informational tags are advice; errors and warnings are
# breaches of policy. lintian's standard error only says that it runs as
# root.
execute_process(COMMAND "${LINTIAN}" --info "${packages}"
  OUTPUT_VARIABLE report ERROR_QUIET RESULT_VARIABLE status)
if(report MATCHES "(^|\n)[EW]: " OR NOT status MATCHES "^[01]$")
  message(FATAL_ERROR "lintian (status ${status}) finds fault with the "
                      "package:\n${report}")
endif()

set(root "${WORK_DIR}/root")
run_checked("${DPKG}" -x "${packages}" "${root}")

# Every shared library the program loads must come from a package it
# depends on, whether the C++ runtime is linked in or not. By Debian's
# naming rule, libfoo.so.3 comes from libfoo3; glibc's libraries all come
# from libc6.
run_checked("${READELF}" -d "${root}/usr/bin/zemta")
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${run_output}")
foreach(entry IN LISTS needed)
  string(REGEX REPLACE ".*\\[(.+)\\.so\\.([0-9]+)\\]$" "\\1\\2" name "${entry}")
  string(REPLACE "_" "-" name "${name}")
  if(name MATCHES "^lib(c|m|pthread|dl|rt|util)[0-9]+$")
    set(name libc6)
  endif()
  string(REPLACE "+" "\\+" name_pattern "${name}")
  expect_field(Depends "(^|, )${name_pattern}( |,|$)")
endforeach()

foreach(file IN ITEMS
    usr/bin/zemta
    usr/bin/zemta-rule
    usr/share/man/man1/zemta.1.gz
    usr/share/man/man1/zemta-rule.1.gz
    usr/lib/cmake/zemta/zemtaConfig.cmake
    usr/lib/cmake/zemta/zemtaConfigVersion.cmake)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "the package lacks /${file}")
  endif()
endforeach()
expect_rule_output("${root}/usr/bin/zemta")
