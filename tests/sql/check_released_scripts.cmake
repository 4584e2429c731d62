# The PostgreSQL install script that the build wrote from the function
# table, against each released version's script in src/postgresql/:
#   - the script of the version being built is, byte for byte, the
#     released one of that version, if it was released;
#   - every function an older release created is created by this version's
#     script with the same statement (name, parameters, result, C symbol,
#     flags), so a database made with an old release keeps its functions.
#
#   cmake -DSCRIPT=qelrpt--X.Y.sql -DVERSION=X.Y -DRELEASED=src/postgresql -P check_released_scripts.cmake
file(READ ${SCRIPT} built)
file(GLOB released ${RELEASED}/qelrpt--*.sql)
set(failures "")
set(checked 0)
foreach(script IN LISTS released)
  get_filename_component(file_name ${script} NAME)
  if(NOT file_name MATCHES "^qelrpt--([0-9]+\\.[0-9]+)\\.sql$")
    continue()  # an upgrade script
  endif()
  set(version ${CMAKE_MATCH_1})
  file(READ ${script} text)
  if(version STREQUAL VERSION)
    if(NOT text STREQUAL built)
      string(APPEND failures "${file_name}: the built script of version ${VERSION} differs from the released one\n")
    endif()
  endif()
  string(REGEX MATCHALL "CREATE FUNCTION [^;]*;" statements "${text}")
  foreach(statement IN LISTS statements)
    math(EXPR checked "${checked} + 1")
    string(FIND "${built}" "${statement}" at)
    if(at EQUAL -1)
      string(APPEND failures "${file_name}: version ${VERSION} does not create as released:\n  ${statement}\n")
    endif()
  endforeach()
endforeach()
if(checked EQUAL 0)
  string(APPEND failures "no released script with CREATE FUNCTION statements in ${RELEASED}\n")
endif()
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${checked} released functions are created as released")
