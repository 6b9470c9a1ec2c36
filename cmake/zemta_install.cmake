# What `cmake --install` and `cpack` ship: the program, its manual page, and
# a CMake package whose zemta_generate() runs the installed program at a
# consumer's build time. Included at the end of the top-level CMakeLists.txt.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS zemta RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/zemta.1
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
  DESTINATION ${ZEMTA_INSTALL_CMAKEDIR})

# The Debian package: `cpack -G DEB` in the build directory.
set(ZEMTA_PACKAGE_MAINTAINER "zemta dev <dev@zemta.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME zemta)
set(CPACK_PACKAGE_VENDOR "the zemta developers")
set(CPACK_PACKAGE_CONTACT "${ZEMTA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Gauss-Legendre quadrature code generator for C and FORTRAN")
set(CPACK_PACKAGE_DESCRIPTION
    "zemta computes the n-point Gauss-Legendre rule (n from 2 to 999) in IEEE
double precision and writes it as ready-to-compile code: a C function and
a FORTRAN function that integrate a given function over [A, B], and the
rule mapped onto [0, 1] as two C arrays. A CMake package with
zemta_generate() runs it at build time.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The program links the C and C++ runtimes as shared libraries;
# dpkg-shlibdeps (dpkg-dev) turns them into the Depends field.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
