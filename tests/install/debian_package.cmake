# Builds the Debian package from the build tree, checks its control fields,
# has lintian check it against Debian policy (any error or warning fails),
# unpacks it into a scratch root and runs the program from there.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(DPKG dpkg REQUIRED)
find_program(LINTIAN lintian REQUIRED)
find_program(READELF readelf REQUIRED)

file(REMOVE_RECURSE "${WORK_DIR}")
set(config_option "")
if(CONFIG)
  set(config_option -C "${CONFIG}")
endif()
run_checked("${CPACK}" -G DEB ${config_option}
            --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
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
    usr/share/man/man1/zemta.1.gz
    usr/lib/cmake/zemta/zemtaConfig.cmake
    usr/lib/cmake/zemta/zemtaConfigVersion.cmake)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "the package lacks /${file}")
  endif()
endforeach()
expect_rule_output("${root}/usr/bin/zemta")
