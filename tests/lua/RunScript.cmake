# Runs one conformance script through lua32 and compares what it did with
# the expected files beside it:
#   NAME.out     expected standard output
#   NAME.outhead expected start of standard output (instead of NAME.out)
#   NAME.err     expected standard error; without it standard error must be empty
#   NAME.errhead expected start of standard error (instead of NAME.err)
#   NAME.status  expected exit status (default 0)
#   NAME.args    command-line arguments, one per line; @SCRIPT@ is the script's
#                file name (default: just the script)
#   NAME.in      standard input (default: empty)
# The script runs in its own folder, named by its file name only, so that
# messages show `file `NAME.lua''.
cmake_minimum_required(VERSION 3.25)

get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(file ${SCRIPT} NAME)
string(REGEX REPLACE "\\.lua$" "" stem ${SCRIPT})

set(args ${file})
if(EXISTS ${stem}.args)
  file(STRINGS ${stem}.args args)
  list(TRANSFORM args REPLACE "@SCRIPT@" ${file})
endif()
set(input /dev/null)
if(EXISTS ${stem}.in)
  set(input ${stem}.in)
endif()

execute_process(COMMAND ${LUA32} ${args}
                WORKING_DIRECTORY ${dir}
                INPUT_FILE ${input}
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err
                RESULT_VARIABLE status
                TIMEOUT 100)

set(failed FALSE)
set(expected_status 0)
if(EXISTS ${stem}.status)
  file(READ ${stem}.status expected_status)
  string(STRIP "${expected_status}" expected_status)
endif()
if(NOT "${status}" STREQUAL "${expected_status}")
  message("exit status: expected ${expected_status}, got ${status}")
  set(failed TRUE)
endif()

if(EXISTS ${stem}.outhead)
  file(READ ${stem}.outhead expected_out)
  string(LENGTH "${expected_out}" n)
  string(SUBSTRING "${out}" 0 ${n} out)
else()
  file(READ ${stem}.out expected_out)
endif()
if(NOT "${out}" STREQUAL "${expected_out}")
  set(actual ${CMAKE_CURRENT_BINARY_DIR}/${file}.actual)
  file(WRITE ${actual} "${out}")
  execute_process(COMMAND diff -u ${stem}.out ${actual} OUTPUT_VARIABLE d)
  file(REMOVE ${actual})
  message("standard output differs (- expected, + got):\n${d}")
  set(failed TRUE)
endif()

if(EXISTS ${stem}.err)
  file(READ ${stem}.err expected_err)
  if(NOT "${err}" STREQUAL "${expected_err}")
    message("standard error differs.\n--- expected:\n${expected_err}--- got:\n${err}")
    set(failed TRUE)
  endif()
elseif(EXISTS ${stem}.errhead)
  file(READ ${stem}.errhead expected_head)
  string(LENGTH "${expected_head}" n)
  string(SUBSTRING "${err}" 0 ${n} head)
  if(NOT "${head}" STREQUAL "${expected_head}")
    message("standard error does not start as expected.\n--- expected start:\n${expected_head}--- got:\n${err}")
    set(failed TRUE)
  endif()
elseif(NOT "${err}" STREQUAL "")
  message("unexpected standard error:\n${err}")
  set(failed TRUE)
endif()

if(failed)
  message(FATAL_ERROR "${file} failed")
endif()
