# The function table (src/table/function_table.h) as CMake variables, for
# everything the build writes from it.
#
# When the build is configured, src/table/print_table.cpp is compiled with
# the build machine's C++ compiler (also in cross builds, whose own
# compiler makes programs this machine may not start), run, and what it
# prints is included: QELRPT_FUNCTIONS lists the rows' names in the table's
# order, QELRPT_<name>_<FIELD> holds a row's field (print_table.cpp names
# them).  A change to the table, its checks or the worker headers
# configures the build again.
#
#   qelrpt_table_entry_points(VAR)       the rows' entry points, in order
#   qelrpt_table_write_header(FILE)      the formula entry points' prototypes
#   qelrpt_table_function_list(VAR SEP)  "QELIndentTagHier, ...", SEP between
#   qelrpt_write_if_changed(FILE TEXT)   writes FILE only when TEXT differs

set(QELRPT_TABLE_DIR ${PROJECT_SOURCE_DIR}/src/table)
set(QELRPT_TABLE_OUTPUT ${CMAKE_BINARY_DIR}/table)

# Writes `text` into `file` unless it holds it already, so that nothing
# that depends on the file is built again for nothing.
function(qelrpt_write_if_changed file text)
  if(EXISTS ${file})
    file(READ ${file} old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE ${file} "${text}")
endfunction()

function(qelrpt_read_table)
  find_program(QELRPT_BUILD_MACHINE_CXX NAMES c++ g++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  file(GLOB inputs ${QELRPT_TABLE_DIR}/*.h ${QELRPT_TABLE_DIR}/print_table.cpp ${PROJECT_SOURCE_DIR}/src/functions/*.h)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${inputs})
  file(MAKE_DIRECTORY ${QELRPT_TABLE_OUTPUT})
  execute_process(
    COMMAND ${QELRPT_BUILD_MACHINE_CXX} -std=c++20 -Wall -Werror -I${PROJECT_SOURCE_DIR}/src
            -o ${QELRPT_TABLE_OUTPUT}/print_table ${QELRPT_TABLE_DIR}/print_table.cpp
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "src/table/function_table.h does not compile:\n${errors}")
  endif()
  execute_process(COMMAND ${QELRPT_TABLE_OUTPUT}/print_table OUTPUT_VARIABLE script RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "src/table/print_table.cpp failed: ${status}")
  endif()
  qelrpt_write_if_changed(${QELRPT_TABLE_OUTPUT}/functions.cmake "${script}")
endfunction()

qelrpt_read_table()
include(${QELRPT_TABLE_OUTPUT}/functions.cmake)

function(qelrpt_table_entry_points var)
  set(entries "")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    list(APPEND entries ${QELRPT_${name}_ENTRY})
  endforeach()
  set(${var} ${entries} PARENT_SCOPE)
endfunction()

function(qelrpt_table_function_list var separator)
  list(JOIN QELRPT_FUNCTIONS "${separator}" text)
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# The header that include/qelrpt.h includes: one prototype per row, with
# the formula as a designer calls it.
function(qelrpt_table_write_header file)
  set(text "/* Written by the build from the library's function table: the formula\n")
  string(APPEND text " * entry points, one per formula function.  Included by qelrpt.h. */\n")
  string(APPEND text "#ifndef QELRPT_FORMULAS_H\n#define QELRPT_FORMULAS_H\n\n")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    string(APPEND text "/* ${QELRPT_${name}_RESULT} ${name}(${QELRPT_${name}_DESCRIPTIONS}):\n")
    string(APPEND text " * ${QELRPT_${name}_SUMMARY} */\n")
    string(APPEND text "QELRPT_API UFError QELRPT_CALL ${QELRPT_${name}_ENTRY}(UFCallBlock *block);\n")
  endforeach()
  string(APPEND text "\n#endif /* QELRPT_FORMULAS_H */\n")
  qelrpt_write_if_changed(${file} "${text}")
endfunction()

# Wraps `text` at blanks into lines of at most `width` characters, each
# starting with `prefix`, and sets `var` to them (line feeds between).
function(qelrpt_wrap var text width prefix)
  string(REPLACE " " ";" words "${text}")
  set(lines "")
  set(line "")
  foreach(word IN LISTS words)
    string(LENGTH "${prefix}${line} ${word}" length)
    if(line STREQUAL "")
      set(line "${word}")
    elseif(length GREATER width)
      string(APPEND lines "${prefix}${line}\n")
      set(line "${word}")
    else()
      string(APPEND line " ${word}")
    endif()
  endforeach()
  set(${var} "${lines}${prefix}${line}" PARENT_SCOPE)
endfunction()
