# The formula functions in SQL databases (the linux preset): the SQLite
# extension libqelrpt_sqlite.so and the PostgreSQL module qelrpt.so with
# its extension files, each a thin adapter over the function table's rows
# (src/sqlite/, src/postgresql/), with the workers and the values rule
# (src/values/) linked in.
#
# Installing the PostgreSQL extension puts qelrpt.so into pg_config's
# --pkglibdir and qelrpt.control and qelrpt--*.sql into its --sharedir's
# extension folder.  The control file and the install script are written
# from the function table; a released version's script stays in
# src/postgresql/ as it was released.

# SQLite: `.load libqelrpt_sqlite` finds the entry point
# sqlite3_qelrptsqlite_init from the file name.
find_path(QELRPT_SQLITE_INCLUDE sqlite3ext.h REQUIRED)
add_library(qelrpt_sqlite MODULE src/sqlite/extension.cpp)
target_include_directories(qelrpt_sqlite SYSTEM PRIVATE ${QELRPT_SQLITE_INCLUDE})
target_link_libraries(qelrpt_sqlite PRIVATE qelrpt_workers qelrpt_values qelrpt_warnings qelrpt_codegen)
target_link_options(qelrpt_sqlite PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/src/sqlite/exports.map
                    -Wl,-z,relro -Wl,-z,now -Wl,--no-undefined)
set_property(TARGET qelrpt_sqlite APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/src/sqlite/exports.map)

# PostgreSQL 15, through pg_config.
find_program(QELRPT_PG_CONFIG pg_config PATHS /usr/lib/postgresql/15/bin NO_DEFAULT_PATH)
find_program(QELRPT_PG_CONFIG pg_config REQUIRED)
foreach(item includedir-server pkglibdir sharedir bindir version)
  execute_process(COMMAND ${QELRPT_PG_CONFIG} --${item} OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  string(TOUPPER ${item} name)
  string(REPLACE "-" "_" name ${name})
  set(QELRPT_PG_${name} ${value})
endforeach()
add_library(qelrpt_postgresql MODULE src/postgresql/qelrpt_pg.cpp)
set_target_properties(qelrpt_postgresql PROPERTIES PREFIX "" OUTPUT_NAME qelrpt)
target_include_directories(qelrpt_postgresql SYSTEM PRIVATE ${QELRPT_PG_INCLUDEDIR_SERVER})
target_link_libraries(qelrpt_postgresql PRIVATE qelrpt_workers qelrpt_values qelrpt_warnings qelrpt_codegen)
target_link_options(qelrpt_postgresql PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/src/postgresql/exports.map
                    -Wl,-z,relro -Wl,-z,now)
set_property(TARGET qelrpt_postgresql APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/src/postgresql/exports.map)

# The extension's files, written from the function table: the control file
# and the install script of this version (MAJOR.MINOR of the project's).
include(${CMAKE_CURRENT_LIST_DIR}/postgresql-script.cmake)
set(QELRPT_PG_EXTENSION_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(QELRPT_PG_EXTENSION_DIR ${CMAKE_BINARY_DIR}/postgresql)
configure_file(${PROJECT_SOURCE_DIR}/src/postgresql/qelrpt.control.in ${QELRPT_PG_EXTENSION_DIR}/qelrpt.control @ONLY)
qelrpt_postgresql_script(${QELRPT_PG_EXTENSION_DIR}/qelrpt--${QELRPT_PG_EXTENSION_VERSION}.sql
                         ${QELRPT_PG_EXTENSION_VERSION})
set(QELRPT_PG_EXTENSION_FILES
  ${QELRPT_PG_EXTENSION_DIR}/qelrpt.control
  ${QELRPT_PG_EXTENSION_DIR}/qelrpt--${QELRPT_PG_EXTENSION_VERSION}.sql)
# Each older release's install script, as released, and the script that
# updates a database from it (ALTER EXTENSION qelrpt UPDATE).
set(QELRPT_PG_OLDER_VERSIONS "")
file(GLOB released_scripts ${PROJECT_SOURCE_DIR}/src/postgresql/qelrpt--*.sql)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${released_scripts})
foreach(script IN LISTS released_scripts)
  if(script MATCHES "qelrpt--([0-9]+\\.[0-9]+)\\.sql$" AND NOT CMAKE_MATCH_1 STREQUAL QELRPT_PG_EXTENSION_VERSION)
    set(old ${CMAKE_MATCH_1})
    list(APPEND QELRPT_PG_OLDER_VERSIONS ${old})
    set(upgrade ${QELRPT_PG_EXTENSION_DIR}/qelrpt--${old}--${QELRPT_PG_EXTENSION_VERSION}.sql)
    qelrpt_postgresql_upgrade(${upgrade} ${script} ${QELRPT_PG_EXTENSION_VERSION})
    configure_file(${script} ${QELRPT_PG_EXTENSION_DIR}/qelrpt--${old}.sql COPYONLY)
    list(APPEND QELRPT_PG_EXTENSION_FILES ${QELRPT_PG_EXTENSION_DIR}/qelrpt--${old}.sql ${upgrade})
  endif()
endforeach()
