# The web page: the program as a WebAssembly module, zemta.wasm, beside a copy
# of every file of web/, in the folder site/ of the build tree. The folder is
# the whole static site, ready to serve as it is. Included from the top-level
# CMakeLists.txt when the build targets wasm32 (the wasm preset).

set(site_dir ${PROJECT_BINARY_DIR}/site)
set_target_properties(zemta PROPERTIES
  SUFFIX ".wasm"
  RUNTIME_OUTPUT_DIRECTORY ${site_dir})

# A file added to web/ is picked up at the next build, with no edit here.
file(GLOB web_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/*)
set(site_files)
foreach(source IN LISTS web_files)
  if(IS_DIRECTORY ${source})
    continue()
  endif()
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${site_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${site_dir}/${name}
    DEPENDS ${source}
    COMMENT "Copying web/${name} to site/"
    VERBATIM)
  list(APPEND site_files ${site_dir}/${name})
endforeach()
add_custom_target(zemta_site ALL DEPENDS ${site_files})
