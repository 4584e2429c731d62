# Shared by package-prepare.cmake and package-finish.cmake, which cpack runs
# before and after it makes each package.

# The time every packaged file carries: SOURCE_DATE_EPOCH if set, otherwise
# the time of the commit the sources come from, otherwise the time of the
# top-level CMakeLists.txt.
function(qelrpt_source_date_epoch out)
  if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    set(${out} $ENV{SOURCE_DATE_EPOCH} PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND git -C ${CPACK_QELRPT_SOURCE_DIR} log -1 --format=%ct
    RESULT_VARIABLE rc OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    file(TIMESTAMP ${CPACK_QELRPT_SOURCE_DIR}/CMakeLists.txt epoch "%s" UTC)
  endif()
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()

# Runs a command and stops cpack with its output if it fails.
function(qelrpt_run)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "WORKING_DIRECTORY;INPUT_FILE;OUTPUT_FILE" "COMMAND")
  set(options)
  if(arg_WORKING_DIRECTORY)
    list(APPEND options WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  endif()
  if(arg_INPUT_FILE)
    list(APPEND options INPUT_FILE ${arg_INPUT_FILE})
  endif()
  if(arg_OUTPUT_FILE)
    list(APPEND options OUTPUT_FILE ${arg_OUTPUT_FILE})
  else()
    list(APPEND options OUTPUT_VARIABLE out)
  endif()
  execute_process(COMMAND ${arg_COMMAND} ${options} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " shown "${arg_COMMAND}")
    message(FATAL_ERROR "${shown} failed (${rc}):\n${out}${err}")
  endif()
endfunction()

# Where cpack staged the files of the package it is making, and where the
# debug files of its binaries go.
set(QELRPT_STAGE ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(QELRPT_SYMBOLS_STAGE ${CPACK_TOPLEVEL_DIRECTORY}/symbols)
qelrpt_source_date_epoch(QELRPT_EPOCH)
