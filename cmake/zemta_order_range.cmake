# Sets ZEMTA_MIN_ORDER and ZEMTA_MAX_ORDER, the orders the program accepts,
# read from their one definition, min_order and max_order in
# quadrature/coefficients.h, for what CMake writes or runs: the CMake
# package's zemta_generate(), the manual page (zemta_install.cmake), the
# program's lock tests (tests/lock/program_tests.cmake), and the scripts
# that include this file themselves, tests/lock/check_program.cmake (every
# order) and tests/install/manual.cmake (the messages about the range).
# Included by the top-level CMakeLists.txt. C++ code uses the constants.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../quadrature/coefficients.h
  zemta_order_limits
  REGEX "^inline constexpr int (min|max)_order = [0-9]+;$")
string(REGEX REPLACE ".*min_order = ([0-9]+).*" "\\1" ZEMTA_MIN_ORDER
  "${zemta_order_limits}")
string(REGEX REPLACE ".*max_order = ([0-9]+).*" "\\1" ZEMTA_MAX_ORDER
  "${zemta_order_limits}")
if(NOT ZEMTA_MIN_ORDER MATCHES "^[0-9]+$" OR NOT ZEMTA_MAX_ORDER MATCHES "^[0-9]+$")
  message(FATAL_ERROR
    "min_order and max_order not found in quadrature/coefficients.h")
endif()
