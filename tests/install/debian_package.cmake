# Builds the Debian package from the build tree, checks its control fields,
# unpacks it into a scratch root and runs the program from there.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(DPKG dpkg REQUIRED)

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
# The program links the C and C++ runtimes and nothing else.
expect_field(Depends "(^|, )libc6( |,|$)")
expect_field(Depends "(^|, )libstdc\\+\\+6( |,|$)")

set(root "${WORK_DIR}/root")
run_checked("${DPKG}" -x "${packages}" "${root}")
foreach(file IN ITEMS
    usr/bin/zemta
    usr/share/man/man1/zemta.1
    usr/lib/cmake/zemta/zemtaConfig.cmake
    usr/lib/cmake/zemta/zemtaConfigVersion.cmake)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "the package lacks /${file}")
  endif()
endforeach()
expect_rule_output("${root}/usr/bin/zemta")
