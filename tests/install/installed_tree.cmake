# Installs the build tree into an empty ROOT and checks that every shipped
# file is there and that the installed program runs.

include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE "${ROOT}")
set(config_option "")
if(CONFIG)
  set(config_option --config "${CONFIG}")
endif()
run_checked(${CMAKE_COMMAND} --install "${BUILD_DIR}" ${config_option}
            --prefix "${ROOT}")

foreach(file IN ITEMS
    "${BINDIR}/zemta"
    "${BINDIR}/zemta-rule"
    "${MANDIR}/man1/zemta.1"
    "${MANDIR}/man1/zemta-rule.1"
    "${CMAKEDIR}/zemta_rule_output.cmake"
    "${CMAKEDIR}/zemtaConfig.cmake"
    "${CMAKEDIR}/zemtaConfigVersion.cmake"
    "${CMAKEDIR}/zemta_generate.cmake"
    "${CMAKEDIR}/zemta_split_output.cmake")
  if(NOT EXISTS "${ROOT}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

expect_rule_output("${ROOT}/${BINDIR}/zemta")
