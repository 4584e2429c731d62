# `cmake --install` into an empty scratch prefix lays out the tree a
# distribution expects (GNUInstallDirs), and, where the build's programs
# start, qelrpt-host started through bin/ finds the plug-in and lists the
# functions.  The SQLite extension, where the build has one
# (SQLITE_EXTENSION, its file name), lies beside the plug-in in lib/qelrpt/,
# and on Windows the COM library qelrptcom.dll in bin/.  With COM_ONLY (the
# 64-bit Windows build) the tree holds the COM library, LICENSE and
# INSTALL.txt alone.
#
# cmake -DBUILD_DIR=... -DPREFIX=scratch -DWINDOWS=OFF [-DRUN=ON] [-DCOM_ONLY=ON]
#       [-DEMULATOR=...] [-DSQLITE_EXTENSION=libqelrpt_sqlite.so] -P check_install.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}${err}")
endif()

set(doc share/doc/qelrpt)
set(expected include/qelrpt.h include/qelrpt_formulas.h ${doc}/README.md ${doc}/LICENSE ${doc}/CHANGELOG.md ${doc}/INSTALL.txt
  ${doc}/docs/engine.md ${doc}/examples/tags.csv)
if(COM_ONLY)
  set(expected bin/qelrptcom.dll ${doc}/LICENSE ${doc}/INSTALL.txt)
elseif(WINDOWS)
  list(APPEND expected bin/qelrpt.dll bin/qelrptcom.dll bin/qelrpt-host.exe bin/qelrpt-gentags.exe)
  set(host ${PREFIX}/bin/qelrpt-host.exe)
else()
  list(APPEND expected lib/qelrpt/libqelrpt.so lib/qelrpt/qelrpt-host bin/qelrpt-host bin/qelrpt-gentags
    share/man/man1/qelrpt-host.1 share/man/man1/qelrpt-gentags.1)
  if(SQLITE_EXTENSION)
    list(APPEND expected lib/qelrpt/${SQLITE_EXTENSION})
  endif()
  set(host ${PREFIX}/bin/qelrpt-host)
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
foreach(f ${expected})
  if(NOT f IN_LIST installed)
    message(FATAL_ERROR "cmake --install did not install ${f}; it installed:\n${installed}")
  endif()
endforeach()
list(REMOVE_ITEM installed ${expected})
list(FILTER installed EXCLUDE REGEX "^${doc}/docs/[^/]+\\.md$")
if(installed)
  message(FATAL_ERROR "cmake --install installed more than expected: ${installed}")
endif()
if(NOT WINDOWS)
  file(READ_SYMLINK ${PREFIX}/bin/qelrpt-host link)
  if(NOT link STREQUAL "../lib/qelrpt/qelrpt-host")
    message(FATAL_ERROR "bin/qelrpt-host links to ${link}, not ../lib/qelrpt/qelrpt-host")
  endif()
endif()

if(COM_ONLY)
  message(STATUS "installed as expected: the COM library, LICENSE and INSTALL.txt")
  return()
endif()
if(DEFINED RUN AND NOT RUN)
  message(STATUS "installed as expected; ${host} not run (this machine cannot start it)")
  return()
endif()
execute_process(COMMAND ${EMULATOR} ${host} list RESULT_VARIABLE rc OUTPUT_VARIABLE listing ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT listing MATCHES "Boolean QELPatternMatch\\( String, String \\)")
  message(FATAL_ERROR "${host} list from the installed tree (${rc}):\n${listing}${err}")
endif()
message(STATUS "installed as expected; ${host} lists the functions")
