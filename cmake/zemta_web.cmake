# The web page: the program as a WebAssembly module, zemta.wasm, zemta-rule
# as another, zemta-rule.wasm, and the page index.html, which holds both
# modules and all of web/ in itself, in the folder
# site/ of the build tree (see zemta_web_page.cmake). The page needs no other
# file, from a server or opened from disk, and opens on the order-20 rule,
# drawn into it by the build (zemta_web_draw.mjs, run by Node, which runs
# the module to draw it, and fills the menus of zemta-rule's formats and
# families from rule/emit/rule_formats.h and rule/quadrature/families.h);
# beside it go the module and
# wasi.js, which run it under Node (ctest --preset wasm), and the README and
# the licence, which the page links to. Included from the top-level
# CMakeLists.txt when the build targets wasm32 (the wasm preset).

set(site_dir ${PROJECT_BINARY_DIR}/site)
set_target_properties(zemta PROPERTIES
  SUFFIX ".wasm"
  RUNTIME_OUTPUT_DIRECTORY ${site_dir})
# zemta-rule beside it, so that the same wasi.js runs it under Node against
# its lock.
set_target_properties(zemta-rule PROPERTIES
  SUFFIX ".wasm"
  RUNTIME_OUTPUT_DIRECTORY ${site_dir})

# Where the page's footer points for the source: a public address, or
# empty for no link (a page opened from disk or served without the archive
# beside it would link to nothing).
set(ZEMTA_SOURCE_ADDRESS "" CACHE STRING
  "Public address of the source that the web page links to (empty: no link)")

# The page's order range is the program's (zemta_order_range.cmake).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/quadrature/coefficients.h)

# The page is written again when any file of web/ changes.
file(GLOB web_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/*)
set(page_script ${PROJECT_SOURCE_DIR}/cmake/zemta_web_page.cmake)
# The page opens on a rule drawn into it by the build
# (zemta_web_draw.mjs), which runs the module under Node to draw it.
set(draw_script ${PROJECT_SOURCE_DIR}/cmake/zemta_web_draw.mjs)
find_program(ZEMTA_NODE NAMES node nodejs REQUIRED)
add_custom_command(
  OUTPUT ${site_dir}/index.html
  COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${PROJECT_SOURCE_DIR}/web
    -DMODULE=$<TARGET_FILE:zemta> -DRULE_MODULE=$<TARGET_FILE:zemta-rule>
    -DVERSION=${PROJECT_VERSION}
    -DMIN_ORDER=${ZEMTA_MIN_ORDER} -DMAX_ORDER=${ZEMTA_MAX_ORDER}
    "-DSOURCE_URL=${ZEMTA_SOURCE_ADDRESS}" -DOUTPUT=${site_dir}/index.html
    -P ${page_script}
  COMMAND ${ZEMTA_NODE} ${draw_script} ${site_dir}/index.html
    ${PROJECT_SOURCE_DIR}/web $<TARGET_FILE:zemta>
    ${PROJECT_SOURCE_DIR}/rule/emit/rule_formats.h $<TARGET_FILE:zemta-rule>
    ${PROJECT_SOURCE_DIR}/rule/quadrature/families.h
  DEPENDS ${web_files} zemta zemta-rule ${page_script} ${draw_script}
    ${PROJECT_SOURCE_DIR}/rule/emit/rule_formats.h
    ${PROJECT_SOURCE_DIR}/rule/quadrature/families.h
  COMMENT "Writing site/index.html with the module and web/ inside"
  VERBATIM)

set(site_files ${site_dir}/index.html)
foreach(source IN ITEMS ${PROJECT_SOURCE_DIR}/web/wasi.js
    ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${site_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${site_dir}/${name}
    DEPENDS ${source}
    COMMENT "Copying ${name} to site/"
    VERBATIM)
  list(APPEND site_files ${site_dir}/${name})
endforeach()
add_custom_target(zemta_site ALL DEPENDS ${site_files})
