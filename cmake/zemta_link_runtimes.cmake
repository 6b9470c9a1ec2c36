# How a program of the project links its runtimes: wholly static with
# ZEMTA_STATIC_LINK, otherwise as the toolchain does by default (a Windows
# program is always static, see the top-level CMakeLists.txt). Used by the
# program (cli/) and by the benchmarks' build of the one-at-a-time program
# (bench/), so that they time the same start-up.
function(zemta_link_runtimes target)
  if(ZEMTA_STATIC_LINK)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
