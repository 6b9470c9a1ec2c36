# What `cmake --install` and `cpack` ship. On Linux: the program, its manual
# page, and a CMake package whose zemta_generate() runs the installed program
# at a consumer's build time, packed by `cpack` as a Debian package. On
# Windows: one folder with zemta.exe, the licence, the README and the manual
# page as plain text, packed by `cpack` as a zip archive. Included at the end
# of the top-level CMakeLists.txt.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The manual page with the project's version and the order range written in.
set(zemta_manual ${PROJECT_BINARY_DIR}/zemta.1)
configure_file(${PROJECT_SOURCE_DIR}/man/zemta.1.in ${zemta_manual} @ONLY)
# zemta-rule's page names the families from their list
# (zemta_rule_families.cmake): "\fBa\fR, \fBb\fR and \fBc\fR", '-' as
# roff's minus.
function(zemta_roff_names out_var)
  set(text "")
  list(LENGTH ARGN count)
  set(i 0)
  foreach(name IN LISTS ARGN)
    math(EXPR i "${i} + 1")
    if(i GREATER 1)
      if(i EQUAL count)
        string(APPEND text " and ")
      else()
        string(APPEND text ", ")
      endif()
    endif()
    string(REPLACE "-" "\\-" name "${name}")
    string(APPEND text "\\fB${name}\\fR")
  endforeach()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()
zemta_roff_names(ZEMTA_RULE_FAMILIES_ROFF ${ZEMTA_RULE_FAMILIES})
string(REPLACE "\\fBlegendre\\fR" "\\fBlegendre\\fR (the default)"
  ZEMTA_RULE_FAMILIES_ROFF "${ZEMTA_RULE_FAMILIES_ROFF}")
zemta_roff_names(ZEMTA_RULE_ALPHA_ROFF ${ZEMTA_RULE_ALPHA_FAMILIES})
zemta_roff_names(ZEMTA_RULE_BETA_ROFF ${ZEMTA_RULE_BETA_FAMILIES})
zemta_roff_names(ZEMTA_RULE_SCALED_ROFF ${ZEMTA_RULE_SCALED_FAMILIES})
zemta_roff_names(ZEMTA_RULE_FINITE_ROFF ${ZEMTA_RULE_FINITE_FAMILIES})
set(zemta_rule_manual ${PROJECT_BINARY_DIR}/zemta-rule.1)
configure_file(${PROJECT_SOURCE_DIR}/man/zemta-rule.1.in ${zemta_rule_manual} @ONLY)

set(CPACK_PACKAGE_NAME zemta)
set(CPACK_PACKAGE_VENDOR "the zemta developers")
set(CPACK_STRIP_FILES ON)

# Directories get the modes `install -d` gives them, whatever the umask of
# the one who installs or packs; install(FILES) and install(TARGETS) set
# 0644 and 0755 of their own accord, never the source tree's modes.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # Windows has no man, so the page goes in rendered as ASCII text, with no
  # overstriking or escape sequences for Notepad to show as noise.
  find_program(ZEMTA_GROFF groff REQUIRED)
  set(manual_texts "")
  foreach(page IN ITEMS zemta zemta-rule)
    set(manual_text ${PROJECT_BINARY_DIR}/${page}.txt)
    add_custom_command(OUTPUT ${manual_text}
      COMMAND ${CMAKE_COMMAND} -DGROFF=${ZEMTA_GROFF}
              -DMANUAL=${PROJECT_BINARY_DIR}/${page}.1 -DTEXT=${manual_text}
              -P ${PROJECT_SOURCE_DIR}/cmake/zemta_render_manual.cmake
      DEPENDS ${PROJECT_BINARY_DIR}/${page}.1
              ${PROJECT_SOURCE_DIR}/cmake/zemta_render_manual.cmake
      COMMENT "Rendering the manual page ${page}.1 as text"
      VERBATIM)
    list(APPEND manual_texts ${manual_text})
  endforeach()
  add_custom_target(zemta_manual_text ALL DEPENDS ${manual_texts})

  install(TARGETS zemta zemta-rule RUNTIME DESTINATION .)
  include(${PROJECT_SOURCE_DIR}/cmake/zemta_runtime_notices.cmake)
  install(FILES ${zemta_licence_text} DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${manual_texts} DESTINATION .)

  # zemta-2.02-win32.zip or zemta-2.02-win64.zip, everything in one folder
  # of the same name.
  math(EXPR pointer_bits "${CMAKE_SIZEOF_VOID_P} * 8")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME zemta-${PROJECT_VERSION}-win${pointer_bits})
  include(CPack)
  return()
endif()

install(TARGETS zemta zemta-rule RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${zemta_manual} ${zemta_rule_manual}
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package files hold no machine code, but they locate the installed
# program, so they go where find_package(zemta) looks below the prefix.
set(ZEMTA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/zemta)
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/zemtaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/zemtaConfig.cmake
  INSTALL_DESTINATION ${ZEMTA_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_BINDIR)
# A consumer that asks for 2.x gets any 2.y; a new major version may change
# the generated code's names or layout.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/package/zemtaConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion
  ARCH_INDEPENDENT)
install(FILES
  ${PROJECT_BINARY_DIR}/package/zemtaConfig.cmake
  ${PROJECT_BINARY_DIR}/package/zemtaConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/zemta_generate.cmake
  ${PROJECT_SOURCE_DIR}/cmake/zemta_split_output.cmake
  ${PROJECT_SOURCE_DIR}/cmake/zemta_rule_output.cmake
  DESTINATION ${ZEMTA_INSTALL_CMAKEDIR})

# The Debian package: `cpack -G DEB` in the build directory.
set(ZEMTA_PACKAGE_MAINTAINER "zemta dev <dev@zemta.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ZEMTA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Gauss-Legendre quadrature code generator for C and FORTRAN")
set(CPACK_PACKAGE_DESCRIPTION
    "zemta computes the n-point Gauss-Legendre rule (n from 2 to 999) in IEEE
double precision and writes it as ready-to-compile code: a C function and
a FORTRAN function that integrate a given function over [A, B], and the
rule mapped onto [0, 1] as two C arrays. Its companion zemta-rule writes
the correctly rounded rule, on [-1, 1] or any interval, as a table for C,
NumPy, Julia, Fortran, Rust, JavaScript, MATLAB, CSV or JSON. A CMake
package with zemta_generate() and zemta_generate_rule() runs them at build
time.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) turns the shared libraries the program loads
# into the Depends field, so it stays right whether the C++ runtime is
# linked in or loaded.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The copyright file, the changelog and the compressed manual page that
# Debian asks of a package are added to the staged tree.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/zemta_debian_staging.cmake)
set(CPACK_ZEMTA_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_ZEMTA_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_ZEMTA_STRIP ${CMAKE_STRIP})
set(CPACK_ZEMTA_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_ZEMTA_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_ZEMTA_STATIC_LINK ${ZEMTA_STATIC_LINK})
include(CPack)
