# Install rules and packages (CPack).  The archives are flat: the plug-in
# and qelrpt-host side by side (qelrpt-host loads the library beside it),
# the public header under include/, and the documents.
#
#   win32 preset:  qelrpt-<version>-win32.zip
#                  qelrpt-<version>-win32-symbols.zip
#   linux preset:  qelrpt-<version>-linux-x86_64.tar.gz
#                  qelrpt_<version>_amd64.deb (installing under /usr)
#                  (both with the SQLite extension libqelrpt_sqlite.so)
#                  postgresql-15-qelrpt_<version>_amd64.deb
#                  qelrpt-<version>-linux-x86_64-symbols.tar.gz
#
# Each package folder also gets a SHA256SUMS of everything in it.  The
# packaged binaries are stripped; their debug information lies in the
# symbols archive, one <binary>.debug per binary, found by gdb through the
# binary's .gnu_debuglink.  The packages are reproducible: sorted entries,
# every time set to SOURCE_DATE_EPOCH (the commit time of the sources),
# owner and group root (see cmake/package-prepare.cmake and
# cmake/package-finish.cmake, which cpack runs before and after each
# package).
if(WIN32)
  set(QELRPT_PACKAGE_LIBRARY "qelrpt.dll     ")
  set(QELRPT_PACKAGE_HOST "qelrpt-host.exe")
  set(QELRPT_PACKAGE_HOST_RUN "qelrpt-host.exe")
  set(QELRPT_PACKAGE_SYSTEM win32)
  set(QELRPT_PACKAGE_GENERATORS ZIP)
else()
  set(QELRPT_PACKAGE_LIBRARY "libqelrpt.so   ")
  set(QELRPT_PACKAGE_HOST "qelrpt-host    ")
  set(QELRPT_PACKAGE_HOST_RUN "./qelrpt-host")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QELRPT_PACKAGE_SYSTEM linux-x86_64)
    set(QELRPT_PACKAGE_GENERATORS TGZ DEB)
  else()
    set(QELRPT_PACKAGE_SYSTEM linux-x86)
    set(QELRPT_PACKAGE_GENERATORS TGZ)
  endif()
endif()
string(STRIP "${QELRPT_PACKAGE_LIBRARY}" QELRPT_PACKAGE_LIBRARY_NAME)
string(STRIP "${QELRPT_PACKAGE_HOST}" QELRPT_PACKAGE_HOST_NAME)
if(WIN32)
  set(QELRPT_PACKAGE_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols.zip)
else()
  set(QELRPT_PACKAGE_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols.tar.gz)
endif()
set(QELRPT_PACKAGE_SQLITE_LINE "")
set(QELRPT_PACKAGE_SQLITE_TEXT "")
if(TARGET qelrpt_sqlite)
  set(QELRPT_PACKAGE_SQLITE_LINE "  libqelrpt_sqlite.so   the same functions as an SQLite extension\n")
  set(QELRPT_PACKAGE_SQLITE_TEXT "In SQLite\n---------\n  sqlite3 -cmd '.load ./libqelrpt_sqlite'\n\nloads the seven functions into the sqlite3 shell; docs/sql.md of the\nsources tells more.\n\n")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/INSTALL.txt.in ${CMAKE_BINARY_DIR}/INSTALL.txt @ONLY)

install(TARGETS qelrpt RUNTIME DESTINATION . LIBRARY DESTINATION .)
if(TARGET qelrpt-host)
  install(TARGETS qelrpt-host RUNTIME DESTINATION .)
endif()
# The SQLite extension (linux preset), beside the plug-in; the PostgreSQL
# extension goes into a package of its own (package-postgresql.cmake).
if(TARGET qelrpt_sqlite)
  install(TARGETS qelrpt_sqlite LIBRARY DESTINATION .)
  set(CPACK_QELRPT_PG_MODULE ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/qelrpt.so)
  set(CPACK_QELRPT_PG_EXTENSION_FILES ${QELRPT_PG_EXTENSION_FILES})
  set(CPACK_QELRPT_PG_PKGLIBDIR ${QELRPT_PG_PKGLIBDIR})
  set(CPACK_QELRPT_PG_SHAREDIR ${QELRPT_PG_SHAREDIR})
  string(REGEX MATCH "[0-9]+" CPACK_QELRPT_PG_MAJOR "${QELRPT_PG_VERSION}")
endif()
install(FILES include/qelrpt.h DESTINATION include)
install(FILES README.md LICENSE CHANGELOG.md ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION .)

set(CPACK_GENERATOR ${QELRPT_PACKAGE_GENERATORS})
set(CPACK_PACKAGE_NAME qelrpt)
set(CPACK_PACKAGE_VENDOR "The qelrpt developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}: formula functions for tag listings")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Stripped after install by package-prepare.cmake, which keeps the debug
# information apart.
set(CPACK_STRIP_FILES FALSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The qelrpt developers <dev@qelrpt.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-prepare.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-finish.cmake)
set(CPACK_QELRPT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_QELRPT_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_QELRPT_SYMBOLS qelrpt-${PROJECT_VERSION}-${QELRPT_PACKAGE_SYSTEM}-symbols)
include(CPack)

# The packages as a user gets them: each unpacked into an empty folder, and
# its qelrpt-host run from there; the checksums, the symbols and, for the
# .deb, lintian.
if(QELRPT_BUILD_TESTS AND TARGET qelrpt-host AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  add_test(NAME qelrpt_packages
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DCPACK=${CMAKE_CPACK_COMMAND}
            "-DGENERATORS=${QELRPT_PACKAGE_GENERATORS}" -DHOST=$<TARGET_FILE_NAME:qelrpt-host>
            -DLIBRARY=$<TARGET_FILE_NAME:qelrpt> -DOBJDUMP=${CMAKE_OBJDUMP}
            "-DSQLITE_EXTENSION=$<$<TARGET_EXISTS:qelrpt_sqlite>:libqelrpt_sqlite.so>"
            -DSYMBOLS=${CPACK_QELRPT_SYMBOLS}
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DRUN=${QELRPT_RUNS_PROGRAMS}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_package.cmake)
  set_tests_properties(qelrpt_packages PROPERTIES
    ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=" RUN_SERIAL TRUE)

  # CHANGELOG.md's newest release is this version.
  add_test(NAME qelrpt_changelog
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/tests/package/check_changelog.cmake)
endif()

# The native Linux build: the library's interface against the committed
# baseline (tests/abi-baseline), and two builds of the committed sources
# from two clean clones, Linux and Windows, byte for byte.
if(QELRPT_BUILD_TESTS AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 8
   AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  find_program(QELRPT_ABIDIFF abidiff)
  if(QELRPT_ABIDIFF)
    add_test(NAME qelrpt_abi_baseline
      COMMAND ${QELRPT_ABIDIFF} ${PROJECT_SOURCE_DIR}/tests/abi-baseline/libqelrpt.abi $<TARGET_FILE:qelrpt>)
  endif()
  if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    add_test(NAME qelrpt_reproducible
      COMMAND ${PROJECT_SOURCE_DIR}/tests/package/reproducible.sh ${PROJECT_SOURCE_DIR})
    set_tests_properties(qelrpt_reproducible PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
  endif()
endif()
