# Writes the web page as one file that needs no other: web/index.html with
# each "zemta:" comment replaced by the file it names. Run by the build rule
# in zemta_web.cmake:
#
#   cmake -DWEB_DIR=<web/> -DMODULE=<zemta.wasm>
#         -DRULE_MODULE=<zemta-rule.wasm> -DVERSION=<version>
#         -DMIN_ORDER=<n> -DMAX_ORDER=<n> -DSOURCE_URL=<address>
#         -DOUTPUT=<site/index.html> -P zemta_web_page.cmake
#
#   <!-- zemta:style style.css -->         a <style> element
#   <!-- zemta:module zemta.wasm -->       the module in base64, as text: a
#                                           page opened from disk may not
#                                           fetch it
#   <!-- zemta:module zemta-rule.wasm -->  the same for zemta-rule,
#                                           compressed with gzip, which
#                                           the page decodes and compiles
#                                           after its first frame
#   <!-- zemta:script wasi.js -->          a classic <script>: a browser
#   <!-- zemta:script boot.js -->          runs no module script from disk.
#   <!-- zemta:script texts.js -->         wasi.js and texts.js are modules
#   <!-- zemta:script app.js -->           for Node too; in the page they
#                                           lose the word `export`, and
#                                           wasi.js keeps its other names
#                                           to itself; each loses its lines
#                                           that are comments alone
#
# and @ZEMTA_VERSION@, @ZEMTA_MIN_ORDER@ and @ZEMTA_MAX_ORDER@ (the orders
# the program accepts) by their values, and @ZEMTA_SOURCE_LINK@ by a link
# to the source at SOURCE_URL, or by nothing when SOURCE_URL is empty.
# The page's other comments and the style's are left out. Fails when a
# marker is missing, or when an inlined file holds text that would end its
# element early.

cmake_minimum_required(VERSION 3.25)

file(READ "${WEB_DIR}/index.html" page)

# Each marker must stand in the page exactly once.
function(replace_marker marker replacement)
  string(FIND "${page}" "${marker}" first)
  string(FIND "${page}" "${marker}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "web/index.html: `${marker}` must appear once")
  endif()
  string(REPLACE "${marker}" "${replacement}" page "${page}")
  set(page "${page}" PARENT_SCOPE)
endfunction()

# The text of web/<name>, which must not close the element it goes in.
function(read_inline name out)
  file(READ "${WEB_DIR}/${name}" text)
  string(TOLOWER "${text}" lower)
  string(FIND "${lower}" "</script" close_at)
  string(FIND "${lower}" "</style" style_at)
  string(FIND "${lower}" "<!--" comment_at)
  if(NOT close_at EQUAL -1 OR NOT style_at EQUAL -1 OR NOT comment_at EQUAL -1)
    message(FATAL_ERROR "web/${name} holds </script, </style or <!--, "
      "which would end its element in the page")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

read_inline(style.css style)
# Its comments, each on lines of its own, are for the source alone.
string(REGEX REPLACE "\n[ \t]*/\\*([^*]|\\*+[^*/])*\\*+/" "" style "${style}")
replace_marker("<!-- zemta:style style.css -->" "<style>\n${style}</style>")

# Each module as the text of an element whose id is its name's stem and
# "-module": zemta-module, zemta-rule-module. zemta-rule's, which the page
# decodes only after its first frame, is compressed with gzip first, to
# keep the page small (a third of the size).
foreach(module IN ITEMS MODULE RULE_MODULE)
  set(file "${${module}}")
  if(module STREQUAL "RULE_MODULE")
    set(file "${OUTPUT}.zemta-rule.wasm.gz")
    execute_process(
      COMMAND gzip -9 -n -c "${${module}}"
      OUTPUT_FILE "${file}"
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip -9 -n -c ${${module}} failed (${status})")
    endif()
  endif()
  execute_process(
    COMMAND base64 -w 0 "${file}"
    OUTPUT_VARIABLE module_base64
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR module_base64 STREQUAL "")
    message(FATAL_ERROR "base64 -w 0 ${file} failed (${status})")
  endif()
  if(module STREQUAL "RULE_MODULE")
    file(REMOVE "${file}")
  endif()
  get_filename_component(module_name "${${module}}" NAME)
  get_filename_component(module_stem "${${module}}" NAME_WE)
  replace_marker("<!-- zemta:module ${module_name} -->"
    "<script type=\"text/plain\" id=\"${module_stem}-module\">${module_base64}</script>")
endforeach()

foreach(script IN ITEMS wasi.js boot.js texts.js app.js)
  read_inline(${script} code)
  # The comments that fill a line of their own are for the source, not for
  # the browser: a quarter of the page's own text, which keeps the release's
  # web archive under its limit; so is the indentation. No line of
  # web/*.js starts inside a string (none of its template literals spans
  # lines).
  string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" code "\n${code}")
  string(REGEX REPLACE "\n[ \t]+" "\n" code "${code}")
  string(SUBSTRING "${code}" 1 -1 code)
  if(script STREQUAL "wasi.js" OR script STREQUAL "texts.js")
    string(REGEX REPLACE "(^|\n)export " "\\1" page_code "${code}")
    if(page_code STREQUAL code)
      message(FATAL_ERROR "web/${script}: no `export`")
    endif()
    set(code "${page_code}")
  endif()
  if(script STREQUAL "wasi.js")
    # The page runs the program synchronously; the rest of wasi.js stays
    # its own.
    set(code "const runZemtaNow = (() => {\n${code}\nreturn runZemtaNow;\n})();\n")
  endif()
  replace_marker("<!-- zemta:script ${script} -->" "<script>\n${code}</script>")
endforeach()

if(SOURCE_URL STREQUAL "")
  set(source_link "")
else()
  get_filename_component(source_name "${SOURCE_URL}" NAME)
  set(source_link " ·\n  source: <a href=\"${SOURCE_URL}\">${source_name}</a>")
endif()
replace_marker("@ZEMTA_SOURCE_LINK@" "${source_link}")
if(NOT MIN_ORDER MATCHES "^[0-9]+$" OR NOT MAX_ORDER MATCHES "^[0-9]+$")
  message(FATAL_ERROR "MIN_ORDER and MAX_ORDER must be given")
endif()
string(REPLACE "@ZEMTA_MIN_ORDER@" "${MIN_ORDER}" page "${page}")
string(REPLACE "@ZEMTA_MAX_ORDER@" "${MAX_ORDER}" page "${page}")
string(REPLACE "@ZEMTA_VERSION@" "${VERSION}" page "${page}")
# So are the page's own comments, the markers' once replaced: no inlined
# file holds "<!--", nor does a module's base64.
string(REGEX REPLACE "\n[ \t]*<!--([^-]|-[^-])*-->" "" page "${page}")

file(WRITE "${OUTPUT}" "${page}")
