# zemta_generate(<name> ORDER <n> [C <file>] [FORTRAN <file>] [RAW <file>])
#
# Generates the n-point Gauss-Legendre rule (n from 2 to 999) at build time
# by running zemta, and makes <name> an OBJECT library compiled from the
# parts asked for; link it to use them:
#
#   C <file>        the C function GQ<n>(F, A, B), compiled as C;
#   FORTRAN <file>  the same function in fixed-form FORTRAN, compiled as
#                   Fortran with double-precision default reals (the
#                   constants carry no D exponent), set here for gfortran
#                   and flang;
#   RAW <file>      the rule on [0, 1] as the arrays A<n> and W<n>, led by
#                   "typedef long double DBL;" so it compiles on its own.
#
# At least one part must be named. Relative paths are taken below
# CMAKE_CURRENT_BINARY_DIR; name C and RAW files *.c and the FORTRAN file
# *.f. The C function calls F through DBL F(DBL) with DBL long double, the
# FORTRAN function is REAL*8 GQ<n>(F, A, B) with F an EXTERNAL REAL*8
# function. Call zemta_generate once per language if a C program and a
# FORTRAN program need the rule separately.
#
# The files are written when missing, when the order or the list of parts
# changes, and when the zemta program itself changes; a build without such a
# change leaves them alone.

# The build rule runs zemta_split_output.cmake, which needs the same.
if(CMAKE_VERSION VERSION_LESS 3.25)
  message(FATAL_ERROR "zemta_generate() needs CMake 3.25 or later")
endif()
include_guard(GLOBAL)
# The function keeps these policies whatever the calling project sets.
cmake_policy(PUSH)
cmake_policy(VERSION 3.25)

set_property(GLOBAL PROPERTY ZEMTA_SPLIT_SCRIPT
  "${CMAKE_CURRENT_LIST_DIR}/zemta_split_output.cmake")
set_property(GLOBAL PROPERTY ZEMTA_RULE_OUTPUT_SCRIPT
  "${CMAKE_CURRENT_LIST_DIR}/zemta_rule_output.cmake")

function(zemta_generate name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "ORDER;C;FORTRAN;RAW" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "zemta_generate(${name}): unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(TARGET ${name})
    message(FATAL_ERROR "zemta_generate(${name}): target ${name} exists")
  endif()
  # Decimal only: zemta itself would read a leading 0 as octal.
  if(NOT arg_ORDER MATCHES "^[1-9][0-9]*$" OR arg_ORDER LESS zemta_MIN_ORDER
     OR arg_ORDER GREATER zemta_MAX_ORDER)
    message(FATAL_ERROR
      "zemta_generate(${name}): ORDER must be a decimal number from "
      "${zemta_MIN_ORDER} to ${zemta_MAX_ORDER}, not \"${arg_ORDER}\"")
  endif()
  if(NOT arg_C AND NOT arg_FORTRAN AND NOT arg_RAW)
    message(FATAL_ERROR
      "zemta_generate(${name}): name at least one of C, FORTRAN and RAW")
  endif()

  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if((arg_C OR arg_RAW) AND NOT C IN_LIST languages)
    message(FATAL_ERROR
      "zemta_generate(${name}): C and RAW need the C language enabled")
  endif()
  if(arg_FORTRAN AND NOT Fortran IN_LIST languages)
    message(FATAL_ERROR
      "zemta_generate(${name}): FORTRAN needs the Fortran language enabled")
  endif()

  set(outputs "")
  set(parts "")
  foreach(part IN ITEMS C FORTRAN RAW)
    if(arg_${part})
      cmake_path(ABSOLUTE_PATH arg_${part}
        BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE)
      list(APPEND outputs "${arg_${part}}")
      list(APPEND parts "-D${part}_FILE=${arg_${part}}")
    endif()
  endforeach()

  # Changing the call rewrites this file, and the rule depends on it, so
  # zemta runs again whether or not the generator tracks command lines.
  # file(CONFIGURE) leaves an unchanged file and its time stamp alone.
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/zemta_generate/${name}.args")
  string(REPLACE ";" "\n" stamp_content "ORDER=${arg_ORDER};${parts}")
  file(CONFIGURE OUTPUT "${stamp}" CONTENT "${stamp_content}\n" @ONLY)

  get_property(split_script GLOBAL PROPERTY ZEMTA_SPLIT_SCRIPT)
  get_property(zemta GLOBAL PROPERTY ZEMTA_EXECUTABLE)

  add_custom_command(
    OUTPUT ${outputs}
    COMMAND "${CMAKE_COMMAND}" "-DZEMTA_EXECUTABLE=${zemta}"
            "-DORDER=${arg_ORDER}" ${parts} -P "${split_script}"
    DEPENDS "${zemta}" "${split_script}" "${stamp}"
    COMMENT "zemta: generating the ${arg_ORDER}-point rule for ${name}"
    VERBATIM)

  add_library(${name} OBJECT ${outputs})
  if(arg_C)
    set_source_files_properties("${arg_C}" PROPERTIES LANGUAGE C)
  endif()
  if(arg_RAW)
    set_source_files_properties("${arg_RAW}" PROPERTIES LANGUAGE C)
  endif()
  if(arg_FORTRAN)
    set_source_files_properties("${arg_FORTRAN}" PROPERTIES
      LANGUAGE Fortran Fortran_FORMAT FIXED)
    if(CMAKE_Fortran_COMPILER_ID MATCHES "^(GNU|LLVMFlang)$")
      set_source_files_properties("${arg_FORTRAN}" PROPERTIES
        COMPILE_OPTIONS -fdefault-real-8)
    else()
      message(WARNING
        "zemta_generate(${name}): compile ${arg_FORTRAN} with "
        "double-precision default reals; its constants have no D exponent "
        "and are single precision otherwise")
    endif()
  endif()
endfunction()

# zemta_generate_rule(<name> ORDER <n> OUTPUT <file> [RULE <family>]
#                     [ALPHA <a>] [BETA <b>] [SCALED] [FORMAT <format>]
#                     [INTERVAL <a> <b>] [HALF] [HEX])
#
# Writes the correctly rounded rule of order n at build time by running
# zemta-rule, into <file> (relative paths below CMAKE_CURRENT_BINARY_DIR),
# and makes <name> a target that builds it, part of ALL. RULE is one of
# zemta-rule's families (zemta_RULE_FAMILIES; legendre, the default,
# lobatto, radau, radau-right, kronrod, chebyshev1, chebyshev2, hermite,
# hermite-prob, laguerre and jacobi), and ORDER runs from the family's
# least order (zemta_RULE_LEAST_ORDERS) to zemta_MAX_ORDER. ALPHA goes
# with the families of zemta_RULE_ALPHA_FAMILIES, BETA with
# zemta_RULE_BETA_FAMILIES, SCALED with zemta_RULE_SCALED_FAMILIES and
# INTERVAL with zemta_RULE_FINITE_FAMILIES (the families on [-1, 1]).
# FORMAT is one of zemta-rule's formats (zemta_RULE_FORMATS): csv (the
# default), c, cpp, numpy, julia, fortran, rust, js, matlab and json.
# ALPHA, BETA, SCALED, INTERVAL, HALF and HEX are zemta-rule's --alpha,
# --beta, --scaled, --interval, --half and --hex (man zemta-rule), which
# checks the values themselves when it runs. Use the file as a source or a header of your own
# targets, or install it; a target that includes it should depend on
# <name>. The file is written when missing, when the call changes, and when
# zemta-rule itself changes.
function(zemta_generate_rule name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "HALF;HEX;SCALED"
    "ORDER;OUTPUT;FORMAT;RULE;ALPHA;BETA" "INTERVAL")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR
      "zemta_generate_rule(${name}): unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(TARGET ${name})
    message(FATAL_ERROR "zemta_generate_rule(${name}): target ${name} exists")
  endif()
  set(family legendre)
  if(DEFINED arg_RULE)
    if(NOT arg_RULE IN_LIST zemta_RULE_FAMILIES)
      list(JOIN zemta_RULE_FAMILIES ", " families)
      message(FATAL_ERROR
        "zemta_generate_rule(${name}): RULE must be one of ${families}, "
        "not \"${arg_RULE}\"")
    endif()
    set(family ${arg_RULE})
  endif()
  list(FIND zemta_RULE_FAMILIES ${family} family_index)
  list(GET zemta_RULE_LEAST_ORDERS ${family_index} least)
  if(NOT arg_ORDER MATCHES "^[1-9][0-9]*$" OR arg_ORDER LESS least
     OR arg_ORDER GREATER zemta_MAX_ORDER)
    message(FATAL_ERROR
      "zemta_generate_rule(${name}): ORDER must be a decimal number from "
      "${least} to ${zemta_MAX_ORDER}, not \"${arg_ORDER}\"")
  endif()
  if(NOT arg_OUTPUT)
    message(FATAL_ERROR "zemta_generate_rule(${name}): OUTPUT is missing")
  endif()
  # What each option needs of the family, from zemta-rule's own list.
  foreach(option IN ITEMS ALPHA BETA SCALED INTERVAL)
    if(option STREQUAL "INTERVAL")
      set(takers ${zemta_RULE_FINITE_FAMILIES})
    else()
      set(takers ${zemta_RULE_${option}_FAMILIES})
    endif()
    # SCALED, a flag, is always set (TRUE or FALSE); the others only when
    # given.
    if(option STREQUAL "SCALED")
      set(given ${arg_SCALED})
    elseif(DEFINED arg_${option})
      set(given TRUE)
    else()
      set(given FALSE)
    endif()
    if(given AND NOT family IN_LIST takers)
      list(JOIN takers ", " takers)
      message(FATAL_ERROR
        "zemta_generate_rule(${name}): ${option} goes with RULE ${takers}, "
        "not ${family}")
    endif()
  endforeach()
  set(arguments ${arg_ORDER})
  if(DEFINED arg_RULE)
    list(APPEND arguments --rule ${arg_RULE})
  endif()
  foreach(option IN ITEMS ALPHA BETA)
    if(DEFINED arg_${option})
      string(TOLOWER ${option} flag)
      # Attached, so that a value starting with '-' stays one argument of
      # the option whatever the build tool makes of it.
      list(APPEND arguments --${flag}=${arg_${option}})
    endif()
  endforeach()
  if(arg_SCALED)
    list(APPEND arguments --scaled)
  endif()
  if(DEFINED arg_FORMAT)
    if(NOT arg_FORMAT IN_LIST zemta_RULE_FORMATS)
      list(JOIN zemta_RULE_FORMATS ", " formats)
      message(FATAL_ERROR
        "zemta_generate_rule(${name}): FORMAT must be one of ${formats}, "
        "not \"${arg_FORMAT}\"")
    endif()
    list(APPEND arguments --format ${arg_FORMAT})
  endif()
  if(DEFINED arg_INTERVAL)
    list(LENGTH arg_INTERVAL ends)
    if(NOT ends EQUAL 2)
      message(FATAL_ERROR
        "zemta_generate_rule(${name}): INTERVAL takes two values, A and B")
    endif()
    list(APPEND arguments --interval ${arg_INTERVAL})
  endif()
  if(arg_HALF)
    list(APPEND arguments --half)
  endif()
  if(arg_HEX)
    list(APPEND arguments --hex)
  endif()
  cmake_path(ABSOLUTE_PATH arg_OUTPUT
    BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE)

  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/zemta_generate/${name}.args")
  string(REPLACE ";" "\n" stamp_content "${arguments};${arg_OUTPUT}")
  file(CONFIGURE OUTPUT "${stamp}" CONTENT "${stamp_content}\n" @ONLY)

  get_property(script GLOBAL PROPERTY ZEMTA_RULE_OUTPUT_SCRIPT)
  get_property(zemta_rule GLOBAL PROPERTY ZEMTA_RULE_EXECUTABLE)
  # The arguments in one -D argument, "|" between them: a ";" would not
  # survive the build tool's command line.
  string(REPLACE ";" "|" arguments_text "${arguments}")
  add_custom_command(
    OUTPUT "${arg_OUTPUT}"
    COMMAND "${CMAKE_COMMAND}" "-DZEMTA_RULE_EXECUTABLE=${zemta_rule}"
            "-DARGUMENTS=${arguments_text}" "-DOUTPUT=${arg_OUTPUT}"
            -P "${script}"
    DEPENDS "${zemta_rule}" "${script}" "${stamp}"
    COMMENT "zemta-rule: writing the ${family} rule of order ${arg_ORDER} for ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS "${arg_OUTPUT}")
endfunction()

cmake_policy(POP)
