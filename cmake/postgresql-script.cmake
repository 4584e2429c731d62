# The PostgreSQL extension's install script, written from the function
# table (cmake/table.cmake): one SQL function per row and per SQL type of
# its parameters, named as a formula author writes it.
#
#   qelrpt_postgresql_script(FILE VERSION)
#   qelrpt_postgresql_upgrade(FILE RELEASED_SCRIPT VERSION)
#       the script that takes a database from a released version (whose
#       install script is RELEASED_SCRIPT) to VERSION: it creates the
#       functions the release lacked and describes every function.
#
# The C function of a row is qelrpt_ and the row's name
# (src/postgresql/qelrpt_pg.cpp).  A Number parameter takes numeric, double
# precision or bigint; a String, text.  The functions are IMMUTABLE and
# PARALLEL SAFE, and STRICT (a NULL argument gives NULL) but for the
# signature String(String, String), whose NULL previous name reads as the
# empty text.
#
# Each function carries its description (COMMENT ON FUNCTION, what \\df+
# shows): the call as a designer writes it and the row's summary.
#
# A released version's script stays in src/postgresql/ as it was released;
# the test qelrpt_postgresql_script checks the script written here against
# each of them.

# The parameter lists of a row, one per combination of SQL types: `var`
# gets them as "name type, name type", `types_var` as "type, type" (lists
# of such texts, in the same order).
function(qelrpt_postgresql_parameter_lists var types_var name)
  string(REPLACE ", " ";" types "${QELRPT_${name}_PARAMETERS}")
  string(REPLACE ", " ";" names "${QELRPT_${name}_NAMES}")
  set(lists "")
  set(type_lists "")
  set(first TRUE)
  foreach(type parameter IN ZIP_LISTS types names)
    set(sql_types text)
    if(type STREQUAL "Number")
      set(sql_types numeric "double precision" bigint)
    endif()
    set(longer "")
    set(longer_types "")
    foreach(sql_type IN LISTS sql_types)
      if(first)
        list(APPEND longer "${parameter} ${sql_type}")
        list(APPEND longer_types "${sql_type}")
      else()
        foreach(start start_types IN ZIP_LISTS lists type_lists)
          list(APPEND longer "${start}, ${parameter} ${sql_type}")
          list(APPEND longer_types "${start_types}, ${sql_type}")
        endforeach()
      endif()
    endforeach()
    set(lists "${longer}")
    set(type_lists "${longer_types}")
    set(first FALSE)
  endforeach()
  set(${var} "${lists}" PARENT_SCOPE)
  set(${types_var} "${type_lists}" PARENT_SCOPE)
endfunction()

# The statements of one row: CREATE FUNCTION for each parameter list that
# `skip` (a list of "name(parameters)") does not hold, and COMMENT ON
# FUNCTION for each.
function(qelrpt_postgresql_row var name skip)
  set(signature "${QELRPT_${name}_RESULT}(${QELRPT_${name}_PARAMETERS})")
  set(text "")
  set(strict " STRICT")
  set(note "")
  if(signature STREQUAL "String(String, String)")
    set(note "-- Not STRICT: a NULL previous name reads as the empty text.\n")
    set(strict "")
  endif()
  set(returns text)
  if(QELRPT_${name}_RESULT STREQUAL "Boolean")
    set(returns boolean)
  endif()
  string(REPLACE "'" "''" comment "${name}(${QELRPT_${name}_DESCRIPTIONS}): ${QELRPT_${name}_SUMMARY}")
  qelrpt_postgresql_parameter_lists(lists type_lists ${name})
  set(comments "")
  foreach(parameters types IN ZIP_LISTS lists type_lists)
    if(NOT "${name}(${parameters})" IN_LIST skip)
      string(APPEND text "CREATE FUNCTION ${name}(${parameters}) RETURNS ${returns}\n"
        "    AS 'MODULE_PATHNAME', 'qelrpt_${name}' LANGUAGE C IMMUTABLE${strict} PARALLEL SAFE;\n")
    endif()
    string(APPEND comments "COMMENT ON FUNCTION ${name}(${types}) IS '${comment}';\n")
  endforeach()
  if(NOT text STREQUAL "")
    set(text "${note}${text}")
  endif()
  set(${var} "${text}${comments}" PARENT_SCOPE)
endfunction()

function(qelrpt_postgresql_script file version)
  set(text "-- The QEL formula functions, version ${version}: one SQL function per row of the
-- library's function table, named as a formula author writes it (SQL folds
-- the names to lower case: QELIndentTagHier and qelindenttaghier are one).
-- A Number parameter takes numeric, double precision or bigint.

\\echo Use \"CREATE EXTENSION qelrpt\" to load this file. \\quit
")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    qelrpt_postgresql_row(row ${name} "")
    string(APPEND text "\n${row}")
  endforeach()
  qelrpt_write_if_changed(${file} "${text}")
endfunction()

function(qelrpt_postgresql_upgrade file released version)
  file(READ ${released} old)
  string(REGEX MATCHALL "CREATE FUNCTION [A-Za-z0-9_]+\\([^)]*\\)" created "${old}")
  list(TRANSFORM created REPLACE "^CREATE FUNCTION " "")
  string(REGEX MATCH "qelrpt--([0-9.]+)\\.sql$" ignored ${released})
  set(text "-- The QEL formula functions from version ${CMAKE_MATCH_1} to ${version}: the functions
-- that version lacked, and a description of each function.

\\echo Use \"ALTER EXTENSION qelrpt UPDATE\" to load this file. \\quit
")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    qelrpt_postgresql_row(row ${name} "${created}")
    string(APPEND text "\n${row}")
  endforeach()
  qelrpt_write_if_changed(${file} "${text}")
endfunction()
