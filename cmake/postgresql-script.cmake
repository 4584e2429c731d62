# The PostgreSQL extension's install script, written from the function
# table (cmake/table.cmake): one SQL function per row and per SQL type of
# its parameters, named as a formula author writes it.
#
#   qelrpt_postgresql_script(FILE VERSION)
#
# The C function of a row is qelrpt_ and the row's name
# (src/postgresql/qelrpt_pg.cpp).  A Number parameter takes numeric, double
# precision or bigint; a String, text.  The functions are IMMUTABLE and
# PARALLEL SAFE, and STRICT (a NULL argument gives NULL) but for the
# signature String(String, String), whose NULL previous name reads as the
# empty text.
#
# A released version's script stays in src/postgresql/ as it was released;
# the test qelrpt_postgresql_script checks the script written here against
# each of them.

# The parameter lists of a row, one per combination of SQL types, each
# "name type, name type" (a list of such texts).
function(qelrpt_postgresql_parameter_lists var name)
  string(REPLACE ", " ";" types "${QELRPT_${name}_PARAMETERS}")
  string(REPLACE ", " ";" names "${QELRPT_${name}_NAMES}")
  set(lists "")
  set(first TRUE)
  foreach(type parameter IN ZIP_LISTS types names)
    if(type STREQUAL "Number")
      set(sql_types numeric "double precision" bigint)
    else()
      set(sql_types text)
    endif()
    set(longer "")
    foreach(sql_type IN LISTS sql_types)
      if(first)
        list(APPEND longer "${parameter} ${sql_type}")
      else()
        foreach(start IN LISTS lists)
          list(APPEND longer "${start}, ${parameter} ${sql_type}")
        endforeach()
      endif()
    endforeach()
    set(lists "${longer}")
    set(first FALSE)
  endforeach()
  set(${var} "${lists}" PARENT_SCOPE)
endfunction()

function(qelrpt_postgresql_script file version)
  set(text "-- The QEL formula functions, version ${version}: one SQL function per row of the
-- library's function table, named as a formula author writes it (SQL folds
-- the names to lower case: QELIndentTagHier and qelindenttaghier are one).
-- A Number parameter takes numeric, double precision or bigint.

\\echo Use \"CREATE EXTENSION qelrpt\" to load this file. \\quit
")
  foreach(name IN LISTS QELRPT_FUNCTIONS)
    set(signature "${QELRPT_${name}_RESULT}(${QELRPT_${name}_PARAMETERS})")
    string(APPEND text "\n")
    set(strict " STRICT")
    if(signature STREQUAL "String(String, String)")
      string(APPEND text "-- Not STRICT: a NULL previous name reads as the empty text.\n")
      set(strict "")
    endif()
    set(returns text)
    if(QELRPT_${name}_RESULT STREQUAL "Boolean")
      set(returns boolean)
    endif()
    qelrpt_postgresql_parameter_lists(lists ${name})
    foreach(parameters IN LISTS lists)
      string(APPEND text "CREATE FUNCTION ${name}(${parameters}) RETURNS ${returns}\n"
        "    AS 'MODULE_PATHNAME', 'qelrpt_${name}' LANGUAGE C IMMUTABLE${strict} PARALLEL SAFE;\n")
    endforeach()
  endforeach()
  qelrpt_write_if_changed(${file} "${text}")
endfunction()
