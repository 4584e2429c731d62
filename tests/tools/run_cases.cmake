# Runs the tool once per line of a case table and compares its standard
# output, standard error and exit status with the line's expectations.
#
#   cmake -DTOOL=... [-DEMULATOR=...] -DCASES=table.tsv -DDATA=dir -DEXPECTED=dir
#         [-DSTDOUT_FILE=file] -DLIBRARY=... -DPROBE=... -DPROBE_NOEXPORT=...
#         -DPROBE_BADHEADER=... -DPROBE_CRASH=... -P run_cases.cmake
#
# With STDOUT_FILE the tool writes its standard output to that file (such as
# /dev/full) and the table's STDOUT column must be "-".
# A table line holds tab-separated columns:
#
#   EXIT  STDOUT  STDERR  ARGUMENT...
#
# STDOUT and STDERR are "-" for nothing, "@FILE" for the contents of FILE in
# the EXPECTED folder (an HTML page is compared without its stylesheet,
# the text inside <style>, and "@FILE.css" compares that stylesheet only,
# so that a change of style edits one file), "~REGEX" for text that the regular expression
# matches as a whole (\n in it stands for a line feed), or else the text of
# one line (its line feed implied).  A first argument "<FILE" is no
# argument: standard input comes from FILE in the DATA folder; first
# arguments "ENV:NAME=VALUE" are none either: they set the tool's environment.
# @VERSION@ anywhere in a line stands for the build's version (-DVERSION).
# In the arguments @LIBRARY@, @PROBE@, @PROBE_NOEXPORT@, @PROBE_BADHEADER@
# and @PROBE_CRASH@ stand for the libraries' paths, @FIFO@ (with -DSCRATCH=folder, on
# POSIX systems) for a named pipe that nothing writes to, and
# @TRUNCATED_LIBRARY@ (the same) for the library's first 5000 bytes, and
# @WRAPPED_LIBRARY@ for the library with a loadable segment whose offset
# and size together pass the largest number of its class.  The tool runs in the DATA folder.  Empty
# lines and lines starting with "#" are skipped.  Every case runs; the
# script fails at the end if any of them failed.

cmake_minimum_required(VERSION 3.25)

file(READ "${CASES}" table)
set(failures 0)
set(cases 0)
set(line_number 0)

# Splits `text` at tabs into the variables fields_0, fields_1, ... and sets
# field_count (lists cannot be used: a field may hold list separators).
function(split_tabs text)
  set(index 0)
  while(TRUE)
    string(FIND "${text}" "\t" tab)
    if(tab EQUAL -1)
      set(fields_${index} "${text}" PARENT_SCOPE)
      math(EXPR count "${index} + 1")
      set(field_count ${count} PARENT_SCOPE)
      return()
    endif()
    string(SUBSTRING "${text}" 0 ${tab} field)
    set(fields_${index} "${field}" PARENT_SCOPE)
    math(EXPR tab "${tab} + 1")
    string(SUBSTRING "${text}" ${tab} -1 text)
    math(EXPR index "${index} + 1")
  endwhile()
endfunction()

# Splits an HTML page at its stylesheet: `sheet` gets the text inside
# <style>, `rest` the page without it.
function(split_style page rest sheet)
  string(FIND "${page}" "<style>\n" open)
  string(FIND "${page}" "</style>" close)
  if(open EQUAL -1 OR close EQUAL -1 OR close LESS open)
    set(${rest} "${page}" PARENT_SCOPE)
    set(${sheet} "" PARENT_SCOPE)
    return()
  endif()
  math(EXPR open "${open} + 8")
  math(EXPR length "${close} - ${open}")
  string(SUBSTRING "${page}" 0 ${open} head)
  string(SUBSTRING "${page}" ${open} ${length} style)
  string(SUBSTRING "${page}" ${close} -1 tail)
  set(${rest} "${head}${tail}" PARENT_SCOPE)
  set(${sheet} "${style}" PARENT_SCOPE)
endfunction()

# Sets `result` to TRUE when `actual` meets `expectation` (see above).
function(check expectation actual result)
  if(expectation STREQUAL "-")
    set(expected "")
  elseif(expectation MATCHES "^@")
    string(SUBSTRING "${expectation}" 1 -1 name)
    file(READ "${EXPECTED}/${name}" expected)
    if(name MATCHES "\\.html$")
      split_style("${actual}" actual style)
    elseif(name MATCHES "\\.css$")
      split_style("${actual}" page actual)
    endif()
  elseif(expectation MATCHES "^~")
    string(SUBSTRING "${expectation}" 1 -1 pattern)
    string(REPLACE "\\n" "\n" pattern "${pattern}")
    if("${actual}" MATCHES "^${pattern}$")
      set(${result} TRUE PARENT_SCOPE)
    else()
      set(${result} FALSE PARENT_SCOPE)
    endif()
    return()
  else()
    set(expected "${expectation}\n")
  endif()
  if("${actual}" STREQUAL "${expected}")
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/lines.cmake)
split_lines("${table}" row)
math(EXPR last_row "${row_count} - 1")
foreach(row_index RANGE 0 ${last_row})
  if(row_count EQUAL 0)  # RANGE 0 -1 would count down
    break()
  endif()
  set(line "${row_${row_index}}")
  math(EXPR line_number "${row_index} + 1")
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  # @VERSION@ anywhere in a line is the version of the build.
  string(REPLACE "@VERSION@" "${VERSION}" line "${line}")
  split_tabs("${line}")
  if(field_count LESS 3)
    message(FATAL_ERROR "${CASES}:${line_number}: expected EXIT, STDOUT, STDERR and the arguments")
  endif()
  set(arguments "")
  math(EXPR last "${field_count} - 1")
  foreach(i RANGE 3 ${last})
    if(field_count EQUAL 3)  # no arguments (RANGE 3 2 would count down)
      break()
    endif()
    set(argument "${fields_${i}}")
    foreach(name LIBRARY PROBE PROBE_NOEXPORT PROBE_BADHEADER PROBE_CRASH)
      string(REPLACE "@${name}@" "${${name}}" argument "${argument}")
    endforeach()
    if(argument MATCHES "@TRUNCATED_LIBRARY@")
      # The library's first 5000 bytes: a file that ends inside its segments.
      file(MAKE_DIRECTORY "${SCRATCH}")
      execute_process(COMMAND head -c 5000 "${LIBRARY}" OUTPUT_FILE "${SCRATCH}/truncated-library" RESULT_VARIABLE cut)
      if(NOT cut EQUAL 0)
        message(FATAL_ERROR "cannot write ${SCRATCH}/truncated-library")
      endif()
      string(REPLACE "@TRUNCATED_LIBRARY@" "${SCRATCH}/truncated-library" argument "${argument}")
    endif()
    if(argument MATCHES "@WRAPPED_LIBRARY@")
      # The library with its first program header's file offset set to
      # 256 bytes short of the top of its class: offset and size pass it.
      file(MAKE_DIRECTORY "${SCRATCH}")
      file(COPY_FILE "${LIBRARY}" "${SCRATCH}/wrapped-library")
      file(READ "${LIBRARY}" class OFFSET 4 LIMIT 1 HEX)
      if(class STREQUAL "02")
        set(patch 72 "\\000\\377\\377\\377\\377\\377\\377\\377")
      else()
        set(patch 56 "\\000\\377\\377\\377")
      endif()
      list(GET patch 0 at)
      list(GET patch 1 bytes)
      execute_process(COMMAND sh -c "printf '${bytes}' | dd of=\"$0\" bs=1 seek=${at} conv=notrunc 2>/dev/null"
        "${SCRATCH}/wrapped-library" RESULT_VARIABLE patched)
      if(NOT patched EQUAL 0)
        message(FATAL_ERROR "cannot write ${SCRATCH}/wrapped-library")
      endif()
      string(REPLACE "@WRAPPED_LIBRARY@" "${SCRATCH}/wrapped-library" argument "${argument}")
    endif()
    if(argument MATCHES "@FIFO@")
      if(NOT EXISTS "${SCRATCH}/fifo")
        file(MAKE_DIRECTORY "${SCRATCH}")
        execute_process(COMMAND mkfifo "${SCRATCH}/fifo" RESULT_VARIABLE made)
        if(NOT made EQUAL 0)
          message(FATAL_ERROR "cannot make the named pipe ${SCRATCH}/fifo")
        endif()
      endif()
      string(REPLACE "@FIFO@" "${SCRATCH}/fifo" argument "${argument}")
    endif()
    if(argument MATCHES ";")
      message(FATAL_ERROR "${CASES}:${line_number}: the driver cannot pass a \";\" in an argument")
    endif()
    if(argument MATCHES "\\\\$")
      # A backslash before the list separator would escape it.
      message(FATAL_ERROR "${CASES}:${line_number}: the driver cannot pass an argument that ends in a backslash")
    endif()
    list(APPEND arguments "${argument}")
  endforeach()

  # "<FILE" as the first argument: standard input comes from FILE.
  set(input_file "")
  list(LENGTH arguments argument_count)
  if(argument_count GREATER 0)
    list(GET arguments 0 first)
    if(first MATCHES "^<")
      string(SUBSTRING "${first}" 1 -1 input_file)
      list(REMOVE_AT arguments 0)
      set(input_file INPUT_FILE "${DATA}/${input_file}")
    endif()
  endif()
  # "ENV:NAME=VALUE" as the first arguments: no arguments, but the tool's
  # environment.
  set(environment "")
  while(TRUE)
    list(LENGTH arguments argument_count)
    if(argument_count EQUAL 0)
      break()
    endif()
    list(GET arguments 0 first)
    if(NOT first MATCHES "^ENV:")
      break()
    endif()
    string(SUBSTRING "${first}" 4 -1 setting)
    list(APPEND environment "${setting}")
    list(REMOVE_AT arguments 0)
  endwhile()
  if(environment)
    set(environment ${CMAKE_COMMAND} -E env ${environment})
  endif()
  if(STDOUT_FILE)
    set(out "")
    execute_process(COMMAND ${environment} ${EMULATOR} ${TOOL} ${arguments}
      WORKING_DIRECTORY "${DATA}"
      OUTPUT_FILE "${STDOUT_FILE}" ERROR_VARIABLE err RESULT_VARIABLE status)
  else()
    execute_process(COMMAND ${environment} ${EMULATOR} ${TOOL} ${arguments} ${input_file}
      WORKING_DIRECTORY "${DATA}" TIMEOUT 60
      OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  endif()
  math(EXPR cases "${cases} + 1")

  check("${fields_1}" "${out}" out_ok)
  check("${fields_2}" "${err}" err_ok)
  if(NOT status STREQUAL "${fields_0}" OR NOT out_ok OR NOT err_ok)
    math(EXPR failures "${failures} + 1")
    string(REPLACE ";" " " shown "${arguments}")
    get_filename_component(tool_name "${TOOL}" NAME_WE)
    message(SEND_ERROR "${CASES}:${line_number}: ${tool_name} ${shown}\n"
      "  exit status ${status}, expected ${fields_0}\n"
      "  standard output (expected ${fields_1}):\n${out}\n"
      "  standard error (expected ${fields_2}):\n${err}")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${cases} cases failed")
endif()
message(STATUS "${cases} cases passed")
