# Sets ZEMTA_RULE_FAMILIES, the names zemta-rule's --rule takes, in the
# order --help lists them, read from their one definition, rule_family_names
# in rule/quadrature/families.h, and beside it what each family takes:
#
#   ZEMTA_RULE_ALPHA_FAMILIES   the families that take --alpha
#   ZEMTA_RULE_BETA_FAMILIES    the families that take --beta
#   ZEMTA_RULE_SCALED_FAMILIES  the families that take --scaled
#   ZEMTA_RULE_FINITE_FAMILIES  the families on [-1, 1], which take --interval
#   ZEMTA_RULE_LEAST_ORDERS     the least order of each family, in the order
#                               of ZEMTA_RULE_FAMILIES: its min_order, but
#                               ZEMTA_MIN_ORDER for legendre, as
#                               rule_least_order in rule/cli/rule_arguments.h
#
# for what CMake checks or runs with them: the CMake package's
# zemta_generate_rule() (its RULE, ALPHA, BETA, SCALED and INTERVAL checks,
# through zemtaConfig.cmake), the manual page's list of families and the
# lock of zemta-rule's texts (tests/lock/check_rule.cmake, which includes
# this file itself). Included by the top-level CMakeLists.txt after
# zemta_order_range.cmake. C++ code uses the array.
set(zemta_rule_families_header
  ${CMAKE_CURRENT_LIST_DIR}/../rule/quadrature/families.h)
file(READ ${zemta_rule_families_header} zemta_rule_families_text)
# Each entry, a line of ZEMTA_RULE_FAMILIES (clang-format leaves them whole):
# {"name", RuleFamily::name, FamilyDomain::domain, alpha, beta, scalable, min,
# and then its exactness and texts, which CMake does not read}.
set(zemta_space "[ \t\r\n]*")
set(zemta_flag "(true|false)")
string(REGEX MATCHALL
  "{\"[a-z0-9-]+\",${zemta_space}RuleFamily::[a-z0-9_]+,${zemta_space}FamilyDomain::[a-z_]+,${zemta_space}${zemta_flag},${zemta_space}${zemta_flag},${zemta_space}${zemta_flag},${zemta_space}[0-9]+,"
  zemta_rule_family_entries "${zemta_rule_families_text}")
# The list's lines, FAMILY(identifier, {...}), to check that every one was
# read.
string(REGEX MATCHALL "[ \t]FAMILY\\([a-z0-9_]+,"
  zemta_rule_family_lines "${zemta_rule_families_text}")
list(LENGTH zemta_rule_family_lines zemta_rule_family_size)

set(ZEMTA_RULE_FAMILIES "")
set(ZEMTA_RULE_ALPHA_FAMILIES "")
set(ZEMTA_RULE_BETA_FAMILIES "")
set(ZEMTA_RULE_SCALED_FAMILIES "")
set(ZEMTA_RULE_FINITE_FAMILIES "")
set(ZEMTA_RULE_LEAST_ORDERS "")
foreach(entry IN LISTS zemta_rule_family_entries)
  string(REGEX REPLACE "[ \t\r\n{}\"]" "" entry "${entry}")
  string(REPLACE "," ";" fields "${entry}")
  list(GET fields 0 name)
  list(GET fields 2 domain)
  list(GET fields 3 alpha)
  list(GET fields 4 beta)
  list(GET fields 5 scalable)
  list(GET fields 6 least)
  list(APPEND ZEMTA_RULE_FAMILIES ${name})
  if(alpha STREQUAL "true")
    list(APPEND ZEMTA_RULE_ALPHA_FAMILIES ${name})
  endif()
  if(beta STREQUAL "true")
    list(APPEND ZEMTA_RULE_BETA_FAMILIES ${name})
  endif()
  if(scalable STREQUAL "true")
    list(APPEND ZEMTA_RULE_SCALED_FAMILIES ${name})
  endif()
  if(domain STREQUAL "FamilyDomain::finite")
    list(APPEND ZEMTA_RULE_FINITE_FAMILIES ${name})
  endif()
  if(name STREQUAL "legendre")
    set(least ${ZEMTA_MIN_ORDER})
  endif()
  list(APPEND ZEMTA_RULE_LEAST_ORDERS ${least})
endforeach()

list(LENGTH ZEMTA_RULE_FAMILIES zemta_rule_family_count)
list(FIND ZEMTA_RULE_FAMILIES legendre zemta_rule_legendre_index)
if(NOT zemta_rule_legendre_index EQUAL 0
   OR NOT zemta_rule_family_count EQUAL "${zemta_rule_family_size}"
   OR NOT ZEMTA_MIN_ORDER MATCHES "^[0-9]+$")
  message(FATAL_ERROR
    "rule_family_names not read from ${zemta_rule_families_header}: "
    "${zemta_rule_family_count} entries of "
    "${zemta_rule_family_size} lines, or ZEMTA_MIN_ORDER not set "
    "(include zemta_order_range.cmake first)")
endif()
