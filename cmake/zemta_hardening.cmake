# The usual hardening of a Linux program: bounds-checked variants of the C
# library's string and formatted-output calls, stack canaries, and a
# read-only relocation table bound at start-up. None of these changes an
# arithmetic operation, so the output stays the same to the byte. Included
# from the top-level CMakeLists.txt once zemta_build_flags exists.

option(ZEMTA_HARDENING
       "Build with stack protection, _FORTIFY_SOURCE and full RELRO (Linux)" ON)

if(ZEMTA_HARDENING AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # _FORTIFY_SOURCE needs the optimiser (glibc warns without it), so a Debug
  # build goes without. -U first: some compilers predefine another level.
  set(optimised "$<NOT:$<CONFIG:Debug>>")
  target_compile_options(zemta_build_flags INTERFACE
    -fstack-protector-strong
    $<${optimised}:-U_FORTIFY_SOURCE>
    $<${optimised}:-D_FORTIFY_SOURCE=2>)
  target_link_options(zemta_build_flags INTERFACE
    LINKER:-z,relro LINKER:-z,now)
endif()
