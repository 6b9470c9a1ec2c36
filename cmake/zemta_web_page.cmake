# Writes the web page as one file that needs no other: web/index.html with
# each "zemta:" comment replaced by the file it names. Run by the build rule
# in zemta_web.cmake:
#
#   cmake -DWEB_DIR=<web/> -DMODULE=<zemta.wasm> -DVERSION=<version>
#         -DSOURCE_URL=<address> -DOUTPUT=<site/index.html>
#         -P zemta_web_page.cmake
#
#   <!-- zemta:style style.css -->         a <style> element
#   <!-- zemta:worker wasi.js worker.js --> the worker's code, as text: a
#                                           browser runs no worker script
#                                           from a file:// address
#   <!-- zemta:module zemta.wasm -->       the module in base64, as text: a
#                                           page opened from disk may not
#                                           fetch it
#   <!-- zemta:script boot.js -->          a classic <script>: a browser
#   <!-- zemta:script app.js -->           runs no module script from disk
#
# and @ZEMTA_VERSION@ and @ZEMTA_SOURCE_URL@ by the version and the address
# of the source. Fails when a comment is missing, or when an inlined file
# holds text that would end its element early.

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
replace_marker("<!-- zemta:style style.css -->" "<style>\n${style}</style>")

# wasi.js is a module for Node; in the worker its function is a plain one.
read_inline(wasi.js wasi)
string(REPLACE "export async function runZemta" "async function runZemta"
  worker_code "${wasi}")
if(worker_code STREQUAL wasi)
  message(FATAL_ERROR "web/wasi.js: no `export async function runZemta`")
endif()
read_inline(worker.js worker)
replace_marker("<!-- zemta:worker wasi.js worker.js -->"
  "<script type=\"text/plain\" id=\"zemta-worker\">\n${worker_code}\n${worker}</script>")

execute_process(
  COMMAND base64 -w 0 "${MODULE}"
  OUTPUT_VARIABLE module_base64
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR module_base64 STREQUAL "")
  message(FATAL_ERROR "base64 -w 0 ${MODULE} failed (${status})")
endif()
replace_marker("<!-- zemta:module zemta.wasm -->"
  "<script type=\"text/plain\" id=\"zemta-module\">${module_base64}</script>")

foreach(script IN ITEMS boot.js app.js)
  read_inline(${script} code)
  replace_marker("<!-- zemta:script ${script} -->" "<script>\n${code}</script>")
endforeach()

replace_marker("@ZEMTA_SOURCE_URL@" "${SOURCE_URL}")
string(REPLACE "@ZEMTA_VERSION@" "${VERSION}" page "${page}")

file(WRITE "${OUTPUT}" "${page}")
