# The two helpers of the lock's checkers (check_program.cmake and
# check_rule.cmake): a stream's digest, LF or CR LF line ends alike, and one
# run of PROGRAM. They read the checker's LINE_ENDS, PROGRAM, RUNS and
# WORK_DIR.

# The SHA-256 of the file <file> as the program wrote it, in <var>; with
# CRLF line ends, of the file with every CR LF made LF, or "bare-LF" where a
# line end lacks its CR. Then the file is, byte for byte, the locked bytes
# with every LF made CR LF.
function(stream_digest var file)
  if(NOT LINE_ENDS STREQUAL "CRLF")
    file(SHA256 "${file}" digest)
    set(${var} ${digest} PARENT_SCOPE)
    return()
  endif()
  # file(READ) reads line by line and drops one CR before each LF, and one
  # at the very end of the file, which is put back.
  file(READ "${file}" lf)
  file(SIZE "${file}" size)
  if(size GREATER 0)
    math(EXPR last "${size} - 1")
    file(READ "${file}" last_byte OFFSET ${last} LIMIT 1 HEX)
    if(last_byte STREQUAL "0d")
      string(APPEND lf "\r")
    endif()
  endif()
  string(LENGTH "${lf}" lf_length)
  string(REPLACE "\n" "" no_lf "${lf}")
  string(LENGTH "${no_lf}" no_lf_length)
  math(EXPR crs_dropped "${size} - ${lf_length}")
  math(EXPR lfs "${lf_length} - ${no_lf_length}")
  if(NOT crs_dropped EQUAL lfs)
    set(${var} "bare-LF" PARENT_SCOPE)
    return()
  endif()
  string(SHA256 digest "${lf}")
  set(${var} ${digest} PARENT_SCOPE)
endfunction()

# Runs PROGRAM with the arguments <args> (a list), standard output to
# <output> (default a file of its own); sets in the caller <prefix>_status,
# <prefix>_out and <prefix>_err (the digests; "-" for standard output sent
# elsewhere).
function(run prefix args output)
  if(DEFINED RUNS)
    file(READ "${RUNS}/${args}.status" status)
    stream_digest(out "${RUNS}/${args}.out")
    stream_digest(err "${RUNS}/${args}.err")
    set(${prefix}_status "${status}" PARENT_SCOPE)
    set(${prefix}_out "${out}" PARENT_SCOPE)
    set(${prefix}_err "${err}" PARENT_SCOPE)
    return()
  endif()
  set(out_file "${output}")
  if(out_file STREQUAL "")
    set(out_file "${WORK_DIR}/out")
  endif()
  foreach(attempt RANGE 1 3)
    execute_process(COMMAND ${PROGRAM} ${args}
      OUTPUT_FILE "${out_file}" ERROR_FILE "${WORK_DIR}/err"
      RESULT_VARIABLE status)
    file(SIZE "${WORK_DIR}/err" err_size)
    if(status STREQUAL "0" OR err_size GREATER 0 OR attempt EQUAL 3)
      break()
    endif()
    message(STATUS "check_program: ${args} exited ${status} without output; again")
  endforeach()
  set(out "-")
  if(output STREQUAL "")
    stream_digest(out "${out_file}")
  endif()
  stream_digest(err "${WORK_DIR}/err")
  set(${prefix}_status "${status}" PARENT_SCOPE)
  set(${prefix}_out "${out}" PARENT_SCOPE)
  set(${prefix}_err "${err}" PARENT_SCOPE)
endfunction()
